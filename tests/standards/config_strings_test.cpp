// Configuration read through the stand-in host's registry reader, and the string table it
// selects.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>

#include "runtime/error.h"
#include "scene/services.h"
#include "standards/config.h"
#include "standards/strings.h"
#include "tests/support/raised.h"
#include "tests/support/test_files.h"

namespace cavix {
namespace {

const std::string kMaker = "SOFTWARE\\Norvalis\\Zentrox";
const std::string kAddIn = "SOFTWARE\\Norvalis\\Zentrox\\Cavix";

class ConfigTest : public ::testing::Test {
 protected:
  void Set(const std::string& key, const std::string& name, const std::string& value) {
    values[{key, name}] = value;
  }
  // A reader of `values` as they are now, written as a registry export.
  config::Registry& Reader() {
    std::string text = "Windows Registry Editor Version 5.00\r\n", key;
    for (const auto& [where, value] : values) {
      if (where.first != key) {
        key = where.first;
        text += "\r\n[HKEY_LOCAL_MACHINE\\" + key + "]\r\n";
      }
      text += "\"" + where.second + "\"=\"";
      for (char c : value) text += c == '\\' || c == '"' ? std::string{'\\', c} : std::string{c};
      text += "\"\r\n";
    }
    services = scene::MakeServiceFactory(scene, {dir.Write("cavix.reg", text), "", user});
    return reader.emplace(*services);
  }
  std::map<std::pair<std::string, std::string>, std::string> values;
  test::TempDir dir{"cavix-config-"};
  scene::Scene scene;
  std::unique_ptr<host::IServiceFactory> services;
  std::optional<config::Registry> reader;
  host::UserFolders user;
};

TEST_F(ConfigTest, LanguageRule) {
  struct Case {
    const char* value;  // nullptr: the value is missing
    int16_t base;
  };
  const Case cases[] = {
      {"Italian", 1000}, {"English (United States)", 2000}, {"German", 3000},
      {"GERMAN", 2000},  {nullptr, 2000},                   {"Deutsch", 2000},
      {"English and Italian", 1000}, {"Swiss German", 3000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(missing)");
    values.clear();
    if (c.value) Set(kMaker, "Language", c.value);
    EXPECT_EQ(config::ReadLanguageBase(Reader()), c.base);
  }
}

TEST_F(ConfigTest, PathsAreJoinedExactlyAsStoredAndStayInside) {
  Set(kMaker, "ApplDir", "X:\\App");
  Set(kAddIn, "Norme Dir#0", "\\Std\\");
  Set(kAddIn, "Norme Dir#1", "\\Inch\\");
  Set(kAddIn, "Data#0", "Tab\\");
  Set(kAddIn, "File INI#0", "Cavix.ini");
  Set(kAddIn, "File Prefs", "\\Cavix.prf");

  config::FamilyPaths p = config::ReadFamilyPaths(Reader(), 0);
  EXPECT_EQ(p.dataDir, "X:\\App\\Std\\Tab\\");
  EXPECT_EQ(p.IniPath(), "X:\\App\\Std\\Cavix.ini");
  EXPECT_EQ(p.prefsFile, "X:\\App\\Cavix.prf");

  EXPECT_EQ(config::ReadFamilyPaths(Reader(), 1).dataDir, "X:\\App\\Inch\\Tab\\");
  // A family without a directory value has the application directory as its standards directory.
  EXPECT_EQ(config::ReadFamilyPaths(Reader(), 2).standardsDir, "X:\\App");

  // A value that climbs out of the application folder is refused, naming it.
  for (const char* name : {"File Prefs", "Norme Dir#0", "Data#0"}) {
    SCOPED_TRACE(name);
    const std::string keep = values[{kAddIn, name}];
    Set(kAddIn, name, "\\..\\..\\etc\\x");
    const rt::Error e = cavix::test::Raised([&] { config::ReadFamilyPaths(Reader(), 0); });
    EXPECT_EQ(e.Number(), 75);
    EXPECT_NE(e.Description().find(name), std::string::npos) << e.Description();
    Set(kAddIn, name, keep);
  }
  // ".." inside a name is not a climb.
  Set(kAddIn, "File Prefs", "\\Cavix..prf");
  EXPECT_EQ(config::ReadFamilyPaths(Reader(), 0).prefsFile, "X:\\App\\Cavix..prf");
}

TEST_F(ConfigTest, FamiliesStopAtTheFirstEmptyValue) {
  Set(kAddIn, "Norme#0", "ISO");
  Set(kAddIn, "Norme#1", "UNC/UNF");
  Set(kAddIn, "Norme#3", "never reached");
  EXPECT_EQ(config::ListStandardsFamilies(Reader()), (std::vector<std::string>{"ISO", "UNC/UNF"}));

  // A registry that answers every name cannot make the list run away.
  for (int i = 0; i < 1500; ++i) Set(kAddIn, "Norme#" + std::to_string(i), "F");
  EXPECT_EQ(config::ListStandardsFamilies(Reader()).size(),
            static_cast<size_t>(config::kMaxFamilies));
}

TEST(UserFolders, FollowTheXdgRules) {
  struct Case {
    const char *config, *data, *home;  // nullptr: unset
    std::string wantConfig, wantData;
  };
  const Case cases[] = {
      {nullptr, nullptr, "/home/u", "/home/u/.config/cavix", "/home/u/.local/share/cavix"},
      {"/cfg/", "/dat", "/home/u", "/cfg/cavix", "/dat/cavix"},
      // Empty or relative is unset; without a usable HOME there is no folder.
      {"", "rel/data", "/home/u/", "/home/u/.config/cavix", "/home/u/.local/share/cavix"},
      {nullptr, "/dat", nullptr, "", "/dat/cavix"},
      {nullptr, nullptr, "relative", "", ""},
      {"/", nullptr, "/", "/cavix", "/.local/share/cavix"},
  };
  for (const Case& c : cases) {
    const std::map<std::string, const char*> env{
        {"XDG_CONFIG_HOME", c.config}, {"XDG_DATA_HOME", c.data}, {"HOME", c.home}};
    const host::UserFolders f =
        config::UserFoldersFromEnvironment([&](const char* v) { return env.at(v); });
    EXPECT_EQ(f.config, c.wantConfig) << (c.home ? c.home : "(no HOME)");
    EXPECT_EQ(f.data, c.wantData);
  }
}

// The user's folder first: a family folder named as a shipped one takes its place with its
// caption, others follow by name; the preferences go to the user's folder and are read from the
// application folder until they exist there.
TEST_F(ConfigTest, TheUsersFoldersComeFirst) {
  Set(kMaker, "ApplDir", dir.File("appl"));
  Set(kAddIn, "Norme#0", "ISO");
  Set(kAddIn, "Norme Dir#0", "\\Standards\\ISO\\");
  Set(kAddIn, "Norme#1", "UNC/UNF");
  Set(kAddIn, "Norme Dir#1", "\\Standards\\UNC\\");
  Set(kAddIn, "Data#0", "Tab\\");
  Set(kAddIn, "File Prefs", "\\Cavix.prf");
  const std::string appl = dir.File("appl"), mine = dir.File("data");
  user = {dir.File("config"), mine};
  for (const char* folder : {"UNC/Tab", "Zeta/Tab", "Mine/Tab", ".hidden/Tab"})
    std::filesystem::create_directories(dir.path / "data/Standards" / folder);
  dir.Write("data/Standards/notes.txt", "not a family");

  const config::FamilyList list = config::ListFamilies(Reader());
  std::vector<std::string> seen;
  for (const config::Family& f : list.families) seen.push_back(f.caption + " " + f.dir);
  EXPECT_EQ(seen, (std::vector<std::string>{"ISO " + appl + "\\Standards\\ISO\\",
                                            "UNC/UNF " + mine + "\\Standards\\UNC\\",
                                            "Mine " + mine + "\\Standards\\Mine\\",
                                            "Zeta " + mine + "\\Standards\\Zeta\\"}));
  EXPECT_TRUE(list.problems.empty());
  EXPECT_EQ(config::ReadFamilyPaths(Reader(), 3).dataDir, mine + "\\Standards\\Zeta\\Tab\\");
  EXPECT_EQ(config::ReadFamilyPaths(Reader(), 1).dataDir, mine + "\\Standards\\UNC\\Tab\\");

  config::FamilyPaths p = config::ReadFamilyPaths(Reader(), 0);
  EXPECT_EQ(p.prefsFile, dir.File("config") + "\\Cavix.prf");
  EXPECT_EQ(p.prefsToRead, appl + "\\Cavix.prf");
  config::WritePreferences(p, "x");
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("config").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u) << "a folder of the user's own, made on the first write";
  EXPECT_EQ(config::ReadFamilyPaths(Reader(), 0).prefsToRead, p.prefsFile);

  // A user's folder of families that cannot be read is named; the registry's families stand.
  std::filesystem::remove_all(dir.path / "data/Standards");
  dir.Write("data/Standards", "a file in the way");
  const config::FamilyList blocked = config::ListFamilies(Reader());
  EXPECT_EQ(blocked.families.size(), 2u);
  ASSERT_EQ(blocked.problems.size(), 1u);
  EXPECT_NE(blocked.problems[0].find(mine + "/Standards/\" of your standards families"),
            std::string::npos)
      << blocked.problems[0];

  // Without user folders everything is in the application folder, as before.
  user = {};
  EXPECT_EQ(config::ReadFamilyPaths(Reader(), 0).prefsFile, appl + "\\Cavix.prf");
  EXPECT_EQ(config::ListFamilies(Reader()).families.size(), 2u);
}

TEST(StringTable, TextsOfEachLanguageAndOnlyTheListedIdentifiers) {
  // The texts themselves are checked through the dialog, in each language.
  int found = 0;
  for (int id = 0; id < 4100; ++id) {
    try {
      EXPECT_FALSE(strings::LoadResString(id).empty());
      ++found;
    } catch (const rt::Error& e) {
      ASSERT_EQ(e.Number(), 326);
      ASSERT_EQ(e.Description(), "Resource with identifier '" + std::to_string(id) + "' not found");
    }
  }
  EXPECT_EQ(found, 3 * 21);
}

}  // namespace
}  // namespace cavix
