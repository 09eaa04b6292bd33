// The utility services over their files: registry export, host settings, the file test and the
// units service, as the hole logic calls them.
#include "scene/services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "runtime/error.h"
#include "scene/config_files.h"
#include "tests/support/test_files.h"

namespace cavix::scene {
namespace {

namespace fs = std::filesystem;

struct TempDir : test::TempDir {
  TempDir() : test::TempDir("cavix_services_") {}
};

std::string Read(host::IRegistryReader& reg, std::string key, std::string name,
                 int32_t* status = nullptr) {
  std::string value = "untouched";
  int32_t s = -1;
  reg.ReadString(2, key, name, value, s);
  if (status) *status = s;
  return value;
}

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
  TempDir dir;
  auto reg = MakeRegistryReader(dir.Write("cavix.reg", kExport));
  int32_t status = -1;
  EXPECT_EQ(Read(*reg, "SOFTWARE\\Norvalis\\Zentrox", "ApplDir", &status),
            "C:\\Program Files\\Zentrox");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Read(*reg, "software\\NORVALIS\\zentrox", "applDIR"), "C:\\Program Files\\Zentrox");
  EXPECT_EQ(Read(*reg, "SOFTWARE\\Norvalis\\Zentrox", "Language"), "English (\"UK\")");
  EXPECT_EQ(Read(*reg, "SOFTWARE\\Norvalis\\Zentrox", ""), "default text");
  EXPECT_EQ(Read(*reg, "SOFTWARE\\Norvalis\\Zentrox", "Count"), "26");
  EXPECT_EQ(Read(*reg, "SOFTWARE\\Norvalis\\Zentrox\\Cavix", "Norme Dir#0"), "\\Standards\\ISO\\");
  EXPECT_EQ(Read(*reg, "SOFTWARE\\Norvalis\\Zentrox\\Cavix", "Empty", &status), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Read(*reg, "SOFTWARE\\Norvalis\\Zentrox\\Cavix", "Norme Dir#1", &status), "");
  EXPECT_EQ(status, 2);
  EXPECT_EQ(Read(*reg, "SOFTWARE\\Nobody", "ApplDir"), "");
  // Values live under their root only.
  std::string key = "SOFTWARE\\Norvalis\\Zentrox", name = "ApplDir", value;
  int32_t s = 0;
  reg->ReadString(1, key, name, value, s);
  EXPECT_EQ(value, "");
  int32_t err = 0;
  try {
    reg->ReadString(9, key, name, value, s);
  } catch (const rt::Error& e) {
    err = e.Number();
  }
  EXPECT_EQ(err, 5);
}

TEST(RegistryReader, AcceptsRegeditsUtf16ExportAndLfLines) {
  std::string text =
      "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"Città\"=\"Zürich\"\n";
  // UTF-8 to UTF-16LE for the characters used here (all in the BMP).
  std::u16string wide;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = text[i];
    if (c < 0x80) {
      wide += char16_t(c);
      ++i;
    } else {
      wide += char16_t(((c & 0x1F) << 6) | (text[i + 1] & 0x3F));
      i += 2;
    }
  }
  std::string bytes = "\xFF\xFE";
  for (char16_t u : wide) {
    bytes += char(u & 0xFF);
    bytes += char(u >> 8);
  }
  TempDir dir;
  auto reg = MakeRegistryReader(dir.Write("wide.reg", bytes));
  EXPECT_EQ(Read(*reg, "K", "CITTÀ"), "");  // case folding is ASCII-only; the exact name is found
  EXPECT_EQ(Read(*reg, "k", "Città"), "Zürich");
}

TEST(RegistryReader, MissingFileReadsEmptySyntaxErrorsNameFileAndLine) {
  TempDir dir;
  int32_t status = 0;
  auto missing = MakeRegistryReader((dir.path / "none.reg").string());
  EXPECT_EQ(Read(*missing, "SOFTWARE\\Norvalis\\Zentrox", "ApplDir", &status), "");
  EXPECT_EQ(status, 2);

  struct Case {
    const char* text;
    int line;
    const char* problem;
  } cases[] = {
      {"REGEDIT5\n", 1, "Windows Registry Editor Version 5.00"},
      {"Windows Registry Editor Version 5.00\n\"A\"=\"1\"\n", 2, "before the first [KEY]"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\n\"A\"=\"C:\\dir\"\n", 4,
       "unknown escape"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"A\"=\"open\n", 3,
       "missing closing quote"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K\n", 2, "must end with \"]\""},
      {"Windows Registry Editor Version 5.00\n[SOFTWARE\\K]\n", 2, "root"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"A\"=\"1\" x\n", 3,
       "after the closing quote"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"A\"=hex:01,02\n", 3,
       "only string and dword"},
      {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\nA=\"1\"\n", 3, "expected"},
  };
  for (const auto& c : cases) {
    std::string file = dir.Write("bad.reg", c.text);
    auto reg = MakeRegistryReader(file);
    try {
      Read(*reg, "K", "A");
      ADD_FAILURE() << c.text;
    } catch (const rt::Error& e) {
      EXPECT_EQ(e.Number(), kInvalidFileFormat);
      std::string expected = "\"" + file + "\", line " + std::to_string(c.line) + ": ";
      EXPECT_NE(e.Description().find(expected), std::string::npos) << e.Description();
      EXPECT_NE(e.Description().find(c.problem), std::string::npos) << e.Description();
    }
  }
}

TEST(RegistryReader, FileTestMapsBackslashPaths) {
  TempDir dir;
  dir.Write("Images/3iaoftt.jpg", "jpg");
  auto reg = MakeRegistryReader("");
  bool exists = false;
  std::string built = dir.path.string() + "\\Images\\3iaoftt.jpg";
  reg->FileExists(built, exists);
  EXPECT_TRUE(exists);
  std::string folder = dir.path.string() + "\\Images";
  reg->FileExists(folder, exists);
  EXPECT_FALSE(exists);
  std::string none = "v:\\bin.32\\3iaoftt.jpg";
  reg->FileExists(none, exists);
  EXPECT_FALSE(exists);
}

TEST(SettingsReader, SectionsAndKeysIgnoreCase) {
  TempDir dir;
  std::string file =
      dir.Write("settings.ini",
                "; host settings\r\n[Directories]\r\nThreadFile = /opt/cavix\\Images\\ \r\n"
                "ThreadFile=second\r\nQuoted=\" spaced \"\r\n\r\n[Empty]\r\n");
  auto ini = MakeSettingsReader(file);
  std::string section = "DIRECTORIES", key = "threadfile", value;
  bool found = false;
  ini->SelectSection(section, found);
  ASSERT_TRUE(found);
  ini->ReadKey(key, value, found);
  EXPECT_TRUE(found);
  EXPECT_EQ(value, "/opt/cavix\\Images\\");
  key = "Quoted";
  ini->ReadKey(key, value, found);
  EXPECT_EQ(value, " spaced ");
  key = "Missing";
  ini->ReadKey(key, value, found);
  EXPECT_FALSE(found);
  ini->EndSection();
  key = "ThreadFile";
  ini->ReadKey(key, value, found);
  EXPECT_FALSE(found);

  section = "Empty";
  ini->SelectSection(section, found);
  EXPECT_TRUE(found);
  section = "Nowhere";
  ini->SelectSection(section, found);
  EXPECT_FALSE(found);

  auto none = MakeSettingsReader((dir.path / "none.ini").string());
  section = "Directories";
  none->SelectSection(section, found);
  EXPECT_FALSE(found);

  for (const char* bad : {"ThreadFile=x\n", "[Directories]\nno equals sign\n", "[Directories\n"}) {
    std::string f = dir.Write("bad.ini", bad);
    try {
      MakeSettingsReader(f);
      ADD_FAILURE() << bad;
    } catch (const rt::Error& e) {
      EXPECT_EQ(e.Number(), kInvalidFileFormat);
      EXPECT_NE(e.Description().find(f + "\", line "), std::string::npos) << e.Description();
    }
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
  EXPECT_EQ(convert(23.004, 7, 2), 23.004);
  EXPECT_EQ(convert(-8.5, 1, 11), -8.5);
  for (int32_t bad : {0, 3, 5, 12, -1}) {
    int n = 0;
    try {
      convert(1, bad, 2);
    } catch (const rt::Error& e) {
      n = e.Number();
    }
    EXPECT_EQ(n, 5) << bad;
  }
}

}  // namespace
}  // namespace cavix::scene

namespace cavix::scene {
namespace {

// Lines of arbitrary bytes and fragments: each file parses or is refused with 321 and its line.
TEST(ConfigFiles, ArbitraryLinesParseOrAreRefusedWithALine) {
  const char* fragments[] = {
      "[", "]", "\"", "\\",   "=",     "@",    "dword:", "HKEY_LOCAL_MACHINE\\",
      ";", "#", " ",  "\xFF", "\"A\"", "\\\\", "\\\""};
  std::mt19937 rng(7);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::string> lines;
    if (round % 2) lines.push_back("Windows Registry Editor Version 5.00");
    int count = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < count; ++i) {
      std::string line;
      int parts = static_cast<int>(rng() % 6);
      for (int p = 0; p < parts; ++p)
        line +=
            rng() % 4 ? fragments[rng() % std::size(fragments)] : std::string(1, char(rng() % 256));
      lines.push_back(line);
    }
    for (int kind = 0; kind < 2; ++kind) {
      try {
        if (kind == 0) {
          RegistryFile::Parse(lines, "r.reg").Value("HKEY_LOCAL_MACHINE\\A", "A");
        } else {
          SettingsFile::Parse(lines, "s.ini").Value("A", "A");
        }
      } catch (const rt::Error& e) {
        ASSERT_EQ(e.Number(), kInvalidFileFormat) << e.Description();
        ASSERT_NE(e.Description().find("\", line "), std::string::npos) << e.Description();
      }
    }
  }
}

}  // namespace
}  // namespace cavix::scene
