// Dialog scripts: malformed scripts reported with file and line before anything runs, and scripts
// played on a probe form with their JSON-lines output, skipped actions and failures.
#include "forms/script.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "tests/forms/json_lines.h"
#include "tests/forms/probe_form.h"
#include "tests/support/test_files.h"

namespace cavix::forms {
namespace {

using cavix::testing::ExpectForm;
using nlohmann::json;
using testing::ProbeForm;

std::vector<json> JsonLines(const std::string& out) { return cavix::testing::JsonEvents(out); }

// The message of the ScriptError that `f` raises, "" when it raises none.
std::string ScriptProblem(const std::function<void()>& f) {
  try {
    f();
  } catch (const ScriptError& e) {
    return e.what();
  }
  return "";
}
std::string ParseProblem(const std::string& text) {
  return ScriptProblem([&] { ParseScript(text, "probe.txt"); });
}

TEST(ScriptParse, MalformedLinesNameFileLineAndProblem) {
  struct Row {
    const char* line;
    const char* problem;
  };
  const Row rows[] = {
      {"clik OKButton", "unknown action 'clik'"},
      {"click", "click needs a control name"},
      {"click OK Button", "click takes only a control, but 'Button' follows"},
      {"check ToggleFlat 2", "check takes 0 or 1, not '2'"},
      {"select Sizes #x", "#INDEX needs a number"},
      {"text TxtPitch", "needs a text"},
      {"text TxtPitch \"abc", "no closing quote"},
      {"text TxtPitch \"a\" b", "more after the closing quote"},
      {"keys TxtPitch 1{F5}", "unknown key {F5}"},
      {"focus 9Lives", "'9Lives' is not a control name"},
      {"focus Opt(99999)", "out of range"},
      {"dump now", "dump takes nothing"},
  };
  for (const Row& r : rows) {
    // Two lines of comment and a blank line come first: the problem is on line 4.
    const std::string what = ParseProblem(std::string("# probe\n  # more\n\n") + r.line + "\n");
    EXPECT_EQ(what.rfind("probe.txt:4: ", 0), 0u) << r.line << " -> " << what;
    EXPECT_NE(what.find(r.problem), std::string::npos) << r.line << " -> " << what;
  }
  // Every malformed line is reported, before anything runs.
  const std::string what = ParseProblem("dump\nclik A\ndump\ncheck B 5\r\nclose\n");
  EXPECT_EQ(what.rfind("probe.txt:2: unknown action", 0), 0u) << what;
  EXPECT_NE(what.find("\nprobe.txt:4: check takes 0 or 1"), std::string::npos) << what;
}

TEST(ScriptParse, ArgumentsQuotesIndexesAndKeys) {
  // (Control array indexes, "#N" picks and check values are in every dialog test's scripts.)
  const Script s = ParseScript(
      "text TxtNote \"  padded \"\r\n"
      "text TxtNote \"\"\n"
      "text TxtNote a # not a comment   \n"
      "text TxtNote \"say \\\"hi\\\" \\\\\"\n"
      "\t select Sizes \"#2\"\n"
      "keys TxtNote a{enter}{{}{}}{^V}\xC3\xA9{BS}\n",
      "s.txt");
  ASSERT_EQ(s.actions.size(), 6u);
  const char* const texts[] = {"  padded ", "", "a # not a comment", "say \"hi\" \\"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(s.actions[i].text, texts[i]) << "line " << 1 + i;
  EXPECT_EQ(s.actions[4].selectIndex, -1);
  EXPECT_EQ(s.actions[4].text, "#2");
  EXPECT_EQ(s.actions[4].line, 5);
  EXPECT_EQ(s.actions[5].keys, (std::vector<int16_t>{'a', 13, '{', '}', 22, 233, 8}));
}

// What playing a script on a fresh probe form left: output, diagnostics, the ScriptError's text
// or the run-time error's number, the handlers' log.
struct Played {
  std::string out, diag, error;
  int runTimeError = 0;
  std::vector<std::string> log;
  bool shownAfter = false;
};

Played Play(const std::string& text, const std::function<void(ProbeForm&)>& setup = {}) {
  ProbeForm p;
  if (setup) setup(p);
  std::ostringstream out, diag;
  Played r;
  try {
    PlayScript(ParseScript(text, "t.txt"), out, diag, [&](Ui& ui) { p.ShowModal(ui); });
  } catch (const ScriptError& e) {
    r.error = e.what();
  } catch (const rt::Error& e) {
    r.runTimeError = e.Number();
  }
  r.out = out.str();
  r.diag = diag.str();
  r.log = p.log;
  r.shownAfter = p.form.IsShown();
  return r;
}

TEST(ScriptRun, RefusedActionsAreSkippedAndOutputIsJsonLines) {
  ProbeForm p;
  p.note.SetText("bad \xFF byte");  // dumped all the same, the byte replaced
  std::ostringstream out, diag;
  const Script script = LoadScript(CAVIX_FORMS_SCRIPTS "refused_then_ok.txt");
  PlayScript(script, out, diag, [&](Ui& ui) { p.ShowModal(ui); });

  const std::vector<json> lines = JsonLines(out.str());
  ASSERT_EQ(lines.size(), 3u) << out.str();
  for (int i : {0, 1}) {
    EXPECT_EQ(lines[i], (json{{"event", "message"},
                              {"title", ""},
                              {"text", "This value must be greater than zero"},
                              {"style", 48}}));
  }
  const json& form = lines[2];
  EXPECT_EQ(std::make_tuple(form["event"], form["name"], form["focus"]),
            std::make_tuple("form", "Probe", "TxtPitch"));
  ExpectForm(form, {{"TxtPitch.text", "2,5"},  // {BS} then "2.5" through the filter
                    {"Sizes.listIndex", -1},   // the refused pick did not happen
                    {"Sizes.list", json::array({{{"text", "M6"}, {"itemData", 6}},
                                                {{"text", "M8"}, {"itemData", 8}},
                                                {{"text", "M10"}, {"itemData", 10}}})},
                    {"OptKind(1).value", false}, {"TxtInFrame.enabled", true},
                    {"TxtNote.text", "bad \xEF\xBF\xBD byte"}});

  const std::string d = diag.str();
  EXPECT_NE(
      d.find("refused_then_ok.txt:5: click CancelButton skipped: the focus stayed in TxtPitch"),
      std::string::npos)
      << d;
  EXPECT_NE(d.find("refused_then_ok.txt:6: select Sizes skipped"), std::string::npos) << d;
  EXPECT_EQ(p.log.back(), "ok");
  EXPECT_FALSE(p.form.IsShown());
}

TEST(ScriptRun, FailingLineStopsTheScriptAndSaysWhy) {
  struct Row {
    const char* script;
    const char* error;
    size_t dumps;  // written before the failure
  };
  const Row rows[] = {
      {"text TxtNote a\nclick NoSuch\ndump\nclose",
       "t.txt:2: the form Probe has no control NoSuch", 0},
      {"click OptKind\nclose", "t.txt:1: OptKind is a control array: name an element", 0},
      {"select Sizes M12\nclose", "t.txt:1: Sizes has no entry 'M12' (entries: 'M6', 'M8', 'M10')",
       0},
      {"select Sizes #3\nclose", "Sizes has 3 entries, so there is no #3", 0},
      {"select TxtNote x\nclose", "select needs a list or combo box, but TxtNote is a textbox", 0},
      {"click LblSize\nclose", "LblSize is a label, which a user cannot click", 0},
      {"click Tabs(3)\nclose", "Tabs has 3 tab(s), 0 to 2", 0},
      {"click OKButton\ndump\n", "t.txt:2: the form was already closed", 0},
      {"text TxtNote hello\ndump\n", "t.txt: the script ended with the form Probe still open", 1},
  };
  for (const Row& row : rows) {
    const Played r = Play(row.script);
    EXPECT_NE(r.error.find(row.error), std::string::npos) << row.script << " -> " << r.error;
    EXPECT_EQ(JsonLines(r.out).size(), row.dumps) << row.script;
    EXPECT_FALSE(r.shownAfter);
  }
  // A host call that shows no form refused before any dialog: its actions are not looked at.
  std::ostringstream out, diag;
  EXPECT_EQ(PlayScript(ParseScript("\ndump\n", "n.txt"), out, diag, [](Ui&) {}), 0);
  EXPECT_EQ(out.str(), "");
}

TEST(ScriptRun, UnreachableControlsAreSkippedAndTheScriptGoesOn) {
  bool refuseClose = true;
  const Played r = Play(
      "click ToggleThrough\n"
      "click ToggleFlat\n"  // locked by the through toggle
      "check ToggleFlat 0\n"
      "text TxtInFrame x\n"
      "select Lengths 20\n"  // the exact entry first, then one with blanks around
      "select Lengths 30\n"
      "keys TxtNote ab{TAB}9\n"  // Tab moves on: the 9 goes to the next field, Sizes
      "close\nclose\n",
      [&](ProbeForm& p) {
        p.frame.SetVisible(false);
        for (const char* e : {" 20 ", "20", "30  "}) p.lengths.AddItem(e);
        p.lengths.OnClick([&p] { p.log.push_back("pick " + std::to_string(p.lengths.ListIndex())); });
        p.form.OnQueryUnload([&](bool& cancel, UnloadMode) {
          cancel = refuseClose;
          refuseClose = false;
        });
      });
  EXPECT_EQ(r.error, "");
  for (const char* skipped : {"t.txt:2: click ToggleFlat skipped: it is disabled",
                              "t.txt:3: check ToggleFlat skipped",
                              "t.txt:4: text TxtInFrame skipped: its frame FrameMore is hidden",
                              "t.txt:8: close: the form refused to close"})
    EXPECT_NE(r.diag.find(skipped), std::string::npos) << skipped << "\n" << r.diag;
  EXPECT_EQ(r.log, (std::vector<std::string>{"through begin", "flat 1", "through end", "pick 1",
                                             "pick 2"}));
  EXPECT_FALSE(r.shownAfter);
}

// (Message boxes are answered OK and written as JSON lines: every dialog test reads them.)
TEST(ScriptRun, HandlerErrorsReachTheCaller) {
  const Played r = Play("text TxtNote x\nclick OKButton\n", [](ProbeForm& p) {
    p.ok.OnClick([] { rt::Raise(53, {}, "Cavix.ini"); });
  });
  EXPECT_EQ(r.runTimeError, 53);
  EXPECT_NE(r.diag.find("t.txt:2: click OKButton: run-time error 53"), std::string::npos) << r.diag;
  EXPECT_FALSE(r.shownAfter);
}

TEST(ScriptLoad, FilesAreNamedInErrorsAndReadAsWindows1252WhenNotUtf8) {
  EXPECT_EQ(ScriptProblem([] { LoadScript("/nonexistent/dir/s.txt"); }),
            "/nonexistent/dir/s.txt: the dialog script does not exist");
  // (A folder is refused through `cavix drop` in app_test.cpp.)
  const cavix::test::TempDir dir("cavix_forms_");
  const std::string bad = dir.Write("bad.txt", "text TxtNote caf\xE9 \x80\r\nbogus\r\n");
  const std::string what = ScriptProblem([&] { LoadScript(bad); });
  EXPECT_EQ(what.rfind(bad + ":2: unknown action 'bogus'", 0), 0u) << what;
  const Script s = LoadScript(dir.Write("good.txt", "text TxtNote caf\xE9 \x80\r\n"));
  ASSERT_EQ(s.actions.size(), 1u);
  EXPECT_EQ(s.actions[0].text, "café €");
}

}  // namespace
}  // namespace cavix::forms
