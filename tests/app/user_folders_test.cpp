// The command as an ordinary user runs it on an install that user may not write (owned by root
// when the tests run as root, who then runs it as "nobody"): what the dialog remembers and the
// user's own standards families live in the user's folders of a temporary HOME, and the install
// is left as it was.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "tests/forms/json_lines.h"
#include "tests/support/install.h"
#include "tests/support/shell.h"
#include "tests/support/test_files.h"

namespace cavix::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::ShellQuote;
using test::Slurp;

// Every file of a folder with its size and change time: what a write would change.
std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> Snapshot(const fs::path& dir) {
  std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    files[e.path().string()] = {e.is_regular_file() ? e.file_size() : 0, e.last_write_time()};
  return files;
}

class OrdinaryUser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (!nobody || ::access("/usr/sbin/runuser", X_OK) != 0)
        GTEST_SKIP() << "running as root without a user \"nobody\" and runuser to be instead";
      uid_ = nobody->pw_uid;
      as_ = "/usr/sbin/runuser -u nobody -- ";
    }
    WriteInstall(install_);
    fs::create_directories(home_);
    fs::permissions(dir_.path, fs::perms(0755));
    Own(home_);
    // The install as a package leaves it: nobody writes it but root, and root is not the user.
    for (const auto& e : fs::recursive_directory_iterator(install_))
      fs::permissions(e.path(), e.is_directory() ? fs::perms(0555) : fs::perms(0444));
    fs::permissions(install_, fs::perms(0555));
  }

  void TearDown() override {
    std::error_code ec;
    for (const fs::path& p : {install_, home_})
      for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::end(it);
           it.increment(ec))
        fs::permissions(it->path(), fs::perms(0755), fs::perm_options::add, ec);
    fs::permissions(install_, fs::perms(0755), ec);
  }

  // Gives the user everything below `p`.
  void Own(const fs::path& p) const {
    if (::geteuid() != 0) return;
    ASSERT_EQ(::chown(p.c_str(), uid_, uid_), 0);
    if (!fs::is_directory(p)) return;
    for (const auto& e : fs::recursive_directory_iterator(p)) {
      ASSERT_EQ(::lchown(e.path().c_str(), uid_, uid_), 0);
    }
  }

  test::ShellResult Cavix(const std::string& args) {
    return test::RunShell(as_ + "env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME=" +
                              ShellQuote(home_.string()) + " CAVIX_LOCALE=en_US " +
                              ShellQuote(CAVIX_BINARY) + " " + args + " --registry " +
                              ShellQuote((install_ / "cavix.reg").string()) + " --settings " +
                              ShellQuote((install_ / "settings.ini").string()),
                          dir_);
  }
  std::string Script(const std::string& name, const std::string& text) {
    const fs::path p = home_ / name;
    std::ofstream(p) << text;
    Own(p);
    return ShellQuote(p.string());
  }
  json Hole(const std::string& which) {
    const auto r = Cavix("show " + model_ + " '" + which + "' --json");
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out).at("components").at("34").at(0).at("vars");
  }

  test::TempDir dir_{"cavix-user-"};
  const fs::path install_ = dir_.path / "share/cavix", home_ = dir_.path / "home";
  const fs::path prefs_ = home_ / ".config/cavix/Cavix.prf",
                 families_ = home_ / ".local/share/cavix/Standards";
  const std::string model_ = ShellQuote((home_ / "part.cvx").string());
  uid_t uid_ = ::geteuid();
  std::string as_;
};

// A drop and an OK show no error, the next drop starts from the choices made, and the install
// is as it was. A preferences file of another user (as `sudo cavix` leaves one) is not written,
// and the message says whose it is.
TEST_F(OrdinaryUser, TheDialogRemembersItsChoicesInTheUsersFolder) {
  const auto before = Snapshot(install_);
  ASSERT_EQ(Cavix("new " + model_).status, 0);
  const std::string drop = "drop " + model_ + " --script ";
  auto r = Cavix(drop + ShellQuote(CAVIX_DIALOG_SCRIPTS "m10_threaded_blind.txt"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(JsonEvents(r.out, "message").empty()) << r.out;
  struct stat st {};
  ASSERT_EQ(::stat(prefs_.parent_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, uid_);

  const std::string ok = Script("ok.txt", "click OKButton\n");
  ASSERT_EQ(Cavix(drop + ok + " --at 70,30,20").status, 0);
  EXPECT_EQ(Hole("#3").at("2:14").at("v"), "M10");
  EXPECT_EQ(Snapshot(install_), before);

  if (::geteuid() != 0) GTEST_SKIP() << "another user's file can be made only as root";
  ASSERT_EQ(::chown(prefs_.c_str(), 0, 0), 0);
  const std::string prefs = Slurp(prefs_);
  r = Cavix(drop + ok + " --at 50,30,20");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto messages = JsonEvents(r.out, "message");
  ASSERT_EQ(messages.size(), 1u) << r.out;
  EXPECT_NE(messages[0]["text"].get<std::string>().find("belongs to the user root"),
            std::string::npos)
      << messages[0];
  EXPECT_EQ(Slurp(prefs_), prefs);
}

// A family of the user's own is offered after the shipped ones and used; check-tables checks it
// with the shipped ones, names a bad line by its file and line, and the shipped families stand.
TEST_F(OrdinaryUser, AFamilyOfTheUsersOwnIsOfferedCheckedAndUsed) {
  fs::create_directories(families_);
  fs::copy(fs::path(CAVIX_SOURCE_DATA) / "Standards/ISO", families_ / "Mine",
           fs::copy_options::recursive);
  std::string ini = Slurp(families_ / "Mine/Cavix.ini");
  ini.replace(ini.find("\"ISO 262 coarse\""), 16, "\"Mine coarse\"");
  std::ofstream(families_ / "Mine/Cavix.ini", std::ios::binary) << ini;
  Own(home_);

  auto r = Cavix("check-tables");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  // Paths as the file system spells them, so that a reader can open the file named.
  const std::string mine = (families_ / "Mine").string() + "/";
  EXPECT_NE(r.out.find("Mine: " + mine + "Cavix.ini: no problems"), std::string::npos)
      << r.out;

  ASSERT_EQ(Cavix("new " + model_).status, 0);
  r = Cavix("drop " + model_ + " --script " +
            Script("mine.txt", "click TabNorme(2)\ncheck ToggleFiletto 1\nselect Misura M10\n"
                               "click OKButton\n"));
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(Hole("#2").at("2:13").at("v"), "Mine coarse");

  std::ofstream(families_ / "Mine/Tab/iso262.tab", std::ios::app) << "  M99 | abc | 1\r\n";
  r = Cavix("check-tables");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(mine + "Tab/iso262.tab:66: column 2 is not a number"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("UNC/UNF: " + install_.string() + "/Standards/UNC/Cavix.ini: no "
                       "problems"),
            std::string::npos)
      << r.out;

  // A folder of families the user cannot read is named, and the shipped ones still checked.
  fs::permissions(families_, fs::perms(0));
  r = Cavix("check-tables");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(families_.string() + "/\" of your standards families cannot be read"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("ISO: "), std::string::npos) << r.out;
}

}  // namespace
}  // namespace cavix::testing
