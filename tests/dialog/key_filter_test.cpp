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
      // Digits and the edit keys pass; everything else is discarded.
      {"en_US", "1.5", '7', '7'}, {"en_US", "1.5", '\b', '\b'}, {"en_US", "", '\r', '\r'},
      {"en_US", "", '-', 0},      {"en_US", "", 'E', 0},        {"en_US", "", '\x16', 0},
      {"en_US", "", ' ', 0},
  };
  for (const Row& r : rows) {
    RegionGuard region(r.locale);
    EXPECT_EQ(NumericKeyFilter(r.text, r.key), r.expected)
        << r.locale << " text '" << r.text << "' key '" << r.key << "'";
  }
}

}  // namespace
}  // namespace cavix::dialog
