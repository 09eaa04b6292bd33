// The form model as a user and the dialog code meet it: focus and validation, the key filter,
// reactions of values set by code, option groups, check values, modal showing, observers.
#include "forms/form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "forms/keys.h"
#include "forms/message_box.h"
#include "runtime/error.h"
#include "tests/forms/probe_form.h"

namespace cavix::forms {
namespace {

using testing::InlineDriver;
using testing::ProbeForm;

int ErrorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const rt::Error& e) {
    return e.Number();
  }
  return 0;
}

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageService(nullptr);
    ClearRecordedMessages();
    p.form.Show();
  }
  void TypeInto(Control& c, const std::string& text) {
    for (int16_t k : AnsiCodesOf(text)) p.form.UserKey(c, k);
  }
  ProbeForm p;
};

TEST_F(FormTest, RefusedValueKeepsTheFocusWhereverTheUserGoes) {
  ASSERT_TRUE(p.form.UserFocus(p.pitch));
  p.form.UserReplaceText(p.pitch, "0");

  // Another field, the Cancel button, Enter on the default button, Tab: all stay in the field.
  EXPECT_FALSE(p.form.UserFocus(p.note));
  EXPECT_FALSE(p.form.UserClick(p.cancel));
  EXPECT_FALSE(p.form.UserKey(p.pitch, key::kEnter));
  EXPECT_FALSE(p.form.UserTab());
  EXPECT_FALSE(p.form.UserCheck(p.flat, 1));
  EXPECT_FALSE(p.form.UserSelect(p.sizes, 1));
  EXPECT_EQ(p.form.ActiveControl(), &p.pitch);
  EXPECT_TRUE(p.form.IsShown());
  EXPECT_EQ(p.flat.Value(), 0);
  EXPECT_EQ(p.sizes.ListIndex(), -1);
  // Nothing but validations ran: no click reached Cancel, OK or the lists.
  EXPECT_EQ(p.log, std::vector<std::string>(6, "validate 0"));
  ASSERT_EQ(RecordedMessages().size(), 6u);
  EXPECT_EQ(RecordedMessages()[0].prompt, "This value must be greater than zero");
  EXPECT_EQ(RecordedMessages()[0].style, msg::kExclamation);

  // Corrected, the same click goes through and Cancel unloads the form.
  p.form.UserReplaceText(p.pitch, "2");
  EXPECT_TRUE(p.form.UserClick(p.cancel));
  EXPECT_FALSE(p.form.IsShown());
  EXPECT_EQ(p.log.back(), "cancel");
}

TEST_F(FormTest, ValidationRunsOncePerFocusMoveAndOnlyTowardsValidatingControls) {
  p.form.UserFocus(p.pitch);
  p.form.UserReplaceText(p.pitch, "3");
  p.form.UserFocus(p.note);
  p.form.UserFocus(p.note);  // no move, no validation
  EXPECT_EQ(p.log, (std::vector<std::string>{"validate 3"}));

  // A target that does not cause validation lets a refused value go.
  p.form.UserFocus(p.pitch);
  p.form.UserReplaceText(p.pitch, "");
  p.note.SetCausesValidation(false);
  EXPECT_TRUE(p.form.UserFocus(p.note));
  EXPECT_EQ(p.form.ActiveControl(), &p.note);
  EXPECT_EQ(p.log.size(), 1u);

  // SetFocus by code validates too; a control the user cannot reach raises 5.
  p.note.SetCausesValidation(true);
  EXPECT_TRUE(p.form.SetFocus(p.pitch));
  EXPECT_FALSE(p.form.SetFocus(p.note));
  EXPECT_EQ(ErrorNumber([&] { p.form.SetFocus(p.sizeLabel); }), 5);
}

TEST_F(FormTest, EnterPressesTheDefaultButtonAfterValidating) {
  p.form.UserReplaceText(p.pitch, "4");
  EXPECT_TRUE(p.form.UserKey(p.pitch, key::kEnter));
  EXPECT_EQ(p.log, (std::vector<std::string>{"validate 4", "ok"}));
  EXPECT_FALSE(p.form.IsShown());
}

TEST_F(FormTest, KeyFilterReplacesAndDiscardsKeysBeforeTheTextChanges) {
  p.form.UserReplaceText(p.pitch, "");
  int changes = 0;
  p.pitch.OnChange([&] { ++changes; });
  TypeInto(p.pitch, "1a2.5,3 -x");
  EXPECT_EQ(p.pitch.Text(), "12,53");
  EXPECT_EQ(changes, 5);
  // Backspace passes; a key replaced by the handler is what reaches the text.
  p.form.UserKey(p.pitch, key::kBackspace);
  p.form.UserKey(p.pitch, key::kBackspace);
  EXPECT_EQ(p.pitch.Text(), "12,");
  TypeInto(p.pitch, ".");
  EXPECT_EQ(p.pitch.Text(), "12,");  // a second separator is discarded
  p.form.UserKey(p.pitch, key::kBackspace);
  TypeInto(p.pitch, ".");
  EXPECT_EQ(p.pitch.Text(), "12,");  // "." typed as ","

  // Typing goes in at the caret and over the selection.
  p.note.SetText("abcdef");
  p.note.SetSelection(2, 3);
  TypeInto(p.note, "Xé");
  EXPECT_EQ(p.note.Text(), "abXéf");
  EXPECT_EQ(p.note.SelStart(), 4);
  p.form.UserKey(p.note, key::kBackspace);
  EXPECT_EQ(p.note.Text(), "abXf");
}

TEST(Keys, AnsiCodesOfTypedCharacters) {
  EXPECT_EQ(AnsiCodesOf("a€é中"), (std::vector<int16_t>{97, 128, 233, 63}));
  EXPECT_EQ(Utf8OfAnsi(128), "€");
  EXPECT_EQ(Utf8OfAnsi(233), "é");
  EXPECT_EQ(Utf8OfAnsi(13), "");
  EXPECT_EQ(Utf8OfAnsi(0x81), "");  // no character in the code page
  EXPECT_EQ(Utf8OfAnsi(-5), "");
  // Bytes that are not UTF-8 are read as Windows-1252, one code each.
  EXPECT_EQ(AnsiCodesOf("\xE9t\xC3"), (std::vector<int16_t>{233, 116, 195}));
  EXPECT_EQ(CharCount("aé€"), 3);
  EXPECT_EQ(CharOffset("aé€", 2), 3u);
  EXPECT_EQ(CharOffset("aé€", 9), 6u);
  // Backwards, the characters CharOffset counts forwards: a byte that is not UTF-8 is one.
  EXPECT_EQ(PreviousCharOffset("a\xE2\x82\xAC", 4), 1u);
  EXPECT_EQ(PreviousCharOffset("\xC3\x82\xAC", 3), 2u);
  EXPECT_EQ(PreviousCharOffset("\x80\x80\x80\x80\x80", 5), 4u);
  EXPECT_EQ(PreviousCharOffset("", 0), 0u);
}

TEST_F(FormTest, ListIndexSetByCodeRunsTheSameReactionAsAPick) {
  p.sizes.SetListIndex(2);
  EXPECT_EQ(p.sizes.Text(), "M10");
  EXPECT_EQ(p.sizeLabel.Caption(), "d M10");
  EXPECT_EQ(p.lengths.ListCount(), 3);
  EXPECT_EQ(p.lengths.Text(), "M10x10");  // the nested selection ran too
  EXPECT_EQ(p.log, (std::vector<std::string>{"size M10", "length M10x10"}));

  p.log.clear();
  EXPECT_TRUE(p.form.UserSelect(p.sizes, 0));
  EXPECT_EQ(p.form.ActiveControl(), &p.sizes);
  EXPECT_EQ(p.log, (std::vector<std::string>{"size M6", "length M6x10"}));

  // A drop-down list takes only its own entries as text; Clear empties a combo's text.
  p.sizes.SetText("M8");
  EXPECT_EQ(p.sizes.ListIndex(), 1);
  EXPECT_EQ(ErrorNumber([&] { p.sizes.SetText("M99"); }), 383);
  EXPECT_EQ(ErrorNumber([&] { p.sizes.SetListIndex(3); }), 380);
  p.lengths.Clear();
  EXPECT_EQ(p.lengths.Text(), "");
  EXPECT_EQ(p.lengths.ListIndex(), -1);
  // Code that only knows the list model can still ask the view to redraw it.
  ListModel& model = p.lengths;
  model.RedrawList();
  EXPECT_EQ(p.lengths.RefreshCount(), 1);
  // Setting or typing the text of a combo deselects its entry, without a Click; a pick does not
  // count as a text change.
  p.lengths.AddItem("5");
  p.lengths.AddItem("7");
  int changes = 0;
  p.lengths.OnChange([&] { ++changes; });
  p.log.clear();
  p.lengths.SetListIndex(0);
  EXPECT_EQ(changes, 0);
  p.lengths.SetText("7");
  EXPECT_EQ(p.lengths.ListIndex(), -1);
  p.lengths.SetListIndex(1);
  p.form.UserKey(p.lengths, '0');
  EXPECT_EQ(p.lengths.Text(), "70");
  EXPECT_EQ(p.lengths.ListIndex(), -1);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(p.log, (std::vector<std::string>{"length 5", "length 7"}));
}

TEST_F(FormTest, ReentrantChainsRunToCompletionInOrder) {
  p.form.UserClick(p.through);
  EXPECT_EQ(p.log, (std::vector<std::string>{"through begin", "flat 1", "through end"}));
  EXPECT_EQ(p.flat.Value(), 1);
  EXPECT_FALSE(p.flat.Enabled());
  // The locked toggle cannot be clicked by the user, but code still sets it.
  p.log.clear();
  EXPECT_FALSE(p.form.UserClick(p.flat));
  p.form.UserClick(p.through);
  EXPECT_EQ(p.log, (std::vector<std::string>{"through begin", "flat 0", "through end"}));
  EXPECT_TRUE(p.flat.Enabled());

  // Handlers that trigger each other forever end in error 28, not in a crash.
  p.note.OnChange([&] { p.note.SetText(p.note.Text() + "x"); });
  EXPECT_EQ(ErrorNumber([&] { p.note.SetText("a"); }), 28);
}

TEST_F(FormTest, OptionGroupsAreExclusivePerContainer) {
  p.form.UserClick(p.side1);
  p.form.UserClick(p.kind1);
  p.form.UserClick(p.kind2);
  EXPECT_FALSE(p.kind0.Value());
  EXPECT_FALSE(p.kind1.Value());
  EXPECT_TRUE(p.kind2.Value());
  EXPECT_TRUE(p.side1.Value());  // another container, another group

  // A user's click on the button that is on raises Click again; code setting it does not.
  p.log.clear();
  p.form.UserClick(p.kind2);
  p.kind2.SetValue(true);
  p.kind0.SetValue(true);
  EXPECT_EQ(p.log, (std::vector<std::string>{"kind 2", "kind 0"}));
  EXPECT_FALSE(p.kind2.Value());
  // Elements of the array by index.
  EXPECT_EQ(p.form.Array("optkind").size(), 3u);
  EXPECT_EQ(&p.form.Get<OptionButton>("OptKind", 1), &p.kind1);
  EXPECT_EQ(ErrorNumber([&] { p.form.Get<OptionButton>("OptKind", 3); }), 730);
  EXPECT_EQ(ErrorNumber([&] { p.form.Get<CheckBox>("OptKind", 0); }), 13);
}

TEST_F(FormTest, CheckBoxValues) {
  struct Row {
    int from;
    int to;  // after a user's click
  };
  for (Row r : {Row{0, 1}, Row{1, 0}, Row{2, 0}}) {
    p.flat.SetValue(r.from);
    p.log.clear();
    p.form.UserClick(p.flat);
    EXPECT_EQ(p.flat.Value(), r.to) << "from " << r.from;
    EXPECT_EQ(p.log.back(), "flat " + std::to_string(r.to));
  }
  // Setting the value it has raises no Click; values outside 0..2 are refused.
  p.log.clear();
  p.flat.SetValue(p.flat.Value());
  EXPECT_TRUE(p.log.empty());
  EXPECT_EQ(ErrorNumber([&] { p.flat.SetValue(3); }), 380);
  EXPECT_EQ(ErrorNumber([&] { p.form.UserCheck(p.flat, 2); }), 380);
}

TEST_F(FormTest, DisabledFramesAndControlsAreOutOfReach) {
  p.form.UserFocus(p.inFrame);
  p.frame.SetEnabled(false);
  // The focus left the control that can no longer take it, without validating.
  EXPECT_NE(p.form.ActiveControl(), &p.inFrame);
  ASSERT_NE(p.form.ActiveControl(), nullptr);
  EXPECT_TRUE(p.form.CanFocus(*p.form.ActiveControl()));
  EXPECT_FALSE(p.form.UserClick(p.side0));
  EXPECT_FALSE(p.side0.Value());
  p.ok.SetEnabled(false);
  EXPECT_FALSE(p.form.UserKey(p.note, key::kEnter));  // a disabled default button is not pressed
  EXPECT_TRUE(p.form.IsShown());
}

TEST_F(FormTest, TabStripAndPictures) {
  p.form.UserClick(p.tabs, 2);
  p.form.UserClick(p.tabs, 2);  // the selected tab again: no Click
  EXPECT_EQ(p.log, (std::vector<std::string>{"tab 2"}));
  p.tabs.SetCaption("ISO");
  EXPECT_EQ(p.tabs.TabCaption(2), "ISO");
  p.tabs.SetTabs(2);  // the selection follows into range
  EXPECT_EQ(p.tabs.Tab(), 1);
  EXPECT_EQ(ErrorNumber([&] { p.tabs.SetTab(2); }), 380);
  EXPECT_EQ(ErrorNumber([&] { p.tabs.SetTabs(0); }), 380);

  p.kind1.SetPicture(p.images, 4);
  EXPECT_EQ(p.kind1.Picture(), 4);
  EXPECT_EQ(p.kind1.PictureList()->Item(4).key, "d");
  EXPECT_EQ(ErrorNumber([&] { p.kind1.SetPicture(p.images, 5); }), 35600);
}

TEST(FormBuild, NamesAndContainers) {
  Form f("F");
  f.Add<TextBox>("Txt");
  auto& fr = f.Add<Frame>("Fr");
  f.Add<OptionButton>("Opt", 0, &fr);
  EXPECT_EQ(ErrorNumber([&] { f.Add<TextBox>("TXT"); }), 360);  // names ignore case
  EXPECT_EQ(ErrorNumber([&] { f.Add<TextBox>("Opt"); }), 360);  // an array name alone
  EXPECT_EQ(ErrorNumber([&] { f.Add<TextBox>("Opt", 0); }), 360);
  auto& txt = f.Get("txt");
  EXPECT_EQ(ErrorNumber([&] { f.Add<TextBox>("X", -1, &txt); }), 5);  // not a frame
  Form other("G");
  EXPECT_EQ(ErrorNumber([&] { other.Add<TextBox>("X", -1, &fr); }), 5);
}

class Recorder : public IFormObserver {
 public:
  void FormChanged(const Form&, const Control* c, Change what) override {
    events.push_back((c ? c->FullName() : std::string("-")) + ":" + std::to_string(int(what)));
  }
  std::vector<std::string> events;
};

TEST(FormModal, ShowModalRunsTheDriverUntilUnloadAndOneFormAtATime) {
  ProbeForm p;
  Recorder rec;
  p.form.AddObserver(&rec);
  int loads = 0;
  p.form.OnLoad([&] { ++loads; });
  EXPECT_EQ(ErrorNumber([&] { SetModalDriver(nullptr), p.form.ShowModal(); }), 5);

  InlineDriver driver([&](Form& f) {
    EXPECT_EQ(Form::ModalForm(), &f);
    EXPECT_EQ(f.ActiveControl(), &p.ok);  // first tab stop
    ProbeForm second;
    EXPECT_EQ(ErrorNumber([&] { second.form.ShowModal(); }), 400);
    f.UserReplaceText(p.pitch, "12");
    f.UserClick(p.ok);
  });
  SetModalDriver(&driver);
  p.form.ShowModal();
  SetModalDriver(nullptr);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(Form::ModalForm(), nullptr);
  EXPECT_FALSE(p.form.IsShown());
  EXPECT_EQ(p.log.back(), "ok");
  // A view hears the whole story: shown, focus, text, unloaded.
  for (const std::string& e : {"-:" + std::to_string(int(Change::Shown)),
                               "TxtPitch:" + std::to_string(int(Change::Text)),
                               "OKButton:" + std::to_string(int(Change::Focus))})
    EXPECT_NE(std::find(rec.events.begin(), rec.events.end(), e), rec.events.end()) << e;
  EXPECT_EQ(rec.events.back(), "-:" + std::to_string(int(Change::Unloaded)));
  // A form shows once.
  EXPECT_EQ(ErrorNumber([&] { p.form.Show(); }), 5);
}

TEST(FormModal, ClosingThroughTheFrameAsksQueryUnloadAndSkipsValidation) {
  ProbeForm p;
  std::vector<int> modes;
  bool refuse = true;
  p.form.OnQueryUnload([&](bool& cancel, UnloadMode mode) {
    modes.push_back(int(mode));
    cancel = refuse;
  });
  p.form.Show();
  p.form.UserReplaceText(p.pitch, "0");  // a refused value does not hold the frame's close
  EXPECT_FALSE(p.form.UserClose());
  EXPECT_TRUE(p.form.IsShown());
  refuse = false;
  EXPECT_TRUE(p.form.UserClose());
  EXPECT_FALSE(p.form.IsShown());
  EXPECT_EQ(modes, (std::vector<int>{0, 0}));
  EXPECT_TRUE(p.log.empty());
}

TEST(FormModal, AnErrorInTheDriverUnloadsTheFormAndReachesTheCaller) {
  ProbeForm p;
  InlineDriver driver([&](Form&) { rt::Raise(53); });
  SetModalDriver(&driver);
  EXPECT_EQ(ErrorNumber([&] { p.form.ShowModal(); }), 53);
  SetModalDriver(nullptr);
  EXPECT_FALSE(p.form.IsShown());
  EXPECT_EQ(Form::ModalForm(), nullptr);
}

}  // namespace
}  // namespace cavix::forms
