// The form model as a user and the dialog code meet it: focus and validation, the key filter,
// reactions of values set by code, option groups, check values. (Modal showing is what every
// dialog test does; an out-of-range list index is refused through the preferences' restore.)
#include "forms/form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/keys.h"
#include "runtime/error.h"
#include "tests/forms/probe_form.h"
#include "tests/support/raised.h"

namespace cavix::forms {
namespace {

using testing::ProbeForm;
using Log = std::vector<std::string>;

using cavix::test::ErrorOf;

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override { p.form.Show(); }
  void TypeInto(Control& c, const std::string& text) {
    for (int16_t k : AnsiCodesOf(text)) p.form.UserKey(c, k);
  }
  ProbeForm p;
};

// Validation runs once per focus move towards a validating control, and before Enter presses
// the default button; a refused value keeps the focus wherever the user goes.
TEST_F(FormTest, ValidationRunsOncePerMoveAndARefusedValueKeepsTheFocus) {
  p.form.UserFocus(p.pitch);
  p.form.UserReplaceText(p.pitch, "3");
  p.form.UserFocus(p.note);
  p.form.UserFocus(p.note);  // no move, no validation
  EXPECT_EQ(p.log, Log{"validate 3"});

  // A target that does not cause validation lets a refused value go.
  p.form.UserFocus(p.pitch);
  p.form.UserReplaceText(p.pitch, "");
  p.note.SetCausesValidation(false);
  EXPECT_TRUE(p.form.UserFocus(p.note));
  EXPECT_EQ(p.log.size(), 1u);
  p.note.SetCausesValidation(true);

  // Another field, the Cancel button, Enter on the default button, Tab, a check, a pick: all
  // stay in the field, and nothing but validations ran.
  ASSERT_TRUE(p.form.UserFocus(p.pitch));
  p.form.UserReplaceText(p.pitch, "0");
  p.log.clear();
  EXPECT_FALSE(p.form.UserFocus(p.note));
  EXPECT_FALSE(p.form.UserClick(p.cancel));
  EXPECT_FALSE(p.form.UserKey(p.pitch, key::kEnter));
  EXPECT_FALSE(p.form.UserTab());
  EXPECT_FALSE(p.form.UserCheck(p.flat, 1));
  EXPECT_FALSE(p.form.UserSelect(p.sizes, 1));
  EXPECT_FALSE(p.form.SetFocus(p.note));  // code too
  EXPECT_EQ(p.form.ActiveControl(), &p.pitch);
  EXPECT_EQ(p.flat.Value(), 0);
  EXPECT_EQ(p.sizes.ListIndex(), -1);
  EXPECT_EQ(p.log, Log(7, "validate 0"));
  // A control the user cannot reach raises 5.
  EXPECT_EQ(ErrorOf([&] { p.form.SetFocus(p.sizeLabel); }), 5);

  // Corrected, Enter validates and presses OK.
  p.form.UserReplaceText(p.pitch, "4");
  EXPECT_TRUE(p.form.UserKey(p.pitch, key::kEnter));
  EXPECT_EQ(Log(p.log.end() - 2, p.log.end()), (Log{"validate 4", "ok"}));
  EXPECT_FALSE(p.form.IsShown());
}

TEST_F(FormTest, KeyFilterReplacesAndDiscardsKeysBeforeTheTextChanges) {
  p.form.UserReplaceText(p.pitch, "");
  int changes = 0;
  p.pitch.OnChange([&] { ++changes; });
  TypeInto(p.pitch, "1a2.5,3 -x");  // "." typed as ",", a second separator discarded
  EXPECT_EQ(p.pitch.Text(), "12,53");
  EXPECT_EQ(changes, 5);
  // (Typing over a selection and Backspace are the window's: `cavix drop --gui` types over each
  // field's text, and the dialog tests type {BS}.)
}

TEST_F(FormTest, ListsOptionsAndChecksReactAlikeToCodeAndUser) {
  // A list index set by code runs the same reaction as a pick, nested selections included.
  p.sizes.SetListIndex(2);
  EXPECT_EQ(p.log, (Log{"size M10", "length M10x10"}));
  // Setting or typing the text of a combo deselects its entry, without a Click.
  p.lengths.SetListIndex(1);
  p.log.clear();
  p.lengths.SetText("7");
  EXPECT_EQ(p.lengths.ListIndex(), -1);
  p.lengths.SetListIndex(1);
  p.form.UserKey(p.lengths, '0');
  EXPECT_EQ(p.lengths.ListIndex(), -1);
  EXPECT_EQ(p.log, (Log{"length M10x20"}));

  // Option groups are exclusive per container; a user's click on the button that is on raises
  // Click again, code setting it does not.
  p.form.UserClick(p.side1);
  p.form.UserClick(p.kind2);
  p.log.clear();
  p.form.UserClick(p.kind2);
  p.kind2.SetValue(true);
  p.kind0.SetValue(true);
  EXPECT_EQ(p.log, (Log{"kind 2", "kind 0"}));
  EXPECT_FALSE(p.kind2.Value());
  EXPECT_TRUE(p.side1.Value());

  // A check box set to the value it has raises no Click. (Clicked, it goes 0 -> 1 -> 0: the dialog
  // scripts that click a toggle.)
  p.flat.SetValue(1);
  p.log.clear();
  p.flat.SetValue(p.flat.Value());
  EXPECT_TRUE(p.log.empty());
  EXPECT_EQ(ErrorOf([&] { p.flat.SetValue(3); }), 380);

  // A handler that locks another control: the user can no longer click it, code still sets it.
  p.form.UserClick(p.through);
  EXPECT_EQ(p.flat.Value(), 1);
  EXPECT_FALSE(p.form.UserClick(p.flat));
}

TEST_F(FormTest, DisabledFramesAndControlsAreOutOfReach) {
  p.form.UserFocus(p.inFrame);
  p.frame.SetEnabled(false);
  // The focus left the control that can no longer take it, without validating.
  ASSERT_NE(p.form.ActiveControl(), nullptr);
  EXPECT_NE(p.form.ActiveControl(), &p.inFrame);
  EXPECT_FALSE(p.form.UserClick(p.side0));
  p.ok.SetEnabled(false);
  EXPECT_FALSE(p.form.UserKey(p.note, key::kEnter));  // a disabled default button is not pressed
  EXPECT_TRUE(p.form.IsShown());
  // Nothing drives a modal form in a Ui without a driver.
  Ui nowhere;
  EXPECT_EQ(ErrorOf([&] { ProbeForm().form.ShowModal(nowhere); }), 5);
}

}  // namespace
}  // namespace cavix::forms
