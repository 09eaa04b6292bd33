// Writes that fail part-way, played on the real `cavix` command: a full disk (a file-size limit),
// a folder the user may not write (an unprivileged user, also when the tests run as root) and a
// crash between writing the new file and renaming it into place. The model file and the
// preferences file must stay whole and as they were, and each failure must be said once, in words.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;
using cavix::test::Slurp;

struct Fault {
  rlim_t fileSizeLimit = RLIM_INFINITY;  // a full disk after this many bytes of one file
  bool unprivileged = false;             // run as "nobody" when the tests run as root
  std::string killAtRenameOf = {};       // a crash just before this file is renamed into place
};

struct Outcome {
  int exitCode = -1;  // -1 when killed
  int signal = 0;
  std::string out, err;

  std::vector<nlohmann::json> Messages() const {
    std::vector<nlohmann::json> m;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      if (line.empty() || line.front() != '{') continue;
      auto j = nlohmann::json::parse(line, nullptr, false);
      if (!j.is_discarded() && j.value("event", "") == "message") m.push_back(j);
    }
    return m;
  }
};

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class WriteFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(models_);
    fs::create_directories(appl_);
    fs::copy(fs::path(CAVIX_TEST_DATA_DIR) / "Standards", appl_ / "Standards",
             fs::copy_options::recursive);
    fs::copy(fs::path(CAVIX_TEST_DATA_DIR) / "Images", appl_ / "Images",
             fs::copy_options::recursive);
    std::ofstream(root_ / "cavix.reg")
        << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\r\n"
        << "\"ApplDir\"=\"" << appl_.string() << "\"\r\n\"Language\"=\"English\"\r\n\r\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox\\Cavix]\r\n"
        << "\"Norme#0\"=\"ISO\"\r\n\"Norme Dir#0\"=\"\\\\Standards\\\\ISO\\\\\"\r\n"
        << "\"Data#0\"=\"Tab\\\\\"\r\n\"File INI#0\"=\"Cavix.ini\"\r\n"
        << "\"File Prefs\"=\"\\\\Cavix.prf\"\r\n";
    std::ofstream(root_ / "settings.ini")
        << "[Directories]\r\nThreadFile=" << appl_.string() << "\\Images\\\r\n";
    // An unprivileged user reads everything and writes where a test allows it.
    for (const auto& e : fs::recursive_directory_iterator(root_))
      fs::permissions(e.path(), e.is_directory() ? fs::perms(0755) : fs::perms(0644));
    fs::permissions(root_, fs::perms(0755));
  }

  // The folders become writable again for the temporary folder's removal.
  void TearDown() override {
    std::error_code ec;
    fs::permissions(models_, fs::perms(0755), ec);
    fs::permissions(appl_, fs::perms(0755), ec);
  }

  // Runs `cavix ARGS --registry … --settings …` under `fault`.
  Outcome Cavix(std::vector<std::string> args, const Fault& fault = {}) {
    args.insert(args.begin(), CAVIX_EXE);
    args.push_back("--registry");
    args.push_back((root_ / "cavix.reg").string());
    args.push_back("--settings");
    args.push_back((root_ / "settings.ini").string());
    // Pipes, not files: a file-size limit must cut only the files the command writes.
    int outPipe[2], errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) ADD_FAILURE() << "no pipe";

    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(outPipe[1], 1);
      ::dup2(errPipe[1], 2);
      for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) ::close(fd);
      if (fault.fileSizeLimit != RLIM_INFINITY) {
        ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
        const rlimit lim{fault.fileSizeLimit, fault.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(121);
      }
      if (!fault.killAtRenameOf.empty()) {
        ::setenv("LD_PRELOAD", CAVIX_FAULT_SHIM, 1);
        ::setenv("CAVIX_FAULT_KILL_AT_RENAME", fault.killAtRenameOf.c_str(), 1);
        // A sanitizer build wants its runtime first; the shim only wraps rename.
        std::string asan = ::getenv("ASAN_OPTIONS") ? ::getenv("ASAN_OPTIONS") : "";
        ::setenv("ASAN_OPTIONS",
                 (asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(), 1);
      }
      if (fault.unprivileged && ::geteuid() == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(122);
      }
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(123);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    Outcome o;
    Drain(outPipe[0], errPipe[0], o.out, o.err);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) o.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) o.signal = WTERMSIG(status);
    return o;
  }

  // Reads both pipes until both are closed.
  static void Drain(int outFd, int errFd, std::string& out, std::string& err) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open = 2;
    char buf[4096];
    while (open > 0 && ::poll(fds, 2, -1) > 0) {
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n > 0) {
          sinks[i]->append(buf, static_cast<size_t>(n));
        } else {
          ::close(fds[i].fd);
          fds[i].fd = -1;
          --open;
        }
      }
    }
  }

  std::string Script(const char* name) { return std::string(CAVIX_SHIPPED_SCRIPTS) + name; }

  // A model with one hole, and the preferences that placing it wrote.
  void ModelWithOneHole() {
    ASSERT_EQ(Cavix({"new", model_.string()}).exitCode, 0);
    const Outcome o =
        Cavix({"drop", model_.string(), "--at", "30,30,20", "--script", Script("plain_blind.txt")});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    ASSERT_TRUE(fs::exists(prefs_));
    fs::permissions(model_, fs::perms(0644));
    fs::permissions(prefs_, fs::perms(0644));
  }

  // Files in `dir` other than `keep`: temporary files a failed write left behind.
  static std::vector<std::string> Leftovers(const fs::path& dir, std::vector<std::string> keep) {
    std::vector<std::string> extra;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (std::find(keep.begin(), keep.end(), name) == keep.end()) extra.push_back(name);
    }
    return extra;
  }

  // A second drop with other choices: it would change both the model and the preferences.
  std::vector<std::string> SecondDrop() {
    return {"drop", model_.string(), "--at", "70,30,20", "--script", Script("csink_through.txt")};
  }

  const cavix::test::TempDir dir_{"cavix-faults-"};
  const fs::path root_ = dir_.path, appl_ = root_ / "appl", models_ = root_ / "models";
  const fs::path model_ = models_ / "part.cvx", prefs_ = appl_ / "Cavix.prf";
};

// ---- the model file

TEST_F(WriteFaults, ModelThatCannotBeWrittenIsKeptAndTheFailureSaidOnce) {
  ModelWithOneHole();
  const std::string before = Slurp(model_);
  const Fault full{.fileSizeLimit = 256};  // far less than any model
  ASSERT_GT(before.size(), full.fileSizeLimit) << "the limit must cut the new model short";
  const struct {
    std::vector<std::string> args;
    Fault fault;
    const char* said;
  } cases[] = {
      {SecondDrop(), full, "Disk full"},
      {{"new", model_.string(), "--force"}, full, "Disk full"},
      {{"resize", model_.string(), "--block", "120,80,30"}, full, "Disk full"},
      // A folder the user may not write: the preferences may be written, the model may not.
      {SecondDrop(), {.unprivileged = true}, "Permission denied"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + ", " + c.said);
    if (c.fault.unprivileged) {
      fs::permissions(appl_, fs::perms(0777));
      fs::permissions(prefs_, fs::perms(0666));
      fs::permissions(models_, fs::perms(0555));
    }
    const Outcome o = Cavix(c.args, c.fault);
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_EQ(Count(o.err, c.said), 1u) << o.err;
    EXPECT_EQ(Count(o.err, model_.string()), 1u) << "the message names the file: " << o.err;
    EXPECT_EQ(Slurp(model_), before);
    EXPECT_EQ(Leftovers(models_, {"part.cvx"}), std::vector<std::string>{});
  }
  // The model is whole: it opens.
  const Outcome show = Cavix({"show", model_.string(), "--json"});
  EXPECT_EQ(show.exitCode, 0) << show.err;
}

// ---- the preferences file

TEST_F(WriteFaults, PreferencesThatCannotBeWrittenAreKeptAndTheFailureSaidOnce) {
  ModelWithOneHole();
  const std::string prefsBefore = Slurp(prefs_);
  const std::string modelBefore = Slurp(model_);
  const Fault full{.fileSizeLimit = 16};  // less than the preferences: both files fail
  ASSERT_GT(prefsBefore.size(), full.fileSizeLimit);
  const struct {
    Fault fault;
    const char* said;
    int exitCode;
  } cases[] = {
      {full, "Disk full", 1},
      // A folder the user may not write, for the preferences alone: the hole is the user's work
      // and is placed; the preferences are not.
      {{.unprivileged = true}, "Permission denied", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    if (c.fault.unprivileged) {
      // The model is the user's own: a save keeps a file's owner, so it may not replace another's.
      fs::permissions(models_, fs::perms(0777));
      if (::geteuid() == 0) {
        ASSERT_EQ(::chown(model_.c_str(), 65534, 65534), 0);
      }
      fs::permissions(appl_, fs::perms(0555));
    }
    const Outcome o = Cavix(SecondDrop(), c.fault);
    EXPECT_EQ(o.exitCode, c.exitCode) << o.err;
    const auto messages = o.Messages();
    ASSERT_EQ(messages.size(), 1u) << o.out;
    EXPECT_EQ(messages[0]["title"], "Write Prefs");
    EXPECT_NE(messages[0]["text"].get<std::string>().find(c.said), std::string::npos);
    EXPECT_EQ(Slurp(prefs_), prefsBefore);
    EXPECT_EQ(Slurp(model_) == modelBefore, c.exitCode != 0);
    if (c.exitCode != 0) {
      EXPECT_EQ(Count(o.err, c.said), 1u) << o.err;
    }
    EXPECT_EQ(Leftovers(appl_, {"Standards", "Images", "Cavix.prf"}), std::vector<std::string>{});
  }
}

// ---- a crash, for either file

TEST_F(WriteFaults, CrashBetweenWritingAndRenamingLeavesTheOldModelAndPreferences) {
  ModelWithOneHole();
  const std::string prefsBefore = Slurp(prefs_);
  const std::string modelBefore = Slurp(model_);
  // The preferences are written before the model: a crash at their rename comes first.
  for (const char* file : {"Cavix.prf", "part.cvx"}) {
    const Outcome o = Cavix(SecondDrop(), {.killAtRenameOf = file});
    ASSERT_EQ(o.signal, SIGKILL) << file << ": the crash did not happen: " << o.err;
    EXPECT_EQ(Slurp(model_), modelBefore) << file;
    if (file == std::string("Cavix.prf")) {
      EXPECT_EQ(Slurp(prefs_), prefsBefore);
    }
    // The old preferences are read back whole: the dialog opens without a "Read Prefs" error.
    for (const auto& m : o.Messages()) EXPECT_NE(m["title"], "Read Prefs") << m.dump();
  }
  // The next command works on the old model as if nothing had happened.
  const Outcome again = Cavix(SecondDrop());
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_NE(Slurp(model_), modelBefore);
  EXPECT_EQ(Cavix({"show", model_.string()}).exitCode, 0);
}

}  // namespace
