// The hole dialog played by scripts on the real form over a private install: what a drop opens
// with, how choices re-shape the form, the entry checks, OK and Cancel, editing a placed hole.
#include "dialog/drop_hole.h"
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

// Success when a run showed no message box; else the run's output.
::testing::AssertionResult NoMessages(const RunResult& r) {
  if (r.Messages().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << r.out;
}

// ---- Opening ----

TEST_F(DialogTest, FirstDropOpensOnThePlainHoleWithTheFirstStandardAndSize) {
  const RunResult r = Drop("dump\nclick CancelButton\n");
  ASSERT_TRUE(NoMessages(r));
  const json f = r.LastForm();
  EXPECT_EQ(f["caption"], "Zentrox");
  ExpectForm(f, {{"OptHoleType(0).value", true}, {"OptHoleType(1).value", false},
                 {"OptHoleType(2).value", false}, {"OptHoleType(3).value", false},
                 {"TabNorme.tabs", {"ISO", "UNC/UNF"}}, {"TabNorme.tab", 0},
                 {"Normativa.text", "ISO 273 medium"}, {"Misura.text", "1.6"},
                 {"Misura.tag", "iso273_medium.tab"}, {"Lunghezza.text", "1.5"},
                 // A plain hole has no recess.
                 {"FrameIncSvas.enabled", false}, {"DiamIncasso.enabled", false},
                 {"OKButton.enabled", true}, {"OptHoleType(0).picture", 1},
                 {"OptHoleType(3).picture", 4}});
  EXPECT_EQ(ListTexts(f, "Normativa").size(), 4u);
  // Cancel after a drop takes the dropped shape away again.
  EXPECT_EQ(ShapeCount(*scene_), 1);
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
      {"", "Hole Length", "This value must be greater than zero",
       "This Diameter must be grater than the hole diameter"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.language);
    InstallOptions o;
    o.language = row.language;
    Install(o);
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

TEST_F(DialogTest, ThreeFamiliesGiveThreeTabsInOneRow) {
  InstallOptions o;
  o.families.push_back({"Fixture", "\\Family\\"});
  Install(o);
  const RunResult r = Drop("dump\nclick TabNorme(2)\ndump\nclick CancelButton\n");
  ExpectForm(r.Forms()[0], {{"TabNorme.tabs", {"ISO", "UNC/UNF", "Fixture"}}, {"TabNorme.tab", 0}});
  // Choosing a family lists its standards for the current type.
  EXPECT_EQ(ListTexts(r.Forms()[1], "Normativa"),
            (std::vector<std::string>{"Plain bores", "Plain fine", "Missing table"}));
  ExpectForm(r.Forms()[1], {{"Misura.text", "8"}});
}

// ---- Building holes ----

TEST_F(DialogTest, PlainBoreTakesItsAllowanceAndNoThreadValues) {
  ASSERT_TRUE(NoMessages(
      Drop("click OptHoleType(2)\ntext AngSvaso 90\nselect Misura 8\nclick OKButton\n")));
  scene::Shape& s = *shape_;
  EXPECT_EQ(ClassOf(s), "Cavix.HoleCSink");
  EXPECT_EQ(Num(s, 6), 0);
  // A countersink keeps no counterbore depth, whatever the depth field holds.
  EXPECT_TRUE(s.Components(34).Item(1).Value(1, 17).IsEmpty());
  EXPECT_EQ(Num(s, 18), 90);
  EXPECT_EQ(s.Name().rfind("CSHole ", 0), 0u) << s.Name();
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
  const FormValues recessOn = {{"FrameIncSvas.enabled", true}, {"DiamIncasso.enabled", true},
                               {"ProfIncasso.enabled", true},  {"AngSvaso.enabled", true},
                               {"LblAngSvaso.enabled", true},  {"DiamIncasso.text", "20"}};
  const Reaction rows[] = {
      {"the thread toggle keeps the size across the prefix, or falls back to the first",
       "select Misura 10\ncheck ToggleFiletto 1\ndump\ncheck ToggleFiletto 0\ndump\n"
       "select Misura 12\ncheck ToggleFiletto 1\ndump\n"
       "check ToggleFiletto 0\nselect Misura 8\ncheck ToggleFiletto 1\ndump\n"
       "select Misura M16\ncheck ToggleFiletto 0\ndump\n",
       {{{"Normativa.text", "Threads M"}, {"Misura.text", "M10"},
         {"TxtLungAfterThread.text", "5.5"}, {"TxtThreadPitch.text", "1.5"},
         {"TxtThreadPitch.enabled", true}, {"OptHoleType(0).picture", 5},
         {"Lunghezza.list",
          {{{"text", "15"}, {"itemData", 0}}, {{"text", "20"}, {"itemData", 1}}}}},
        {{"Misura.text", "10"}, {"TxtThreadPitch.enabled", false},
         {"LblLunghezza.caption", "Hole Length"}},
        {{"Misura.text", "M12"}},  // "M12" is listed, so 12 becomes M12 too
        {{"Misura.text", "M10"}},  // no M8, no plain 16: the first size
        {{"Misura.text", "8"}}},
       true},
      {"through locks a flat bottom and takes the thickness",
       "check ToggleFiletto 1\ncheck TogglePassante 1\ndump\ncheck TogglePassante 0\ndump\n",
       {{{"TogglePunta.value", 1}, {"TogglePunta.enabled", false}, {"AngoloPunta.text", "0"},
         {"AngoloPunta.enabled", false}, {"Lunghezza.text", "20.00"},
         {"TxtLungAfterThread.enabled", false}, {"TxtThreadPitch.enabled", true},
         {"OptHoleType(0).picture", 17}},
        {{"TogglePunta.value", 0}, {"TogglePunta.enabled", true}, {"AngoloPunta.text", "90"},
         {"AngoloPunta.enabled", true}, {"TxtLungAfterThread.enabled", true},
         {"OptHoleType(0).picture", 5}}}},
      {"another standard turns a flat bottom off, another size does not",
       "check TogglePunta 1\nselect Misura 8\ndump\nselect Normativa Plain fine\ndump\n",
       {{{"TogglePunta.value", 1}, {"AngoloPunta.text", "0"}, {"OptHoleType(1).picture", 14}},
        {{"TogglePunta.value", 0}, {"AngoloPunta.text", "90"}, {"Misura.text", "8"}}},
       true},
      {"the countersink angle is folded when a size is chosen",
       "click OptHoleType(2)\ntext AngSvaso 0\ndump\nselect Misura 8\ndump\n"
       "text AngSvaso 270\nselect Misura 10\ndump\n",
       {{{"AngSvaso.text", "0"}}, {{"AngSvaso.text", "90"}}, {{"AngSvaso.text", "90"}}}},
      {"the recess group follows the hole type, keeping its values while dimmed",
       "click OptHoleType(3)\nselect Misura 12\ndump\nclick OptHoleType(0)\ndump\n"
       "click OptHoleType(1)\ndump\n",
       {recessOn,
        {{"FrameIncSvas.enabled", false}, {"DiamIncasso.enabled", false},
         {"ProfIncasso.enabled", false}, {"AngSvaso.enabled", false},
         {"lblLungInc.enabled", false}, {"DiamIncasso.text", "20"}},
        {{"ProfIncasso.enabled", true}, {"AngSvaso.enabled", false}}}},
  };
  std::vector<Reaction> all(std::begin(rows), std::end(rows));
  // The drill angle is folded when its field is left, in both regions.
  for (const char* locale : {"en_US", "de_DE"}) {
    all.push_back({"the drill angle is folded when the field is left",
                   "text AngoloPunta 200\nfocus Lunghezza\ndump\n"
                   "text AngoloPunta -118\nfocus Lunghezza\ndump\n"
                   "text AngoloPunta 180\nfocus Lunghezza\ndump\n",
                   {{{"AngoloPunta.text", "20"}},
                    {{"AngoloPunta.text", "-118"}},
                    {{"AngoloPunta.text", "0"}, {"TogglePunta.value", 1},
                     {"AngoloPunta.enabled", false}}},
                   false, locale});
  }
  for (const Reaction& row : all) {
    SCOPED_TRACE(std::string(row.what) + " (" + row.locale + ")");
    InstallOptions o = row.fixtureFamily ? FixtureFamily() : InstallOptions{};
    o.locale = row.locale;
    Install(o);
    const RunResult r = Drop(std::string(row.script) + "click CancelButton\n");
    EXPECT_TRUE(r.Messages().empty()) << r.out;
    const auto forms = r.Forms();
    ASSERT_EQ(forms.size(), row.dumps.size());
    for (size_t i = 0; i < forms.size(); ++i) {
      SCOPED_TRACE("dump " + std::to_string(i + 1));
      ExpectForm(forms[i], row.dumps[i]);
    }
  }
}

TEST_F(DialogTest, AFailedQueryDisablesOkUntilAChoiceSucceeds) {
  Install(FixtureFamily());
  const RunResult r = Drop(
      "select Normativa Missing table\ndump\nclick OKButton\nselect Normativa Plain bores\ndump\n"
      "click OptHoleType(2)\ndump\nclick OptHoleType(3)\ndump\nclick CancelButton\n");
  const auto forms = r.Forms();
  ExpectForm(forms[0], {{"OKButton.enabled", false}});
  ExpectForm(forms[1], {{"OKButton.enabled", true}});
  // No countersink section in this family: nothing listed, OK disabled again.
  ExpectForm(forms[2], {{"Normativa.list", json::array()}, {"OKButton.enabled", false}});
  ExpectForm(forms[3], {{"OKButton.enabled", true}, {"DiamIncasso.enabled", true}});
  const auto m = r.Messages();
  ASSERT_GE(m.size(), 1u);
  EXPECT_NE(m[0]["text"].get<std::string>().find("missing.tab"), std::string::npos);
  EXPECT_NE(r.diag.find("click OKButton skipped"), std::string::npos) << r.diag;
}

// ---- Entry rules ----

TEST_F(DialogTest, TypedNumbersUseTheRegionalSeparatorOnce) {
  struct Row {
    const char* locale;
    const char* typed;
    const char* shown;
  };
  const Row rows[] = {{"en_US", "1,2.5", "1.25"}, {"en_US", "a-1 .5", "1.5"},
                      {"de_DE", "1.2,5", "1,25"}, {"it_IT", "-2.5{BS}7", "2,7"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.locale) + " typed " + row.typed);
    InstallOptions o;
    o.locale = row.locale;
    Install(o);
    const RunResult r = Drop(
        std::string("check ToggleFiletto 1\ntext TxtThreadPitch \"\"\nkeys TxtThreadPitch ") +
        row.typed + "\ndump\nclick CancelButton\n");
    ExpectForm(r.Forms()[0], {{"TxtThreadPitch.text", row.shown}});
    EXPECT_TRUE(r.Messages().empty());
  }
}

TEST_F(DialogTest, TableValuesAreShownInTheRegionalForm) {
  InstallOptions o;
  o.locale = "de_DE";
  Install(o);
  const RunResult r = Drop(
      "click OptHoleType(1)\ncheck ToggleFiletto 1\nselect Misura M10\nselect Lunghezza 20\n"
      "dump\nclick OKButton\n");
  ExpectForm(r.LastForm(), {{"ProfIncasso.text", "10,6"}, {"DiamIncasso.text", "18"},
                            {"TxtThreadPitch.text", "1,5"}});
  ASSERT_TRUE(NoMessages(r));
  EXPECT_EQ(Num(*shape_, 17), 10.6);
  EXPECT_EQ(Num(*shape_, 16), 18);
  EXPECT_EQ(Num(*shape_, 12), 1.5);
  EXPECT_EQ(Num(*shape_, 11), 20);
}

TEST_F(DialogTest, RefusedValuesHoldTheFocusEvenAgainstCancel) {
  const RunResult r = Drop(
      "click OptHoleType(1)\ncheck ToggleFiletto 1\nselect Misura M10\n"
      "text DiamIncasso 10\nclick CancelButton\ndump\n"
      "text DiamIncasso 10.5\nclick CancelButton\n");
  const auto m = r.Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0]["text"], "This Diameter must be grater than the hole diameter");
  EXPECT_EQ(r.Forms()[0]["focus"], "DiamIncasso");
  ExpectForm(r.Forms()[0], {{"DiamIncasso.text", "10"}});
  EXPECT_EQ(ShapeCount(*scene_), 1);
}

TEST_F(DialogTest, ValuesRoundedAwayOrNotNumbersAreRefused) {
  struct Row {
    const char* field;
    const char* text;
    bool refused;
  };
  const Row rows[] = {
      {"TxtThreadPitch", "0.001", true}, {"TxtThreadPitch", "0.006", false},
      {"TxtThreadPitch", "", true},      {"TxtThreadPitch", "abc", true},
      {"ProfIncasso", "-1", true},       {"ProfIncasso", "", true},
      {"DiamIncasso", "", true},         {"DiamIncasso", "x", true},
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

TEST_F(DialogTest, APlainSizeWithoutNumberAcceptsAnyPositiveRecess) {
  InstallOptions o;
  o.families = {{"UNC/UNF", "\\Standards\\UNC\\"}};
  Install(o);
  const RunResult r = Drop(
      "click OptHoleType(1)\nselect Misura #0\ntext DiamIncasso 0.5\nfocus ProfIncasso\n"
      "dump\nclick CancelButton\n");
  EXPECT_TRUE(r.Messages().empty());
  EXPECT_EQ(r.Forms()[0]["focus"], "ProfIncasso");
}

TEST_F(DialogTest, EnterPressesOkAndEscapeDoesNothing) {
  const RunResult r = Drop("keys Lunghezza {ESC}\ndump\nkeys Lunghezza {ENTER}\n");
  EXPECT_EQ(r.Forms().size(), 1u);
  EXPECT_EQ(ClassOf(*shape_), "Cavix.HoleSimple");
}

// ---- OK failures, closing ----

TEST_F(DialogTest, AFailureDuringOkIsReportedAndTheDialogStaysOpen) {
  // Fields without a check of their own that hold no number when OK is pressed.
  for (const char* setup : {"check ToggleFiletto 1\ntext TxtLungAfterThread \"\"\n",
                            "text AngoloPunta abc\nfocus Lunghezza\n", "text Lunghezza \"\"\n"}) {
    SCOPED_TRACE(setup);
    const RunResult r = Drop(std::string(setup) + "click OKButton\ndump\nclick CancelButton\n");
    EXPECT_EQ(r.Messages(),
              (std::vector<json>{{{"event", "message"}, {"title", "Zentrox"},
                                  {"text", "Error 13 Type mismatch"}, {"style", 16}}}));
    EXPECT_EQ(r.Forms().size(), 1u);
    EXPECT_FALSE(fs::exists(PrefsPath()));
    EXPECT_EQ(ShapeCount(*scene_), 1);
  }
}

// Values that would not make a hole are refused at OK like a typed value: the positive-value
// message, the focus on the field, nothing built and nothing remembered.
TEST_F(DialogTest, ValuesThatMakeNoHoleAreRefusedAtOk) {
  struct Row {
    const char* setup;
    const char* field;
  };
  const Row rows[] = {
      {"text Lunghezza 0\n", "Lunghezza"},
      {"text Lunghezza -5\n", "Lunghezza"},
      {"text AngoloPunta 100000\nfocus Lunghezza\n", "AngoloPunta"},
      {"click OptHoleType(2)\ntext AngSvaso 500\nfocus Lunghezza\n", "AngSvaso"},
      {"check ToggleFiletto 1\nselect Misura M10\ntext TxtLungAfterThread -5\n",
       "TxtLungAfterThread"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.setup);
    const RunResult r =
        Drop(std::string(row.setup) + "click OKButton\ndump\nclick CancelButton\n");
    ASSERT_EQ(r.Messages().size(), 1u) << r.out;
    EXPECT_EQ(r.Messages()[0]["text"], "This value must be greater than zero");
    ASSERT_EQ(r.Forms().size(), 1u);
    EXPECT_EQ(r.Forms()[0]["focus"], row.field);
    EXPECT_FALSE(fs::exists(PrefsPath()));
    EXPECT_EQ(ShapeCount(*scene_), 1);
  }
}

// A length no row of the size comes near: OK says so instead of building from a stale row.
TEST_F(DialogTest, OkWithoutARowForTheLengthSaysWhyAndStaysOpen) {
  const RunResult r =
      Drop("text Lunghezza 99999999999\nclick OKButton\ndump\nclick CancelButton\n");
  ASSERT_EQ(r.Messages().size(), 1u);
  const std::string text = r.Messages()[0]["text"];
  EXPECT_EQ(text.rfind("Error 5 \"", 0), 0u) << text;
  EXPECT_NE(text.find("\" has no row of size \""), std::string::npos) << text;
  EXPECT_NE(text.find("\" for length 99999999999"), std::string::npos) << text;
  EXPECT_EQ(r.Forms().size(), 1u);
  EXPECT_FALSE(fs::exists(PrefsPath()));
  EXPECT_EQ(ShapeCount(*scene_), 1);
}

TEST_F(DialogTest, ClosingThroughTheFrameNeitherAppliesNorDiscards) {
  const RunResult r = Drop("close\n");
  EXPECT_TRUE(r.Messages().empty());
  EXPECT_EQ(ShapeCount(*scene_), 2);
  EXPECT_TRUE(shape_->BindingTag().empty());
  EXPECT_FALSE(fs::exists(PrefsPath()));
}

// ---- Authoring the catalog entry ----

TEST_F(DialogTest, AssignEventFillsEveryCatalogNamedLikeOursWhateverItsCase) {
  scene::Application& app = scene_->App();
  scene::Catalog& upper = app.Catalogs().Open("ZENTROX.ICC");
  scene::Catalog& other = app.Catalogs().Open("parts.icc");
  dialog::DropHole handler;
  std::ostringstream out;
  forms::JsonLinesMessageService messages(out);
  forms::SetMessageService(&messages);
  handler.AssignEvent(app);  // nothing selected: nothing happens
  EXPECT_TRUE(messages.Shown().empty());
  scene::Shape& item = *scene_->AllShapes().front();
  app.ActivePage().Select(item);
  handler.AssignEvent(app);
  ASSERT_EQ(messages.Shown().size(), 2u);  // the new model's catalog and ZENTROX.ICC
  EXPECT_EQ(messages.Shown()[0].prompt, "OK!!");
  ASSERT_EQ(upper.Entries().All().size(), 1u);
  EXPECT_EQ(upper.Entries().All()[0]->Label(), "Fori");
  EXPECT_TRUE(other.Entries().All().empty());
  EXPECT_EQ(ClassOf(item), "Cavix.DropHole");
}

// ---- Editing ----

using EditTest = DialogTest;

TEST_F(EditTest, OkWithoutAChangeTouchesNeitherTheHoleNorThePreferences) {
  ASSERT_TRUE(NoMessages(Drop(
      "check ToggleFiletto 1\nselect Misura M10\nselect Lunghezza 20\ntext TxtLungAfterThread 5\n"
      "click OKButton\n")));
  scene::Shape& s = *shape_;
  ASSERT_TRUE(fs::remove(PrefsPath()));
  const int updates = scene_->ActivePage().UpdateCount();
  const std::string name = s.Name();
  const RunResult r = Edit(s, "dump\nclick OKButton\n");
  ExpectForm(r.LastForm(), {{"Misura.text", "M10"}, {"Lunghezza.text", "20.00"},
                            {"TxtLungAfterThread.text", "5.00"}, {"TxtThreadPitch.text", "1.50"},
                            {"ToggleFiletto.value", 1}});
  EXPECT_TRUE(r.Messages().empty());
  EXPECT_EQ(scene_->ActivePage().UpdateCount(), updates);
  EXPECT_EQ(s.Name(), name);
  EXPECT_FALSE(fs::exists(PrefsPath()));
}

TEST_F(EditTest, ChangingTheTypeRebuildsTheSameShapeAsTheNewClass) {
  ASSERT_TRUE(NoMessages(Drop("select Misura 10\nselect Lunghezza 20\nclick OKButton\n")));
  scene::Shape& s = *shape_;
  const int32_t id = s.Id();
  const RunResult r = Edit(s, "click OptHoleType(1)\ndump\nclick OKButton\n");
  ASSERT_TRUE(NoMessages(r));
  // The stored standard is not a counterbore standard; the size and length are shown again.
  ExpectForm(r.LastForm(), {{"Misura.text", "10"}, {"Lunghezza.text", "20.00"}});
  EXPECT_EQ(scene_->FindShapeById(id), &s);
  EXPECT_EQ(ClassOf(s), "Cavix.HoleCBore");
  EXPECT_EQ(Num(s, 1), 2);
  EXPECT_EQ(Txt(s, 1), "HoleCBore");
  EXPECT_EQ(Num(s, 16), 18);
}

TEST_F(EditTest, AStoredLengthAfterThreadOfMinusOneComesFromTheTable) {
  // Through threaded hole: drilled length equals the thread length, nothing after it.
  ASSERT_TRUE(NoMessages(
      Drop("check ToggleFiletto 1\nselect Misura M10\ncheck TogglePassante 1\nclick OKButton\n")));
  scene::Shape& s = *shape_;
  EXPECT_EQ(Num(s, 9), 20);
  s.Components(34).Item(1).SetValue(1, int16_t{9}, rt::Variant(10.0));  // 10 - 20 < 0
  const RunResult r = Edit(s, "dump\nclick CancelButton\n");
  ExpectForm(r.LastForm(), {{"TxtLungAfterThread.text", "7.3"}, {"Lunghezza.text", "20.00"}});
}

}  // namespace
}  // namespace cavix::testing
