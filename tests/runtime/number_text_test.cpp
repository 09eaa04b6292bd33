// Number texts with a sign position (shape names, TAB values) and Val's leading-number reading.
#include "runtime/number_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/error.h"
#include "runtime/regional.h"

namespace cavix::rt {
namespace {

TEST(NumberTextTest, SignPositionAndPointForms) {
  struct Row {
    double in;
    const char* text;
  } rows[] = {
      {10, " 10"},
      {-0.0, " 0"},
      {-0.25, "-.25"},
      {0.1 + 0.2, " .3"},  // 15 significant digits hide the binary error
      {9999999999999995.0, " 1E+16"},  // rounds up into the next decade
      {-1e100, "-1E+100"},
      {0.0001, " .0001"},
      {0.000015, " 1.5E-05"},
  };
  // The same in a comma region: the texts are read back by Val, never by the regional reader.
  for (const char* region : {"en_US", "de_DE"}) {
    SetRegional(RegionalFor(region));
    for (const Row& r : rows) {
      EXPECT_EQ(NumberText(r.in), r.text) << region << " " << r.in;
      EXPECT_NEAR(Val(NumberText(r.in)), r.in, std::abs(r.in) * 1e-14) << r.in;
    }
  }
  EXPECT_EQ(TrimmedNumberText(-0.5), "-.5");
  EXPECT_EQ(NumberText(5LL), " 5");
  EXPECT_EQ(NumberText(-9223372036854775807LL - 1), "-9223372036854775808");
  SetRegional(std::nullopt);
}

TEST(ValTest, LeadingNumbers) {
  struct Row {
    std::string in;
    double value;
  } rows[] = {
      {"-", 0},
      {"1.2.3", 1.2},
      {"1\t2\n3", 123},  // blanks anywhere are ignored
      {"- 4", -4},
      {"6.4 | 0.1", 6.4},  // a TAB column: stops at the separator
      {"M10", 0},
      {"2D2", 200},
      {"1.5E", 1.5},  // exponent without digits is ignored
      {"1e-400", 0},  // underflow is zero, not an error
      {"&HFFFF", -1},  // a 16-bit pattern
      {"&H10000", 65536},
      {"&HFFFFFFFF", -1},  // a 32-bit pattern
      {"&O18", 1},
      {"1,5", 1},  // the point, whatever the region
  };
  for (const char* region : {"en_US", "fr_FR"}) {
    SetRegional(RegionalFor(region));
    for (const Row& r : rows) EXPECT_EQ(Val(r.in), r.value) << region << " \"" << r.in << '"';
  }
  SetRegional(std::nullopt);
  for (const std::string& in :
       std::vector<std::string>{"-1e309", "&H100000000", std::string(100000, '9') + "e400"}) {
    try {
      Val(in);
      ADD_FAILURE() << in << " did not raise";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), 6) << in;
    }
  }
}

}  // namespace
}  // namespace cavix::rt
