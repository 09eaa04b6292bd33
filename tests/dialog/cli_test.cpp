// The cavix command end to end: drop, edit and assign-event on model files of a private install,
// with dialog scripts beside this test and the demo's shipped scripts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/forms/json_lines.h"
#include "tests/support/install.h"
#include "tests/support/shell.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using cavix::test::Slurp;
using cavix::testing::ExpectForm;
using cavix::testing::JsonEvents;

struct Result : cavix::test::ShellResult {
  std::vector<json> Events(const std::string& kind = "") const { return JsonEvents(out, kind); }
};

const auto Quote = cavix::test::ShellQuote;

class CavixCommand : public ::testing::Test {
 protected:
  void SetUp() override { cavix::testing::WriteInstall(dir_.path); }

  Result Cavix(const std::string& args) {
    return {cavix::test::RunShell("CAVIX_LOCALE=en_US " + cavix::testing::UserFoldersEnv(dir_.path) +
                                      Quote(CAVIX_EXE) + " " + args +
                                      " --registry " + Quote(dir_.File("cavix.reg")) +
                                      " --settings " + Quote(dir_.File("settings.ini")),
                                  dir_)};
  }

  // A script file written into the test's folder.
  std::string Script(const std::string& name, const std::string& text) {
    return dir_.Write(name, text);
  }
  static std::string Fixture(const std::string& name) {
    return std::string(CAVIX_DIALOG_SCRIPTS) + name;
  }

  json Shape(const std::string& which) {
    const Result r = Cavix("show " + model_ + " " + Quote(which) + " --json");
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out);
  }
  std::vector<json> Shapes() {
    const Result r = Cavix("show " + model_ + " --json");
    EXPECT_EQ(r.status, 0) << r.err;
    return json::parse(r.out).get<std::vector<json>>();
  }
  // A variable of the hole data: "1:slot" numbers, "2:slot" texts.
  static json Var(const json& shape, const std::string& key) {
    return shape.at("components").at("34").at(0).at("vars").at(key).at("v");
  }
  static double Lowest(const json& shape) {
    double lowest = 0;
    for (const auto& chain : shape.at("profile"))
      for (const auto& p : chain) lowest = std::min(lowest, p.at(1).get<double>());
    return lowest;
  }
  std::string Prefs() const { return cavix::testing::UserPrefs(dir_.path).string(); }

  void NewModel(const std::string& extra = "") {
    const Result r = Cavix("new " + model_ + " " + extra);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  void PlaceM10() {
    const Result r = Cavix("drop " + model_ + " --script " + Fixture("m10_threaded_blind.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
  }

  cavix::test::TempDir dir_{"cavix-cli-"};
  std::string model_ = dir_.File("model.json");
};

// A drop, then edits of the placed hole. What the next drop restores is checked in
// prefs_test.cpp.
TEST_F(CavixCommand, EditsLeaveTheFileAloneUnlessTheHoleChanges) {
  NewModel();
  PlaceM10();
  const json hole = Shape("Hole M10x1.5");
  EXPECT_EQ(hole["class"], "Cavix.HoleSimple");
  // Drilled: the thread and the length after it; threaded, blind; the table's values.
  for (const auto& [key, value] :
       std::vector<std::pair<std::string, json>>{{"1:9", 25}, {"1:11", 20}, {"1:12", 1.5},
                                                 {"1:10", 10}, {"1:6", 1}, {"1:7", 0},
                                                 {"2:13", "ISO 262 coarse"}, {"2:14", "M10"},
                                                 {"2:15", "iso262.tab"}})
    EXPECT_EQ(Var(hole, key), value) << key;
  EXPECT_NEAR(Lowest(hole), -25 - 4.25, 1e-9);  // the 90-degree drill point of the 8.5 bore
  const std::string placed = Slurp(model_);
  fs::remove(Prefs());
  struct stat before {};
  ::stat(model_.c_str(), &before);

  // OK without a change: the model is not even rewritten, the preferences are not written.
  Result r = Cavix("edit " + model_ + " '#2' --script " + Script("ok.txt", "click OKButton\n"));
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  struct stat after {};
  ::stat(model_.c_str(), &after);
  EXPECT_EQ(Slurp(model_), placed);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_FALSE(fs::exists(Prefs()));

  // Cancel after a change.
  r = Cavix("edit " + model_ + " '#2' --script " +
            Script("cancel_edit.txt", "click OptHoleType(1)\ncheck ToggleFiletto 0\n"
                                      "select Misura 8\nclick CancelButton\n"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Slurp(model_), placed);

  // A change of the counterbore depth alone is a change: the hole is rebuilt with it (lengths
  // that compare exactly, so that nothing else differs).
  r = Cavix("edit " + model_ + " '#2' --script " +
            Script("cbore.txt",
                   "click OptHoleType(1)\ntext TxtLungAfterThread 5\nclick OKButton\n"));
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  r = Cavix("edit " + model_ + " '#2' --script " +
            Script("depth.txt", "text ProfIncasso 12\nclick OKButton\n"));
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_EQ(Var(Shape("#2"), "1:17"), 12);  // not the depth the table gave

  // Another type rebuilds the same shape as the new class.
  r = Cavix("edit " + model_ + " 'Hole M10x1.5' --script " +
            Script("csink.txt", "click OptHoleType(2)\nclick OKButton\n"));
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  const auto shapes = Shapes();
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[1]["id"], 2);
  EXPECT_EQ(shapes[1]["class"], "Cavix.HoleCSink");
  EXPECT_EQ(Var(shapes[1], "1:1"), 3);
}

// Refused or unfinished drops and edits say why, and leave the model file as it was.
TEST_F(CavixCommand, RefusedOrUnfinishedCommandsSaveNothing) {
  NewModel();
  PlaceM10();
  const std::string before = Slurp(model_);
  fs::remove(Prefs());
  const struct {
    std::string script;
    int status;
    const char* err;
  } rows[] = {
      {Script("cancel.txt", "select Misura 8\nclick CancelButton\n"), 0, ""},
      {Script("open.txt", "select Misura 10\n"), 1, "still open"},
      {Script("bad.txt", "select Misura M99\nclick OKButton\n"), 1, "bad.txt:1"},
  };
  for (const auto& row : rows) {
    const Result r = Cavix("drop " + model_ + " --script " + row.script);
    EXPECT_EQ(r.status, row.status) << row.script;
    EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(Prefs()));

  // On an inch page the only output is the message, no form.
  const std::string inch = dir_.File("inch.json");
  ASSERT_EQ(Cavix("new " + inch + " --units inch").status, 0);
  const std::string inchBefore = Slurp(inch);
  const Result r = Cavix("drop " + inch + " --script " + Fixture("m10_threaded_blind.txt"));
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.Events(),
            (std::vector<json>{{{"event", "message"}, {"title", "Zentrox"}, {"style", 0},
                                {"text",
                                 "This tool was designed to be used with scene units of "
                                 "millimeters."}}}));
  EXPECT_EQ(Slurp(inch), inchBefore);

  // Without its registry file the dialog could only answer every choice with "Bad file name or
  // number": the missing file is named before any dialog opens.
  const std::string registry = dir_.File("cavix.reg");
  fs::remove(registry);
  for (const std::string& command :
       {"drop " + model_ + " --script " + Fixture("m10_threaded_blind.txt"),
        "edit " + model_ + " '#2' --script " + Script("ok.txt", "click OKButton\n")}) {
    const Result missing = Cavix(command);
    EXPECT_EQ(missing.status, 1) << command;
    EXPECT_NE(missing.err.find("registry file \"" + registry + "\" not found"), std::string::npos)
        << missing.err;
    EXPECT_TRUE(missing.Events().empty()) << missing.out;
  }
  EXPECT_EQ(Slurp(model_), before);
}

// Standards files that cannot be read: the dialog's boxes keep their words, and the command's own
// line after them names the file, with "/"; check-tables says what the file is instead.
TEST_F(CavixCommand, UnreadableStandardsFilesAreNamed) {
  NewModel();
  const std::string before = Slurp(model_);
  const std::string plain = Quote(CAVIX_SHIPPED_SCRIPTS + std::string("plain_blind.txt"));
  const std::string iso = dir_.File("Standards/ISO/");
  for (const auto& [file, query] : {std::pair{iso + "Tab/iso273_medium.tab", "QData"},
                                    std::pair{iso + "Cavix.ini", "QNorma"}}) {
    SCOPED_TRACE(file);
    fs::rename(file, file + ".kept");
    fs::create_directory(file);
    const Result r = Cavix("drop " + model_ + " --at 30,30,20 --script " + plain);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.Events("message").at(0)["text"],
              std::string("Error  75 Path/File access error\r\nin ") + query);
    const std::string said = "cavix: the standards file \"" + file +
                             "\" could not be read: Error 75 Path/File access error in " + query;
    EXPECT_NE(r.err.find(said + "\n"), std::string::npos) << r.err;
    fs::remove(file);
    fs::rename(file + ".kept", file);
  }
  EXPECT_EQ(Slurp(model_), before);

  const std::string table = iso + "Tab/iso273_medium.tab";
  fs::rename(table, table + ".kept");
  fs::create_symlink("/dev/null", table);
  const Result checked = Cavix("check-tables");
  EXPECT_EQ(checked.status, 1);
  EXPECT_NE(
      checked.out.find("Cavix.ini:6: table file \"iso273_medium.tab\" is not a regular file (" +
                       table + ")"),
      std::string::npos)
      << checked.out;
  EXPECT_EQ(checked.out.find('\\'), std::string::npos) << checked.out;
}

TEST_F(CavixCommand, AssignEventMakesTheCatalogEntry) {
  NewModel();
  const Result r = Cavix("assign-event " + model_ + " '#1'");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto messages = r.Events("message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["text"], "OK!!");
  const json block = Shape("#1");
  EXPECT_EQ(block["components"]["25"][0]["vars"]["2"]["v"], 5);
  EXPECT_EQ(block["components"]["43"][0]["vars"]["1"]["v"],
            "{88D03354-D7EE-11D4-85A2-00E08110F9CF}");
  // Twice: the same components, a second entry.
  ASSERT_EQ(Cavix("assign-event " + model_ + " '#1'").status, 0);
  const json again = Shape("#1");
  EXPECT_EQ(again["components"]["25"].size(), 1u);
  EXPECT_EQ(again["components"]["43"].size(), 1u);
  const Result shown = Cavix("show " + model_);
  EXPECT_NE(shown.out.find("2 entries"), std::string::npos) << shown.out;
}

}  // namespace

// Many holes in one drop: a 4 x 3 grid (rows 15 apart along x, columns 10 along y) and an 8-hole
// bolt circle, each hole exactly what a single drop at its place makes; then an edit of one of
// them applied to all alike.
TEST_F(CavixCommand, PatternsPlaceWhatSingleDropsPlaceAndEditAllLikeFollows) {
  NewModel("--block 200,200,20");
  const std::string cbore = Quote(CAVIX_SHIPPED_SCRIPTS + std::string("cbore_through.txt"));
  const std::string plain = Quote(CAVIX_SHIPPED_SCRIPTS + std::string("plain_blind.txt"));
  ASSERT_EQ(Cavix("drop " + model_ + " --at 100,100,20 --grid 4,3,15,10 --script " + cbore).status,
            0);
  ASSERT_EQ(Cavix("drop " + model_ + " --at 100,100,20 --circle 8,40,22.5 --script " + plain).status,
            0);
  const std::vector<json> shapes = Shapes();
  ASSERT_EQ(shapes.size(), 1u + 12 + 8);

  // Where they must be: the grid centred on the point, rows along x, then the circle from 22.5°.
  std::vector<std::array<double, 3>> expected;
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 4; ++i)
      expected.push_back({100 + (i - 1.5) * 15, 100 + (j - 1) * 10.0, 20});
  for (int k = 0; k < 8; ++k) {
    const double a = (22.5 + 45 * k) * M_PI / 180;
    expected.push_back({100 + 40 * std::cos(a), 100 + 40 * std::sin(a), 20});
  }
  // Each is what a single drop of the same script makes: the same name, record, profile and
  // binding, wherever it stands.
  const std::string single = dir_.File("single.json");
  ASSERT_EQ(Cavix("new " + single + " --block 200,200,20").status, 0);
  ASSERT_EQ(Cavix("drop " + single + " --at 1,1,20 --script " + cbore).status, 0);
  ASSERT_EQ(Cavix("drop " + single + " --at 1,1,20 --script " + plain).status, 0);
  const json singles = json::parse(Cavix("show " + single + " --json").out);
  for (size_t n = 0; n < expected.size(); ++n) {
    SCOPED_TRACE(n);
    json hole = shapes[n + 1];
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(hole["position"][c].get<double>(), expected[n][c], 1e-9);
    json alone = singles.at(n < 12 ? 1 : 2);
    for (json* j : {&alone, &hole}) {
      j->erase("id");
      j->erase("position");
    }
    EXPECT_EQ(hole, alone);
  }
  // The counterbore's allowance comes from its own column of the table: M10 medium, 1 mm.
  EXPECT_EQ(Var(shapes[1], "1:12"), 1.0);

  // A change of the counterbore depth alone rebuilds the hole, and --all-like every one alike.
  const Result edit = Cavix("edit " + model_ + " --all-like '#5' --script " +
                            Script("depth.txt", "text ProfIncasso 12\nclick OKButton\n"));
  ASSERT_EQ(edit.status, 0) << edit.err << edit.out;
  const std::vector<json> after = Shapes();
  for (size_t n = 1; n < after.size(); ++n) {
    SCOPED_TRACE(n);
    if (n <= 12) {
      EXPECT_EQ(Var(after[n], "1:17"), 12);
      EXPECT_NEAR(Lowest(after[n]), -20, 1e-9);
    } else {
      EXPECT_EQ(after[n], shapes[n]);  // the circle's holes are not alike
    }
  }
}

// Holes from a placement file: a header, then x,y,z or x,y,z,nx,ny,nz a line. A line that is
// neither, and layouts that stack holes on one spot or place them far beyond the part, are
// refused naming the line or the option, and the model stays as it was.
TEST_F(CavixCommand, PlacementFilesAndLayoutsThatMakeNoSense) {
  NewModel();
  const std::string plain = Quote(CAVIX_SHIPPED_SCRIPTS + std::string("plain_blind.txt"));
  const std::string list =
      Script("at.csv", "x,y,z\n10,20,20\n\n 30 , 40 , 0 , 0, 0, 1 \n50,20,20\n");
  const Result placed = Cavix("drop " + model_ + " --at-file " + list + " --script " + plain);
  ASSERT_EQ(placed.status, 0) << placed.err;
  const std::vector<json> shapes = Shapes();
  ASSERT_EQ(shapes.size(), 4u);
  EXPECT_EQ(shapes[1]["position"], json::parse("[10.0, 20.0, 20.0]"));
  EXPECT_EQ(shapes[1]["normal"], json::parse("[0.0, 0.0, -1.0]"));
  EXPECT_EQ(shapes[2]["position"], json::parse("[30.0, 40.0, 0.0]"));
  EXPECT_EQ(shapes[2]["normal"], json::parse("[0.0, 0.0, 1.0]"));
  // The hole table counts holes alike in one line; one drilled 2 mm deeper is not alike.
  ASSERT_EQ(Cavix("edit " + model_ + " '#4' --script " +
                  Script("deeper.txt", "text Lunghezza 14\nclick OKButton\n"))
                .status,
            0);
  const std::string table = Cavix("holes " + model_).out;
  for (const char* line : {"#2 Hole  8  1×", "#4 Hole  8  1×"})
    EXPECT_NE(table.find(line), std::string::npos) << table;

  const std::string before = Slurp(model_);
  const struct {
    std::string options;
    int status;
    const char* said;
  } rows[] = {
      {"--at-file " + Script("bad.csv", "x,y,z\n1,2,3\n1,2\n"), 1,
       "bad.csv\": line 3: expected x,y,z or x,y,z,nx,ny,nz, found 2 numbers"},
      {"--at-file " + Script("far.csv", "x,y,z\n1e308,10,20\n"), 1,
       "far.csv\": line 2: the hole at (1e+308, 10, 20) lies beyond the part: holes go no farther "
       "from the part than its largest extent, 100: from (-100, -100, -100) to (200, 160, 120)"},
      {"--at 50,30,20 --grid 2,2,0,0", 2, "--grid: grid spacings must be positive, not 0"},
      {"--at 50,30,20 --circle 6,0", 2, "--circle: a bolt circle's radius must be positive, not 0"},
      {"--at 50,30,20 --circle 4,-10", 2, "--circle: a bolt circle's radius must be positive"},
      {"--at 50,30,20 --grid 3,3,1e308,1e308", 2, "--grid places a hole at (-1e+308, -1e+308, 20)"},
      {"--at 50,30,20 --circle 6,1e308", 2, "--circle places a hole at (1e+308, 30, 20), beyond"},
      {"--at 50,30,20 --at 201,30,20", 2, "--at places a hole at (201, 30, 20), beyond the part"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.options);
    const Result r = Cavix("drop " + model_ + " " + row.options + " --script " + plain);
    EXPECT_EQ(r.status, row.status);
    EXPECT_NE(r.err.find(row.said), std::string::npos) << r.err;
  }
  EXPECT_EQ(Slurp(model_), before);
}

// Tables and preferences stay inside their folders: an INI entry or a registry value that climbs
// out with ".." is refused, naming it, and nothing outside is read or written.
TEST_F(CavixCommand, PathsThatClimbOutOfTheirFoldersAreRefused) {
  NewModel();
  const std::string before = Slurp(model_);
  dir_.Write("outside.tab", "  M5 | 5 | 10\r\n");
  dir_.Write("Standards/ISO/Cavix.ini", "[1 0]\r\n\"..\\..\\..\\outside.tab\" \"Escape\"\r\n[END]\r\n");
  const Result table =
      Cavix("drop " + model_ + " --script " + Script("look.txt", "dump\nclick CancelButton\n"));
  ASSERT_EQ(table.status, 0) << table.err;
  const auto messages = table.Events("message");
  ASSERT_EQ(messages.size(), 1u) << table.out;
  EXPECT_NE(messages[0]["text"].get<std::string>().find("..\\..\\..\\outside.tab\" leads out"),
            std::string::npos)
      << messages[0];
  ExpectForm(table.Events("form").at(0), {{"Misura.list", json::array()}});

  // The preferences file named by the registry: refused before the dialog opens.
  std::string reg = Slurp(dir_.File("cavix.reg"));
  const std::string prefs = "\"File Prefs\"=\"\\\\Cavix.prf\"";
  reg.replace(reg.find(prefs), prefs.size(), "\"File Prefs\"=\"\\\\..\\\\escaped.prf\"");
  dir_.Write("cavix.reg", reg);
  const Result r = Cavix("drop " + model_ + " --script " + Fixture("m10_threaded_blind.txt"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"File Prefs\""), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_.path.parent_path() / "escaped.prf"));
  EXPECT_EQ(Slurp(model_), before);
}
