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

// The controls' state a user sees (focus and pictures aside).
json Visible(const json& form) {
  json out = json::object();
  for (const auto& [name, c] : form.at("controls").items()) {
    json v = c;
    v.erase("picture");
    out[name] = v;
  }
  return out;
}

using PrefsTest = DialogTest;

TEST_F(PrefsTest, AConfirmedDialogWritesFourteenLinesInTheDisplayForm) {
  for (const char* locale : {"en_US", "it_IT"}) {
    SCOPED_TRACE(locale);
    InstallOptions o;
    o.locale = locale;
    Install(o);
    const RunResult r = Drop(
        "click OptHoleType(3)\ncheck ToggleFiletto 1\nselect Misura M12\ntext Lunghezza 1200\n"
        "text AngSvaso 120\nclick OKButton\n");
    ASSERT_TRUE(r.Messages().empty()) << r.out;
    const auto lines = Lines(ReadPrefsFile());
    ASSERT_EQ(lines.size(), 14u);
    // Tab, type, thread and flat-bottom toggles, standard; then length, drill and countersink
    // angles, the through toggle.
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 7),
              (std::vector<std::string>{" 0 ", " 4 ", " 1 ", " 0 ", " 0 "}));
    const bool comma = std::string(locale) == "it_IT";
    EXPECT_EQ(lines[8], comma ? "1.200,00" : "1,200.00");
    EXPECT_EQ(lines[9], comma ? "90,00" : "90.00");
    EXPECT_EQ(lines[12], comma ? "120,00" : "120.00");
    EXPECT_EQ(lines[13], " 0 ");
  }
}

TEST_F(PrefsTest, TheNextDropOpensExactlyAsTheLastOneWasConfirmed) {
  for (const char* locale : {"en_US", "de_DE"}) {
    SCOPED_TRACE(locale);
    InstallOptions o;
    o.locale = locale;
    Install(o);
    const RunResult first = Drop(
        "click TabNorme(1)\nclick OptHoleType(1)\ncheck ToggleFiletto 1\nselect Misura #3\n"
        "select Lunghezza #2\ntext DiamIncasso 30\ntext ProfIncasso 9\ndump\nclick OKButton\n");
    ASSERT_TRUE(first.Messages().empty()) << first.out;
    const RunResult second = Drop("dump\nclick CancelButton\n");
    EXPECT_TRUE(second.Messages().empty());
    json before = Visible(first.LastForm());
    json after = Visible(second.LastForm());
    // The typed fields come back written with the dialog precision.
    EXPECT_EQ(after["DiamIncasso"]["text"], std::string(locale) == "de_DE" ? "30,00" : "30.00");
    for (const char* typed :
         {"DiamIncasso", "ProfIncasso", "Lunghezza", "AngoloPunta", "AngSvaso"}) {
      before.erase(typed);
      after.erase(typed);
    }
    EXPECT_EQ(before, after);
  }
}

TEST_F(PrefsTest, ATenLineFileRestoresTenLinesAndReportsInputPastEnd) {
  std::ofstream(PrefsPath(), std::ios::binary)
      << " 1200 \r\n 900 \r\n 0 \r\n 3 \r\n 1 \r\n 0 \r\n 0 \r\n 2 \r\n 8.00\r\n 135.00\r\n";
  const RunResult r = Drop("dump\nclick CancelButton\n");
  EXPECT_EQ(r.Messages(), (std::vector<json>{{{"event", "message"}, {"title", "Read Prefs"},
                                              {"text", "ERRORE  62 Input past end of file"},
                                              {"style", 16}}}));
  ExpectForm(r.LastForm(), {{"OptHoleType(2).value", true}, {"ToggleFiletto.value", 1},
                            {"Misura.listIndex", 2}, {"Lunghezza.text", "8.00"},
                            {"AngoloPunta.text", "135.00"}});
}

TEST_F(PrefsTest, BrokenLinesStopTheRestoreWhereTheyAre) {
  struct Row {
    const char* file;
    const char* message;
    int holeType;  // the type the dialog opens on
  };
  const Row rows[] = {
      {" 0 \r\n 0 \r\n 0 \r\n 7 \r\n", "ERRORE  340 Control array element '6' doesn't exist", 1},
      {" 0 \r\n 0 \r\n 0 \r\n 2 \r\n 1 \r\n 0 \r\n 9 \r\n", "ERRORE  380 Invalid property value",
       2},
      {"abc\r\n", "ERRORE  13 Type mismatch", 1},
      {" 0 \r\n 0 \r\n 5 \r\n", "ERRORE  380 Invalid property value", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    Install(InstallOptions{});
    std::ofstream(PrefsPath(), std::ios::binary) << row.file;
    const RunResult r = Drop("dump\nclick CancelButton\n");
    ASSERT_EQ(r.Messages().size(), 1u);
    EXPECT_EQ(r.Messages()[0]["text"], row.message);
    EXPECT_EQ(r.Messages()[0]["title"], "Read Prefs");
    const json f = r.LastForm();
    ExpectForm(f, {{"OptHoleType(" + std::to_string(row.holeType - 1) + ").value", true}});
    // Whatever was restored, the lists are filled for the type shown.
    EXPECT_FALSE(f.at("controls").at("Normativa").at("list").empty());
  }
}

// The two placement lines are the dialog's position; a bad second line keeps the first one.
TEST_F(PrefsTest, PlacementLinesAreTheDialogsPosition) {
  ASSERT_TRUE(Drop("select Misura 8\nclick OKButton\n").Messages().empty());
  const std::string written = ReadPrefsFile();
  const std::string rest = written.substr(written.find("\r\n", written.find("\r\n") + 2));
  const struct {
    std::string lines;
    double left, top;
    size_t messages;
  } rows[] = {
      {" 1234 \r\n 567 ", 1234, 567, 0},
      {" 1234 \r\nabc", 1234, (768 * 15 - 5325) / 2, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.lines);
    std::ofstream(PrefsPath(), std::ios::binary) << row.lines << rest;
    const RunResult r = Drop("dump\nclick CancelButton\n");
    EXPECT_EQ(r.Messages().size(), row.messages);
    EXPECT_EQ(r.LastForm().at("position"), json::array({row.left, row.top}));
  }
}

TEST_F(PrefsTest, WithoutAFileTheLastTypeOfThisRunIsKeptSilently) {
  const RunResult first = Drop("click OptHoleType(2)\nselect Misura 8\nclick OKButton\n");
  ASSERT_TRUE(first.Messages().empty());
  fs::remove(PrefsPath());
  const RunResult second = Drop("dump\nclick CancelButton\n");
  EXPECT_TRUE(second.Messages().empty());
  ExpectForm(second.LastForm(),
             {{"OptHoleType(2).value", true}, {"Normativa.text", "ISO 10642 / DIN 74-F"}});
}

TEST_F(PrefsTest, AFailedWriteLeavesThePreviousFileWhole) {
  ASSERT_TRUE(Drop("select Misura 8\nclick OKButton\n").Messages().empty());
  const std::string previous = ReadPrefsFile();
  ASSERT_EQ(Lines(previous).size(), 14u);
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

TEST_F(PrefsTest, EditingAPlainHoleWithoutChangeStillRebuildsIt) {
  // Its stored length after thread is -1 while the field shows 0: that counts as a change.
  ASSERT_TRUE(Drop("select Misura 8\nclick OKButton\n").Messages().empty());
  fs::remove(PrefsPath());
  const int updates = scene_->ActivePage().UpdateCount();
  const RunResult r = Edit(*shape_, "click OKButton\n");
  EXPECT_TRUE(r.Messages().empty());
  EXPECT_GT(scene_->ActivePage().UpdateCount(), updates);
  EXPECT_TRUE(fs::exists(PrefsPath()));
}

}  // namespace
}  // namespace cavix::testing
