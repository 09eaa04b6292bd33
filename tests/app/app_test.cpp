// The `cavix` command as users run it: new and show through the built program, the error and
// usage boundaries, and the shared option handling.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli.h"
#include "hole_objects/class_list.h"
#include "scene/model_file.h"
#include "tests/support/shell.h"
#include "tests/support/test_files.h"

namespace cavix::app {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

using cavix::test::Slurp;
using Result = test::ShellResult;

Result Program(const test::TempDir& dir, const std::vector<std::string>& args) {
  return test::RunShell(test::CommandLine(CAVIX_BINARY, args), dir);
}

Result InProcess(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int status = Run(args, out, err);
  return {status, out.str(), err.str()};
}

// A folder of each test's own, and the name of a model file in it.
class CavixProgram : public ::testing::Test {
 protected:
  const test::TempDir dir{"cavix_app_"};
  std::string model = dir.File("m.json");
};
using CavixCommandLine = CavixProgram;
using CavixShow = CavixProgram;

TEST_F(CavixProgram, NewThenShowPrintsTheStoredBlockWithItsOptions) {
  Result made = Program(dir, {"new", model});
  ASSERT_EQ(made.status, 0) << made.err;
  Result shown = Program(dir, {"show", model, "--json"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  json shapes = json::parse(shown.out);
  ASSERT_EQ(shapes.size(), 1u);
  const json& block = shapes[0];
  EXPECT_EQ(block["name"], "Block");
  EXPECT_EQ(block["components"]["1"][0]["vars"]["3"], (json{{"t", "f64"}, {"v", 20.0}}));
  // What show prints is what the file stores, plus the class.
  json expected = json::parse(Slurp(model))["pages"][0]["parts"][0]["shapes"][0];
  expected["class"] = nullptr;
  EXPECT_EQ(block, expected);

  // The block, units and precision options.
  model = dir.File("inch.json");
  made = Program(dir, {"new", model, "--block", "40.5,30,0.1", "--units=inch", "--precision", "4"});
  ASSERT_EQ(made.status, 0) << made.err;
  auto scene = scene::LoadModel(model);
  EXPECT_EQ(scene->ActivePage().UnitsEx(2), rt::Variant(int32_t{1}));
  EXPECT_EQ(scene->App().DialogPrecision(), rt::Variant(int32_t{4}));
  EXPECT_EQ(scene->FindShape("#1")->Components(1).Item(1).Value(3), rt::Variant(0.1));
  shown = Program(dir, {"show", model});
  EXPECT_NE(shown.out.find("size 40.5 x 30 x 0.1"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("page in inch"), std::string::npos) << shown.out;
}

TEST_F(CavixProgram, FailuresReportAndLeaveTheModelAsItWas) {
  ASSERT_EQ(Program(dir, {"new", model, "--block", "10,10,10"}).status, 0);
  std::string before = Slurp(model);

  Result again = Program(dir, {"new", model});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("cavix: error 58: "), std::string::npos) << again.err;
  EXPECT_EQ(Slurp(model), before);
  EXPECT_EQ(Program(dir, {"new", model, "--force"}).status, 0);
  EXPECT_NE(Slurp(model), before);  // replaced by the default block

  std::string broken = dir.File("broken.json");
  std::string half = before.substr(0, before.size() / 2);
  std::ofstream(broken, std::ios::binary) << half;
  Result bad = Program(dir, {"show", broken, "--json"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(
      bad.err.rfind("cavix: error 321: model file \"" + broken + "\": not JSON or cut short", 0),
      0u)
      << bad.err;
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(Slurp(broken), half);
}

// What a careless or hostile user hands the command: files that are not models or scripts, a
// model whose ids are used up (deep nesting is the model-file tests'). Each is refused at once,
// in words that name the file and the cause, and no model changes.
TEST_F(CavixProgram, HostileInputIsRefusedInWordsAndChangesNothing) {
  const std::string script = CAVIX_TEST_DATA_DIR "/scripts/plain_blind.txt";
  ASSERT_EQ(Program(dir, {"new", model}).status, 0);
  const std::string pipe = dir.File("pipe"), folder = dir.File("folder"),
                    huge = dir.File("huge.json");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  fs::create_directories(folder);
  dir.Write("huge.json", "");
  fs::resize_file(huge, scene::kMaxModelBytes + 1);  // sparse: costs no disk
  json full = json::parse(Slurp(model));
  full["pages"][0]["parts"][0]["shapes"][0]["id"] = INT32_MAX;
  const std::string lastId = dir.Write("last-id.json", full.dump(2));
  const std::string before = Slurp(model), lastBefore = Slurp(lastId);

  const struct {
    std::vector<std::string> args;
    std::string said;
  } cases[] = {
      {{"show", "/dev/zero"}, "error 75: model file \"/dev/zero\" is not a regular file"},
      {{"show", pipe}, "model file \"" + pipe + "\" is not a regular file"},
      {{"show", folder}, "model file \"" + folder + "\" is a folder"},
      {{"show", huge}, "model file \"" + huge + "\" is larger than 1024 MB"},
      {{"drop", model, "--script", "/dev/zero"},
       "/dev/zero: the dialog script is not a regular file"},
      {{"drop", model, "--script", folder}, folder + ": the dialog script is a folder"},
      {{"drop", model, "--registry", "/dev/zero", "--script", script},
       "registry file \"/dev/zero\" is not a regular file"},
      // The whole line: said once, with no name of the object inside Cavix that raised it.
      {{"drop", lastId, "--script", script},
       "cavix: error 6: no shape id is left: the model already holds one with the id 2147483647, "
       "the largest there is\n"},
      // A carriage return in a name would send the cursor back over the message.
      {{"show", dir.File("no\rsuch.json")},
       "model file \"" + dir.File("no\\rsuch.json") + "\" does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    // Bounded, so that a reader that blocks or reads without end fails instead of hanging.
    const Result r = test::RunShell("timeout 20 " + test::CommandLine(CAVIX_BINARY, c.args), dir);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
  }
  EXPECT_EQ(Slurp(model), before);
  EXPECT_EQ(Slurp(lastId), lastBefore);
}

// Names come from files anyone may edit. On the terminal their control characters are escapes, so
// that a name cannot clear the screen, return to the start of the line or turn the text around.
TEST_F(CavixProgram, ControlCharactersInNamesAreEscapedOnTheTerminal) {
  ASSERT_EQ(Program(dir, {"new", model}).status, 0);
  const std::string script = CAVIX_TEST_DATA_DIR "/scripts/plain_blind.txt";
  ASSERT_EQ(Program(dir, {"drop", model, "--at", "30,30,20", "--script", script}).status, 0);
  json j = json::parse(Slurp(model));
  j["pages"][0]["parts"][0]["shapes"][1]["name"] = "Hole \x1b[2J\rX\xc2\x9b\xe2\x80\xae";
  dir.Write("m.json", j.dump(2));
  const std::string escaped = "Hole \\x1b[2J\\rX\\u009b\\u202e";
  // The hole table's CSV escapes them the same way: a spreadsheet or a terminal shows the file.
  for (const std::vector<std::string>& args : {std::vector<std::string>{"show", model},
       {"show", model, "#2"}, {"regen", model}, {"regen", model, "#2"}, {"holes", model},
       {"holes", model, "--csv"}}) {
    SCOPED_TRACE(args[0] + " " + args.back());
    Result r = Program(dir, args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(escaped), std::string::npos) << r.out;
    for (size_t crlf; (crlf = r.out.find("\r\n")) != std::string::npos;) r.out.erase(crlf, 1);
    for (const char* raw : {"\x1b", "\r", "\xc2\x9b", "\xe2\x80\xae"})
      EXPECT_EQ(r.out.find(raw), std::string::npos) << r.out;
  }
}

TEST_F(CavixCommandLine, WrongUseExitsWithTwoAndTheUsage) {
  const std::vector<std::vector<std::string>> wrong = {
      {}, {"bogus"}, {"new"}, {"new", model, "extra"}, {"new", model, "--units", "cm"},
      {"new", model, "--precision", "16"}, {"new", model, "--block", "1,2,x"},
      {"new", model, "--block", "0,2,3"}, {"new", model, "--block", "1e308,1e308,1e308"},
      {"new", model, "--block", "10,1e-9,10"}, {"new", model, "--force=yes"},
      {"show", model, "--colour"}};
  for (const auto& args : wrong) {
    Result r = InProcess(args);
    EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
    EXPECT_NE(r.err.find("usage: cavix"), std::string::npos) << testing::PrintToString(args);
  }
  EXPECT_FALSE(fs::exists(model));
  EXPECT_EQ(InProcess({"new", "--help"}).status, 0);
  // A fault of cavix itself is said to be one, apart from the numbered errors of bad input.
  EXPECT_EQ(ErrorLine(rt::InternalError("x")).rfind("cavix: internal error: x", 0), 0u);
  EXPECT_EQ(ErrorLine(rt::Error(5, "x")), "cavix: error 5: x");
}

// Shapes are found by id or name, named with their class; an unknown class or id is said.
TEST_F(CavixShow, FindsShapesByNameOrIdAndNamesTheirClass) {
  auto scene = scene::Scene::NewModel();
  scene->AddDroppedShape().Components(43).AddComponent().SetValue(
      1, rt::Variant("{00000000-0000-0000-0000-00000000DEAD}"));
  scene::Shape& b = scene->AddDroppedShape({1, 0, 0}, {0, 30, 10});
  b.SetName("Hole 10");
  const host::ClassInfo cls = HoleClasses().at(0);
  b.Components(43).AddComponent().SetValue(1, rt::Variant(cls.classId));
  scene::SaveModel(*scene, model);
  // (By id with --json, and the class of a hole, are read by the dialog's command tests.)
  EXPECT_NE(InProcess({"show", model, "Hole 10"}).out.find("shape #3 \"Hole 10\""),
            std::string::npos);
  EXPECT_NE(InProcess({"show", model}).out.find("bound to unknown class {00000000"),
            std::string::npos);
  Result none = InProcess({"show", model, "#9"});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("no shape has the id #9"), std::string::npos) << none.err;
}

}  // namespace
}  // namespace cavix::app
