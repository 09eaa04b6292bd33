// The preferences file: what a confirmed dialog writes, what the next drop restores, and how a
// short, broken or unwritable file is reported without losing the previous preferences.
#include "tests/dialog/harness.h"

namespace cavix::testing {
namespace {

using nlohmann::json;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    out.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
  return out;
}

// The controls' state a user sees (pictures aside).
json Visible(const json& form) {
  json out = form.at("controls");
  for (auto& [name, c] : out.items()) c.erase("picture");
  return out;
}

using PrefsTest = DialogTest;

// Fourteen lines in the display form, and the next drop opens exactly as the last one was
// confirmed (the typed fields written with the dialog precision).
TEST_F(PrefsTest, AConfirmedDialogIsWrittenAndRestored) {
  for (const char* locale : {"en_US", "it_IT"}) {
    SCOPED_TRACE(locale);
    Install({.locale = locale});
    const RunResult r = Drop(
        "click TabNorme(1)\nclick OptHoleType(3)\ncheck ToggleFiletto 1\nselect Misura #3\n"
        "select Lunghezza #2\ntext Lunghezza 1200\ntext AngSvaso 120\ntext DiamIncasso 30\n"
        "dump\nclick OKButton\n");
    ASSERT_TRUE(r.Messages().empty()) << r.out;
    const auto lines = Lines(ReadPrefsFile());
    ASSERT_EQ(lines.size(), 14u);
    // Tab, type, thread and flat-bottom toggles, standard; then length, drill and countersink
    // angles, the through toggle.
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 7),
              (std::vector<std::string>{" 1 ", " 4 ", " 1 ", " 0 ", " 0 "}));
    const bool comma = std::string(locale) == "it_IT";
    EXPECT_EQ(lines[8], comma ? "1.200,00" : "1,200.00");
    EXPECT_EQ(lines[9], comma ? "90,00" : "90.00");
    EXPECT_EQ(lines[12], comma ? "120,00" : "120.00");
    EXPECT_EQ(lines[13], " 0 ");

    const RunResult second = Drop("dump\nclick CancelButton\n");
    EXPECT_TRUE(second.Messages().empty());
    json before = Visible(r.LastForm()), after = Visible(second.LastForm());
    EXPECT_EQ(after["DiamIncasso"]["text"], comma ? "30,00" : "30.00");
    for (const char* typed : {"DiamIncasso", "ProfIncasso", "Lunghezza", "AngoloPunta", "AngSvaso"}) {
      before.erase(typed);
      after.erase(typed);
    }
    EXPECT_EQ(before, after);
  }
}

TEST_F(PrefsTest, ShortOrBrokenFilesStopTheRestoreWhereTheyAre) {
  struct Row {
    const char* file;
    const char* message;
    FormValues restored;
    double left = -1;  // the dialog's left edge, when the first line was read
  };
  const Row rows[] = {
      {" 1200 \r\n 900 \r\n 0 \r\n 3 \r\n 1 \r\n 0 \r\n 0 \r\n 2 \r\n 8.00\r\n 135.00\r\n",
       "ERRORE  62 Input past end of file",
       {{"OptHoleType(2).value", true}, {"ToggleFiletto.value", 1}, {"Misura.listIndex", 2},
        {"Lunghezza.text", "8.00"}, {"AngoloPunta.text", "135.00"}}},
      {" 0 \r\n 0 \r\n 0 \r\n 7 \r\n", "ERRORE  340 Control array element '6' doesn't exist",
       {{"OptHoleType(0).value", true}}},
      {" 0 \r\n 0 \r\n 0 \r\n 2 \r\n 1 \r\n 0 \r\n 9 \r\n", "ERRORE  380 Invalid property value",
       {{"OptHoleType(1).value", true}}},
      {"abc\r\n", "ERRORE  13 Type mismatch", {{"OptHoleType(0).value", true}}},
      // A bad second placement line keeps the first.
      {" 1234 \r\nabc\r\n", "ERRORE  13 Type mismatch", {{"OptHoleType(0).value", true}}, 1234},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    Install(InstallOptions{});
    std::ofstream(PrefsPath(), std::ios::binary) << row.file;
    const RunResult r = Drop("dump\nclick CancelButton\n");
    ASSERT_EQ(r.Messages().size(), 1u);
    EXPECT_EQ(r.Messages()[0], (json{{"event", "message"}, {"title", "Read Prefs"},
                                     {"text", row.message}, {"style", 16}}));
    ExpectForm(r.LastForm(), row.restored);
    // Whatever was restored, the lists are filled for the type shown.
    EXPECT_FALSE(r.LastForm().at("controls").at("Normativa").at("list").empty());
    if (row.left >= 0) {
      EXPECT_EQ(r.LastForm().at("position").at(0), row.left);
    }
  }
}

// Without a file the last type of this run is kept silently; editing a plain hole without a
// change still rebuilds it and writes the preferences (its stored length after the thread is -1
// while the field shows 0).
TEST_F(PrefsTest, WithoutAFileTheLastTypeOfThisRunIsKept) {
  ASSERT_TRUE(Drop("click OptHoleType(2)\nselect Misura 8\nclick OKButton\n").Messages().empty());
  fs::remove(PrefsPath());
  const RunResult second = Drop("dump\nclick CancelButton\n");
  EXPECT_TRUE(second.Messages().empty());
  ExpectForm(second.LastForm(),
             {{"OptHoleType(2).value", true}, {"Normativa.text", "ISO 10642 / DIN 74-F"}});

  const int updates = scene_->ActivePage().UpdateCount();
  scene::Shape& sink = *scene_->BoundShapes().front();
  EXPECT_TRUE(Edit(sink, "click OKButton\n").Messages().empty());
  EXPECT_GT(scene_->ActivePage().UpdateCount(), updates);
  EXPECT_TRUE(fs::exists(PrefsPath()));
}

TEST_F(PrefsTest, AFailedWriteLeavesThePreviousFileWhole) {
  ASSERT_TRUE(Drop("select Misura 8\nclick OKButton\n").Messages().empty());
  const std::string previous = ReadPrefsFile();
  // A countersink angle that is not a number, left behind in the dimmed field of a plain hole:
  // the hole is built, the preferences cannot be written.
  const RunResult r = Drop(
      "click OptHoleType(2)\ntext AngSvaso abc\nclick OptHoleType(0)\nselect Misura 10\n"
      "click OKButton\n");
  const auto m = r.Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0]["text"], "ERRORE  13 Type mismatch");
  EXPECT_EQ(m[0]["title"], "Write Prefs");
  EXPECT_EQ(ClassOf(*shape_), "Cavix.HoleSimple");
  EXPECT_EQ(ReadPrefsFile(), previous);
  for (const auto& entry : fs::directory_iterator(dir_->path))
    EXPECT_EQ(entry.path().filename().string().find("Cavix.prf."), std::string::npos)
        << "left behind: " << entry.path();
}

// Trouble with the user's folders (here a file where a folder should be) stays until the user
// acts: the dialog names the folder at its first showing and the holes are made all the same.
TEST_F(PrefsTest, TroubleWithTheUsersFoldersIsToldOnce) {
  const test::TempDir mine("cavix-mine-");
  mine.Write("config", "a file");
  mine.Write("data/Standards", "a file");
  Install({.user = {mine.File("config/cavix"), mine.File("data")}});
  const RunResult first = Drop("select Misura 8\nclick OKButton\n");
  const auto m = first.Messages();
  ASSERT_EQ(m.size(), 2u) << first.out;
  EXPECT_EQ(m[0]["title"], "Standards");
  EXPECT_NE(m[0]["text"].get<std::string>().find(mine.File("data/Standards")), std::string::npos);
  EXPECT_EQ(m[1]["title"], "Write Prefs");
  EXPECT_EQ(m[1]["text"], "ERRORE  75 \"" + mine.File("config") + "\" is not a folder");
  EXPECT_EQ(ClassOf(*shape_), "Cavix.HoleSimple");

  const RunResult second = Drop("select Misura 8\nclick OKButton\n");
  EXPECT_TRUE(second.Messages().empty()) << second.out;
  EXPECT_EQ(ClassOf(*shape_), "Cavix.HoleSimple");
}

}  // namespace
}  // namespace cavix::testing
