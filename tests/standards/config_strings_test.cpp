// Configuration read from a registry held in memory, and the string table it selects.
#include <gtest/gtest.h>

#include "runtime/error.h"
#include "standards/config.h"
#include "standards/strings.h"
#include "tests/standards/test_support.h"

namespace cavix {
namespace {

const std::string kMaker = "SOFTWARE\\Norvalis\\Zentrox";
const std::string kAddIn = "SOFTWARE\\Norvalis\\Zentrox\\Cavix";

class ConfigTest : public ::testing::Test {
 protected:
  testing::MapRegistry registry;
  config::Registry reader{registry};
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
    registry.values.clear();
    if (c.value) registry.Set(kMaker, "Language", c.value);
    EXPECT_EQ(config::ReadLanguageBase(reader), c.base);
  }
}

TEST_F(ConfigTest, PathsAreJoinedExactlyAsStoredAndStayInside) {
  registry.Set(kMaker, "ApplDir", "X:\\App");
  registry.Set(kAddIn, "Norme Dir#0", "\\Std\\");
  registry.Set(kAddIn, "Norme Dir#1", "\\Inch\\");
  registry.Set(kAddIn, "Data#0", "Tab\\");
  registry.Set(kAddIn, "File INI#0", "Cavix.ini");
  registry.Set(kAddIn, "File Prefs", "\\Cavix.prf");

  config::FamilyPaths p = config::ReadFamilyPaths(reader, 0);
  // Every read uses a fresh reader, released after it, on the machine root.
  EXPECT_EQ(registry.created, registry.released);
  EXPECT_EQ(registry.roots, std::vector<int>(registry.roots.size(), 2));
  EXPECT_EQ(p.dataDir, "X:\\App\\Std\\Tab\\");
  EXPECT_EQ(p.IniPath(), "X:\\App\\Std\\Cavix.ini");
  EXPECT_EQ(p.prefsFile, "X:\\App\\Cavix.prf");

  EXPECT_EQ(config::ReadFamilyPaths(reader, 1).dataDir, "X:\\App\\Inch\\Tab\\");
  // A family without a directory value has the application directory as its standards directory.
  EXPECT_EQ(config::ReadFamilyPaths(reader, 2).standardsDir, "X:\\App");

  // A value that climbs out of the application folder is refused, naming it.
  for (const char* name : {"File Prefs", "Norme Dir#0", "Data#0"}) {
    SCOPED_TRACE(name);
    const std::string keep = registry.values[{kAddIn, name}];
    registry.Set(kAddIn, name, "\\..\\..\\etc\\x");
    try {
      config::ReadFamilyPaths(reader, 0);
      ADD_FAILURE() << "not refused";
    } catch (const rt::Error& e) {
      EXPECT_EQ(e.Number(), 75);
      EXPECT_NE(e.Description().find(name), std::string::npos) << e.Description();
    }
    registry.Set(kAddIn, name, keep);
  }
  // ".." inside a name is not a climb.
  registry.Set(kAddIn, "File Prefs", "\\Cavix..prf");
  EXPECT_EQ(config::ReadFamilyPaths(reader, 0).prefsFile, "X:\\App\\Cavix..prf");
}

TEST_F(ConfigTest, FamiliesStopAtTheFirstEmptyValue) {
  registry.Set(kAddIn, "Norme#0", "ISO");
  registry.Set(kAddIn, "Norme#1", "UNC/UNF");
  registry.Set(kAddIn, "Norme#3", "never reached");
  EXPECT_EQ(config::ListStandardsFamilies(reader), (std::vector<std::string>{"ISO", "UNC/UNF"}));

  // A registry that answers every name cannot make the list run away.
  for (int i = 0; i < 1500; ++i) registry.Set(kAddIn, "Norme#" + std::to_string(i), "F");
  EXPECT_EQ(config::ListStandardsFamilies(reader).size(),
            static_cast<size_t>(config::kMaxFamilies));
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
