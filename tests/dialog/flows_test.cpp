// The hole dialog played by scripts on the real form over a private install: what a drop opens
// with, how choices re-shape the form, the entry checks, OK and Cancel, editing a placed hole.
// Drops, edits and catalog entries through the cavix command are in cli_test.cpp.
#include "tests/dialog/harness.h"

namespace cavix::testing {
namespace {

using nlohmann::json;

std::vector<std::string> ListTexts(const json& form, const std::string& control) {
  std::vector<std::string> out;
  for (const auto& e : form.at("controls").at(control).at("list")) out.push_back(e.at("text"));
  return out;
}

int ShapeCount(scene::Scene& sc) { return static_cast<int>(sc.AllShapes().size()); }

// Expects a run's form dumps to show `dumps`, and its message boxes to say `messages` (a part of
// each text), both in order.
void ExpectRun(const RunResult& r, const std::vector<FormValues>& dumps,
               const std::vector<std::string>& messages = {}) {
  const auto forms = r.Forms();
  ASSERT_EQ(forms.size(), dumps.size()) << r.out;
  for (size_t i = 0; i < forms.size(); ++i) {
    SCOPED_TRACE("dump " + std::to_string(i + 1));
    ExpectForm(forms[i], dumps[i]);
  }
  const auto m = r.Messages();
  ASSERT_EQ(m.size(), messages.size()) << r.out;
  for (size_t i = 0; i < m.size(); ++i)
    EXPECT_NE(m[i]["text"].get<std::string>().find(messages[i]), std::string::npos) << m[i];
}

// ---- Opening ----

TEST_F(DialogTest, FirstDropOpensOnThePlainHoleWithTheFirstStandardAndSize) {
  const RunResult r = Drop("dump\nclick CancelButton\n");
  EXPECT_TRUE(r.Messages().empty()) << r.out;
  const json f = r.LastForm();
  EXPECT_EQ(f["caption"], "Zentrox");
  ExpectForm(f, {{"OptHoleType(0).value", true}, {"OptHoleType(1).value", false},
                 {"TabNorme.tabs", {"ISO", "UNC/UNF"}}, {"TabNorme.tab", 0},
                 {"Normativa.text", "ISO 273 medium"}, {"Misura.text", "1.6"},
                 {"Misura.tag", "iso273_medium.tab"}, {"Lunghezza.text", "1.5"},
                 {"FrameIncSvas.enabled", false}, {"OKButton.enabled", true},
                 {"OptHoleType(3).picture", 4}});
  EXPECT_EQ(ListTexts(f, "Normativa").size(), 4u);
  EXPECT_EQ(ShapeCount(*scene_), 1);  // Cancel after a drop takes the dropped shape away again

  // A third family gives a third tab; choosing it lists its standards for the current type.
  Install({.families = {kShippedFamilies[0], kShippedFamilies[1], kFixtureFamily[0]}});
  const RunResult three = Drop("click TabNorme(2)\ndump\nclick CancelButton\n");
  ExpectForm(three.LastForm(),
             {{"TabNorme.tabs", {"ISO", "UNC/UNF", "Fixture"}}, {"Misura.text", "8"}});
  EXPECT_EQ(ListTexts(three.LastForm(), "Normativa"),
            (std::vector<std::string>{"Plain bores", "Plain fine", "Missing table"}));
}

TEST_F(DialogTest, CaptionsAndMessagesFollowTheLanguage) {
  struct Row {
    const char* language;
    const char* lengthCaption;
    const char* positive;
    const char* recess;
  };
  const Row rows[] = {
      {"Italian", "Lung. Foro", "Il valore inserito deve essere maggiore di 0",
       "Il Diametro Incasso deve essere maggiore del diametro foro"},
      {"English (United States)", "Hole Length", "This value must be greater than zero",
       "This Diameter must be grater than the hole diameter"},
      {"German", "L\xC3\xA4nge", "This value must to be greather than zero",
       "This Diameter must to be grather that diameter of the hole"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.language);
    Install({.language = row.language});
    const RunResult r = Drop(
        "dump\nclick OptHoleType(1)\ncheck ToggleFiletto 1\ntext ProfIncasso 0\nfocus DiamIncasso\n"
        "text ProfIncasso 5\ntext DiamIncasso 1\nfocus ProfIncasso\ntext DiamIncasso 20\n"
        "click CancelButton\n");
    ExpectForm(r.Forms()[0], {{"LblLunghezza.caption", row.lengthCaption}});
    const auto m = r.Messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], (json{{"event", "message"}, {"title", ""}, {"text", row.positive},
                          {"style", 48}}));
    EXPECT_EQ(m[1]["text"], row.recess);
  }
}

// ---- Reactions ----

// Each row: a script with dumps, and what each dump shows.
struct Reaction {
  const char* what;
  const char* script;  // "click CancelButton" is added
  std::vector<FormValues> dumps;
  bool fixtureFamily = false;
  const char* locale = "en_US";
};

TEST_F(DialogTest, ChoicesReshapeTheForm) {
  const Reaction rows[] = {
      {"the thread toggle keeps the size across the prefix, or falls back to the first",
       "select Misura 10\ncheck ToggleFiletto 1\ndump\ncheck ToggleFiletto 0\ndump\n"
       "select Misura 12\ncheck ToggleFiletto 1\ndump\n"
       "check ToggleFiletto 0\nselect Misura 8\ncheck ToggleFiletto 1\ndump\n",
       {{{"Normativa.text", "Threads M"}, {"Misura.text", "M10"},
         {"TxtLungAfterThread.text", "5.5"}, {"TxtThreadPitch.text", "1.5"},
         {"TxtThreadPitch.enabled", true}, {"OptHoleType(0).picture", 5},
         {"Lunghezza.list",
          {{{"text", "15"}, {"itemData", 0}}, {{"text", "20"}, {"itemData", 1}}}}},
        {{"Misura.text", "10"}, {"TxtThreadPitch.enabled", false},
         {"LblLunghezza.caption", "Hole Length"}},
        {{"Misura.text", "M12"}},  // "M12" is listed, so 12 becomes M12 too
        {{"Misura.text", "M10"}}},  // no M8: the first size
       true},
      {"through locks a flat bottom and takes the thickness",
       "check ToggleFiletto 1\ncheck TogglePassante 1\ndump\ncheck TogglePassante 0\ndump\n",
       {{{"TogglePunta.value", 1}, {"TogglePunta.enabled", false}, {"AngoloPunta.text", "0"},
         {"Lunghezza.text", "20.00"}, {"TxtLungAfterThread.enabled", false},
         {"OptHoleType(0).picture", 17}},
        {{"TogglePunta.value", 0}, {"TogglePunta.enabled", true}, {"AngoloPunta.text", "90"},
         {"TxtLungAfterThread.enabled", true}, {"OptHoleType(0).picture", 5}}}},
      {"another standard turns a flat bottom off, another size does not",
       "check TogglePunta 1\nselect Misura 8\ndump\nselect Normativa Plain fine\ndump\n",
       {{{"TogglePunta.value", 1}, {"AngoloPunta.text", "0"}, {"OptHoleType(1).picture", 14}},
        {{"TogglePunta.value", 0}, {"AngoloPunta.text", "90"}, {"Misura.text", "8"}}},
       true},
      {"the countersink angle is folded when a size is chosen",
       "click OptHoleType(2)\ntext AngSvaso 0\ndump\nselect Misura 8\ndump\n"
       "text AngSvaso 270\nselect Misura 10\ndump\n",
       {{{"AngSvaso.text", "0"}, {"AngSvaso.enabled", true}, {"ProfIncasso.enabled", false}},
        {{"AngSvaso.text", "90"}},
        {{"AngSvaso.text", "90"}}}},
      {"the recess group follows the hole type, keeping its values while dimmed",
       "click OptHoleType(3)\nselect Misura 12\ndump\nclick OptHoleType(0)\ndump\n"
       "click OptHoleType(1)\ndump\n",
       {{{"FrameIncSvas.enabled", true}, {"ProfIncasso.enabled", true},
         {"AngSvaso.enabled", true}, {"DiamIncasso.text", "20"}},
        {{"FrameIncSvas.enabled", false}, {"DiamIncasso.enabled", false},
         {"lblLungInc.enabled", false}, {"DiamIncasso.text", "20"}},
        {{"ProfIncasso.enabled", true}, {"AngSvaso.enabled", false}}}},
      {"the drill angle is folded when the field is left",
       "text AngoloPunta 200\nfocus Lunghezza\ndump\ntext AngoloPunta -118\nfocus Lunghezza\ndump\n"
       "text AngoloPunta 180\nfocus Lunghezza\ndump\n",
       {{{"AngoloPunta.text", "20"}},
        {{"AngoloPunta.text", "-118"}},
        {{"AngoloPunta.text", "0"}, {"TogglePunta.value", 1}, {"AngoloPunta.enabled", false}}},
       false, "de_DE"},
  };
  for (const Reaction& row : rows) {
    SCOPED_TRACE(std::string(row.what) + " (" + row.locale + ")");
    Install(
        {.locale = row.locale, .families = row.fixtureFamily ? kFixtureFamily : kShippedFamilies});
    ExpectRun(Drop(std::string(row.script) + "click CancelButton\n"), row.dumps);
  }
}

TEST_F(DialogTest, AFailedQueryDisablesOkUntilAChoiceSucceeds) {
  Install({.families = kFixtureFamily});
  // No countersink section in this family: said, nothing listed, OK disabled again.
  ExpectRun(Drop("select Normativa Missing table\ndump\nclick OKButton\n"
                 "select Normativa Plain bores\ndump\nclick OptHoleType(2)\ndump\n"
                 "click OptHoleType(3)\ndump\nclick CancelButton\n"),
            {{{"OKButton.enabled", false}},
             {{"OKButton.enabled", true}},
             {{"Normativa.list", json::array()}, {"OKButton.enabled", false}},
             {{"OKButton.enabled", true}}},
            {"missing.tab", "Cavix.ini\rin QNorma"});
}

// ---- Entry rules ----

// Typed with either decimal key, a number gets the region's separator once; table values are
// shown in the regional form and stored as numbers.
TEST_F(DialogTest, NumbersTypedAndShownInTheRegionalForm) {
  struct Row {
    const char* locale;
    const char* typed;
    const char* shown;
  };
  // Digits, the separator and Backspace pass; letters, signs, blanks and control keys do not.
  const Row rows[] = {{"en_US", "1,2.5", "1.25"}, {"en_US", "a-1 E{^V}.5", "1.5"},
                      {"de_DE", "1.2,5", "1,25"}, {"it_IT", "-2.5{BS}7", "2,7"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.locale) + " typed " + row.typed);
    Install({.locale = row.locale});
    ExpectRun(Drop(std::string("check ToggleFiletto 1\ntext TxtThreadPitch \"\"\n") +
                   "keys TxtThreadPitch " + row.typed + "\ndump\nclick CancelButton\n"),
              {{{"TxtThreadPitch.text", row.shown}}});
  }

  Install({.locale = "de_DE"});
  const RunResult r = Drop(
      "click OptHoleType(1)\ncheck ToggleFiletto 1\nselect Misura M10\nselect Lunghezza 20\n"
      "dump\nclick OKButton\n");
  ExpectForm(r.LastForm(), {{"ProfIncasso.text", "10,6"}, {"DiamIncasso.text", "18"},
                            {"TxtThreadPitch.text", "1,5"}});
  EXPECT_TRUE(r.Messages().empty()) << r.out;
  EXPECT_EQ(std::vector<double>({Num(*shape_, 17), Num(*shape_, 16), Num(*shape_, 12),
                                 Num(*shape_, 11)}),
            std::vector<double>({10.6, 18, 1.5, 20}));
}

// A recess no wider than the hole is refused, even against Cancel; a plain size without a number
// accepts any positive recess.
TEST_F(DialogTest, RefusedValuesHoldTheFocusEvenAgainstCancel) {
  ExpectRun(Drop("click OptHoleType(1)\ncheck ToggleFiletto 1\nselect Misura M10\n"
                 "text DiamIncasso 10\nclick CancelButton\ndump\n"
                 "text DiamIncasso 10.5\nclick CancelButton\n"),
            {{{"focus", "DiamIncasso"}}}, {"This Diameter must be grater than the hole diameter"});
  ExpectRun(Drop("click TabNorme(1)\nclick OptHoleType(1)\nselect Misura #0\n"
                 "text DiamIncasso 0.5\nfocus ProfIncasso\ndump\nclick CancelButton\n"),
            {{{"focus", "ProfIncasso"}}});
}

TEST_F(DialogTest, ValuesRoundedAwayOrNotNumbersAreRefused) {
  struct Row {
    const char* field;
    const char* text;
    bool refused;
  };
  const Row rows[] = {
      {"TxtThreadPitch", "0.001", true}, {"TxtThreadPitch", "0.006", false},
      {"TxtThreadPitch", "abc", true},   {"ProfIncasso", "-1", true},
      {"ProfIncasso", "", true},         {"DiamIncasso", "x", true},
      {"DiamIncasso", "10.004", true},   {"DiamIncasso", "10.006", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.field) + " '" + row.text + "'");
    const RunResult r = Drop(
        std::string("click OptHoleType(1)\ncheck ToggleFiletto 1\nselect Misura M10\n") + "text " +
        row.field + " \"" + row.text + "\"\nfocus Lunghezza\ndump\ntext " + row.field +
        " 20\nclick CancelButton\n");
    EXPECT_EQ(r.Messages().size(), row.refused ? 1u : 0u);
    EXPECT_EQ(r.Forms()[0]["focus"], row.refused ? row.field : "Lunghezza");
  }
}

// ---- OK and closing ----

// At OK, values without a check of their own that hold no number are reported, and values that
// would not make a hole are refused like a typed value; either way the dialog stays open, nothing
// is built and nothing remembered.
TEST_F(DialogTest, OkRefusesWhatMakesNoHoleAndTheDialogStaysOpen) {
  struct Row {
    const char* setup;
    const char* message;
    const char* focus;  // nullptr: not checked
  };
  const Row rows[] = {
      {"check ToggleFiletto 1\ntext TxtLungAfterThread \"\"\n", "Error 13 Type mismatch", nullptr},
      {"text AngoloPunta abc\nfocus Lunghezza\n", "Error 13 Type mismatch", nullptr},
      {"text Lunghezza 0\n", "This value must be greater than zero", "Lunghezza"},
      {"text AngoloPunta 100000\nfocus Lunghezza\n", "This value must be greater than zero",
       "AngoloPunta"},
      {"click OptHoleType(2)\ntext AngSvaso 500\nfocus Lunghezza\n",
       "This value must be greater than zero", "AngSvaso"},
      {"check ToggleFiletto 1\nselect Misura M10\ntext TxtLungAfterThread -5\n",
       "This value must be greater than zero", "TxtLungAfterThread"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.setup);
    ExpectRun(Drop(std::string(row.setup) + "click OKButton\ndump\nclick CancelButton\n"),
              {row.focus ? FormValues{{"focus", row.focus}} : FormValues{}}, {row.message});
    EXPECT_FALSE(fs::exists(PrefsPath()));
    EXPECT_EQ(ShapeCount(*scene_), 1);
  }
  EXPECT_EQ(Drop("text Lunghezza \"\"\nclick OKButton\nclick CancelButton\n").Messages().at(0),
            (json{{"event", "message"}, {"title", "Zentrox"}, {"text", "Error 13 Type mismatch"},
                  {"style", 16}}));
  // A length no row of the size comes near names the table, the size and the length.
  const std::string far =
      Drop("text Lunghezza 99999999999\nclick OKButton\nclick CancelButton\n").Messages().at(0)
          ["text"];
  EXPECT_EQ(far.rfind("Error 5 \"", 0), 0u) << far;
  EXPECT_NE(far.find("\" has no row of size \""), std::string::npos) << far;
  EXPECT_NE(far.find("\" for length 99999999999"), std::string::npos) << far;
}

TEST_F(DialogTest, EnterPressesOkEscapeDoesNothingAndTheFrameNeitherAppliesNorDiscards) {
  const RunResult r = Drop("keys Lunghezza {ESC}\ndump\nkeys Lunghezza {ENTER}\n");
  EXPECT_EQ(r.Forms().size(), 1u);
  EXPECT_EQ(ClassOf(*shape_), "Cavix.HoleSimple");

  EXPECT_TRUE(Drop("close\n").Messages().empty());
  EXPECT_EQ(ShapeCount(*scene_), 3);
  EXPECT_TRUE(shape_->BindingTag().empty());
}

// ---- Editing ----

using EditTest = DialogTest;

// (OK without a change is checked through `cavix edit` in cli_test.cpp.)
TEST_F(EditTest, TheEditorShowsTheStoredHole) {
  EXPECT_TRUE(Drop("check ToggleFiletto 1\nselect Misura M10\nselect Lunghezza 20\n"
                   "text TxtLungAfterThread 5\nclick OKButton\n")
                  .Messages()
                  .empty());
  scene::Shape& s = *shape_;
  const RunResult r = Edit(s, "dump\nclick CancelButton\n");
  ExpectForm(r.LastForm(), {{"Misura.text", "M10"}, {"Lunghezza.text", "20.00"},
                            {"TxtLungAfterThread.text", "5.00"}, {"TxtThreadPitch.text", "1.50"},
                            {"ToggleFiletto.value", 1}});

  // A stored length after the thread of -1 (drilled 10, thread 20) shows the table's.
  s.Components(34).Item(1).SetValue(1, int16_t{9}, rt::Variant(10.0));
  ExpectForm(Edit(s, "dump\nclick CancelButton\n").LastForm(),
             {{"TxtLungAfterThread.text", "7.3"}, {"Lunghezza.text", "20.00"}});
}

}  // namespace
}  // namespace cavix::testing
