// The key filter of the dimension boxes, in a "." and a "," region.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace cavix::dialog
