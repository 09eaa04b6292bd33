// The key filter of the dimension boxes and the hole-type picture groups, in both kinds of region.
#include <gtest/gtest.h>

#include "dialog/dialog.h"
#include "dialog/utils.h"
#include "runtime/regional.h"

namespace cavix::dialog {
namespace {

struct RegionGuard {
  explicit RegionGuard(const char* name) { rt::SetRegional(rt::RegionalFor(name)); }
  ~RegionGuard() { rt::SetRegional(std::nullopt); }
};

TEST(KeyFilter, DecimalKeysBecomeTheRegionalSeparatorOnce) {
  struct Row {
    const char* locale;
    const char* text;
    char key;
    int16_t expected;
  };
  const Row rows[] = {
      {"en_US", "12", '.', '.'}, {"en_US", "12", ',', '.'}, {"en_US", "1.2", '.', 0},
      {"en_US", "1.2", ',', 0},  {"de_DE", "12", '.', ','}, {"de_DE", "12", ',', ','},
      {"de_DE", "1,2", '.', 0},  {"de_DE", "1,2", ',', 0},  {"it_IT", "", '.', ','},
      // A period already in a comma region's text is not its separator: one comma may follow.
      {"de_DE", "1.2", '.', ','},
  };
  for (const Row& r : rows) {
    RegionGuard region(r.locale);
    EXPECT_EQ(NumericKeyFilter(r.text, r.key), r.expected)
        << r.locale << " text '" << r.text << "' key '" << r.key << "'";
  }
}

TEST(KeyFilter, DigitsAndEditKeysPassEverythingElseIsDiscarded) {
  RegionGuard region("en_US");
  for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(NumericKeyFilter("1.5", c), c);
  EXPECT_EQ(NumericKeyFilter("1.5", kKeyBackspace), kKeyBackspace);
  EXPECT_EQ(NumericKeyFilter("", kKeyEnter), kKeyEnter);
  for (int16_t k : {int16_t{'-'}, int16_t{' '}, int16_t{'a'}, int16_t{'E'}, int16_t{'+'},
                    int16_t{3}, int16_t{22}, int16_t{24}, int16_t{9}, int16_t{27}, int16_t{200}}) {
    EXPECT_EQ(NumericKeyFilter("", k), 0) << "key " << k;
  }
}

TEST(HoleTypePictures, GroupFollowsFlatThroughAndThread) {
  // flat, through, threaded -> first picture of the four buttons
  EXPECT_EQ(Dialog::FirstPictureOfGroup(0, 0, 0), 1);
  EXPECT_EQ(Dialog::FirstPictureOfGroup(0, 0, 1), 5);
  EXPECT_EQ(Dialog::FirstPictureOfGroup(0, 1, 0), 9);
  EXPECT_EQ(Dialog::FirstPictureOfGroup(1, 0, 0), 13);
  EXPECT_EQ(Dialog::FirstPictureOfGroup(0, 1, 1), 17);
  EXPECT_EQ(Dialog::FirstPictureOfGroup(1, 0, 1), 21);
  // A through hole has no bottom: flat does not matter.
  EXPECT_EQ(Dialog::FirstPictureOfGroup(1, 1, 0), 9);
  EXPECT_EQ(Dialog::FirstPictureOfGroup(1, 1, 1), 17);
  // A greyed box falls back to the first group.
  EXPECT_EQ(Dialog::FirstPictureOfGroup(2, 0, 0), 1);
  EXPECT_EQ(Dialog::FirstPictureOfGroup(0, 0, 2), 1);
}

TEST(DialogForm, ControlsSitWhereTheLayoutPutsThem) {
  Dialog d;
  EXPECT_EQ(d.ClientWidth(), 4620);
  EXPECT_EQ(d.ClientHeight(), 5325);
  EXPECT_EQ(d.ImageList1.Count(), kHoleTypePictures);
  // Enter presses OK; Escape presses nothing.
  EXPECT_TRUE(d.OKButton.IsDefault());
  EXPECT_FALSE(d.CancelButton.IsCancel());
  // The tab order starts at OK, Cancel, then the value frame and the standard.
  const auto order = d.TabOrder();
  ASSERT_GE(order.size(), 4u);
  EXPECT_EQ(order[0]->Name(), "OKButton");
  EXPECT_EQ(order[1]->Name(), "CancelButton");
  EXPECT_EQ(order[2]->Name(), "Normativa");
  EXPECT_EQ(order[3]->Name(), "Misura");
  EXPECT_EQ(d.OptHoleType[3]->Left(), 3480);
  EXPECT_EQ(d.DiamIncasso.Container(), &d.FrameIncSvas);
  EXPECT_EQ(d.TxtThreadPitch.Container(), &d.FrameThread);
  EXPECT_EQ(d.FrameThread.Container(), &d.FrameData);
  EXPECT_EQ(d.AngSvaso.ListCount(), 5);
  EXPECT_EQ(d.AngoloPunta.Text(), "90");
}

}  // namespace
}  // namespace cavix::dialog
