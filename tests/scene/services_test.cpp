// The utility services over their files: registry export, host settings and the units service,
// as the hole logic calls them. (The file test is the runtime's FileExists, tested there.)
#include "scene/services.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/error.h"
#include "scene/config_files.h"
#include "tests/support/raised.h"
#include "tests/support/test_files.h"

namespace cavix::scene {
namespace {

std::string Read(host::IRegistryReader& reg, std::string key, std::string name,
                 int32_t* status = nullptr) {
  std::string value = "untouched";
  int32_t s = -1;
  reg.ReadString(2, key, name, value, s);
  if (status) *status = s;
  return value;
}

using cavix::test::ErrorOf;

const char* kExport =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; shipped with the add-in\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox]\r\n"
    "\"ApplDir\"=\"C:\\\\Program Files\\\\Zentrox\"\r\n"
    "\"Language\"=\"English (\\\"UK\\\")\"\r\n"
    "@=\"default text\"\r\n"
    "\"Count\"=dword:0000001a\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox\\Cavix]\r\n"
    "\"Norme Dir#0\"=\"\\\\Standards\\\\ISO\\\\\"\r\n"
    "\"Empty\"=\"\"\r\n";

TEST(RegistryReader, ReadsValuesAsWindowsDoes) {
  const test::TempDir dir("cavix_services_");
  auto reg = MakeRegistryReader(dir.Write("cavix.reg", kExport));
  const std::string maker = "SOFTWARE\\Norvalis\\Zentrox", addIn = maker + "\\Cavix";
  const struct {
    std::string key, name, value;
    int32_t status;
  } rows[] = {
      {"software\\NORVALIS\\zentrox", "applDIR", "C:\\Program Files\\Zentrox", 0},
      {maker, "Language", "English (\"UK\")", 0},
      {maker, "", "default text", 0},
      {maker, "Count", "26", 0},
      {addIn, "Norme Dir#0", "\\Standards\\ISO\\", 0},
      {addIn, "Norme Dir#1", "", 2},
      {"SOFTWARE\\Nobody", "ApplDir", "", 2},
  };
  for (const auto& r : rows) {
    int32_t status = -1;
    EXPECT_EQ(Read(*reg, r.key, r.name, &status), r.value) << r.key << " " << r.name;
    EXPECT_EQ(status, r.status) << r.key << " " << r.name;
  }
}

TEST(RegistryReader, AcceptsRegeditsUtf16ExportAndLfLines) {
  const std::u16string wide =
      u"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"Città\"=\"Zürich\"\n";
  std::string bytes = "\xFF\xFE";  // UTF-16LE with its byte order mark
  for (char16_t u : wide) bytes += {char(u & 0xFF), char(u >> 8)};
  const test::TempDir dir("cavix_services_");
  auto reg = MakeRegistryReader(dir.Write("wide.reg", bytes));
  EXPECT_EQ(Read(*reg, "K", "CITTÀ"), "");  // case folding is ASCII-only; the exact name is found
  EXPECT_EQ(Read(*reg, "k", "Città"), "Zürich");
}

TEST(RegistryReader, MissingFileReadsEmptySyntaxErrorsNameFileAndLine) {
  const test::TempDir dir("cavix_services_");
  int32_t status = 0;
  auto missing = MakeRegistryReader((dir.path / "none.reg").string());
  EXPECT_EQ(Read(*missing, "SOFTWARE\\Norvalis\\Zentrox", "ApplDir", &status), "");
  EXPECT_EQ(status, 2);

  const std::string h = "Windows Registry Editor Version 5.00\n",
                    k = h + "[HKEY_LOCAL_MACHINE\\K]\n";
  const struct {
    std::string text;
    int line;
    const char* problem;
  } cases[] = {
      {"REGEDIT5\n", 1, "Windows Registry Editor Version 5.00"},
      {h + "\"A\"=\"1\"\n", 2, "before the first [KEY]"},
      {h + "[SOFTWARE\\K]\n", 2, "root"},
      {k + "\n\"A\"=\"C:\\dir\"\n", 4, "unknown escape"},
      {k + "\"A\"=\"open\n", 3, "missing closing quote"},
      {k + "\"A\"=hex:01,02\n", 3, "only string and dword"},
  };
  for (const auto& c : cases) {
    std::string file = dir.Write("bad.reg", c.text);
    auto reg = MakeRegistryReader(file);
    const rt::Error e = cavix::test::Raised([&] { Read(*reg, "K", "A"); });
    EXPECT_EQ(e.Number(), kInvalidFileFormat) << c.text;
    std::string expected = "\"" + file + "\", line " + std::to_string(c.line) + ": ";
    EXPECT_NE(e.Description().find(expected), std::string::npos) << e.Description();
    EXPECT_NE(e.Description().find(c.problem), std::string::npos) << e.Description();
  }
}

TEST(SettingsReader, SectionsAndKeysIgnoreCase) {
  const test::TempDir dir("cavix_services_");
  std::string file =
      dir.Write("settings.ini",
                "; host settings\r\n[Directories]\r\nThreadFile = /opt/cavix\\Images\\ \r\n"
                "ThreadFile=second\r\nQuoted=\" spaced \"\r\n\r\n[Empty]\r\n");
  auto ini = MakeSettingsReader(file);
  auto select = [](host::ISettingsReader& reader, std::string section) {
    bool found = false;
    reader.SelectSection(section, found);
    return found;
  };
  // The value and whether it was found.
  auto read = [&](std::string key) {
    std::string value;
    bool found = false;
    ini->ReadKey(key, value, found);
    return std::pair{value, found};
  };
  ASSERT_TRUE(select(*ini, "DIRECTORIES"));
  EXPECT_EQ(read("threadfile"), std::pair(std::string("/opt/cavix\\Images\\"), true));
  EXPECT_EQ(read("Quoted").first, " spaced ");
  ini->EndSection();
  EXPECT_FALSE(read("ThreadFile").second);
  EXPECT_FALSE(select(*ini, "Nowhere"));
  EXPECT_FALSE(select(*MakeSettingsReader(dir.File("none.ini")), "Directories"));

  for (const char* bad : {"ThreadFile=x\n", "[Directories]\nno equals sign\n", "[Directories\n"}) {
    std::string f = dir.Write("bad.ini", bad);
    const rt::Error e = cavix::test::Raised([&] { MakeSettingsReader(f); });
    EXPECT_EQ(e.Number(), kInvalidFileFormat) << bad;
    EXPECT_NE(e.Description().find(f + "\", line "), std::string::npos) << e.Description();
  }
}

TEST(UnitsService, ConvertsConsistentlyBetweenCodes) {
  auto units = MakeUnitsService();
  auto convert = [&](double v, int32_t from, int32_t to) {
    return units->Convert(nullptr, v, from, to);
  };
  const int32_t codes[] = {1, 2, 4, 7, 11};
  for (int32_t a : codes)
    for (int32_t b : codes) {
      EXPECT_DOUBLE_EQ(convert(convert(12.7, a, b), b, a), 12.7) << a << "->" << b;
      for (int32_t c : codes)
        EXPECT_DOUBLE_EQ(convert(convert(3.0, a, b), b, c), convert(3.0, a, c)) << a << b << c;
    }
  // The thread texture height: 6.25 pitches of 1.5 mm given in inches lands in page millimetres.
  EXPECT_DOUBLE_EQ(convert(6.25 / (25.4 / 1.5), 4, 7), 6.25 * 1.5);
  for (int32_t bad : {0, 3, 5, 12, -1}) {
    EXPECT_EQ(ErrorOf([&] { convert(1, bad, 2); }), 5) << bad;
  }
}

}  // namespace
}  // namespace cavix::scene
