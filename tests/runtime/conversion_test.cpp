// Variant conversions, numbered errors and checked floating point, as the hole logic relies on
// them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/error.h"
#include "runtime/fp.h"
#include "runtime/regional.h"
#include "runtime/variant.h"
#include "tests/support/raised.h"

namespace cavix::rt {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using cavix::test::ErrorOf;

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegional(RegionalFor("en_US")); }
  void TearDown() override { SetRegional(std::nullopt); }
};

// Halves round to even; the ranges are guarded by error 6 "Overflow".
TEST_F(ConversionTest, IntegersRoundHalvesToEvenAndGuardTheRange) {
  struct Row {
    double in;
    int expected;  // ignored when `error` is set
    int error;
  } ints[] = {
      {2.5, 2, 0},     {3.5, 4, 0},           {-2.5, -2, 0},    {2.5000001, 3, 0},
      {32767.5, 0, 6}, {-32768.5, -32768, 0}, {-32768.6, 0, 6}, {kNaN, 0, 6},
  };
  for (const Row& r : ints) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(ErrorOf([&] { CInt(Variant(r.in)); }), r.error);
    if (!r.error) {
      EXPECT_EQ(CInt(r.in), r.expected);
    }
  }
  EXPECT_EQ(CLng(-2147483648.5), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ErrorOf([] { CLng(2147483647.5); }), err::kOverflow);
}

// Other types and texts: texts are read under the regional settings.
TEST_F(ConversionTest, TextsAndOtherTypesUnderTheRegion) {
  EXPECT_EQ(CInt(Variant(true)), -1);
  EXPECT_EQ(ErrorOf([] { CInt(Variant(int32_t{40000})); }), err::kOverflow);
  EXPECT_EQ(CInt(Variant(" 13.5 ")), 14);
  EXPECT_EQ(CLng(Variant("1,000,000")), 1000000);
  EXPECT_EQ(ErrorOf([] { CInt(Variant("")); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant("1,5")); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant("1E999")); }), err::kOverflow);
  EXPECT_EQ(CStr(Variant(0.1 + 0.2)), "0.3");

  SetRegional(RegionalFor("de_DE.UTF-8"));
  EXPECT_DOUBLE_EQ(CDbl(Variant("1.234,5")), 1234.5);
  // In a comma region "1.5" is not a number: a misplaced group separator, never 15.
  EXPECT_EQ(ErrorOf([] { CDbl(Variant("1.5")); }), err::kTypeMismatch);
  EXPECT_EQ(CStr(Variant(int32_t{1000})), "1000");
  // What CStr writes, CDbl reads back in the same region.
  for (double v : {0.1, -2.75, 123456789.125, 1e-7, 6.02e23})
    EXPECT_EQ(CDbl(Variant(CStr(Variant(v)))), v) << v;
}

TEST(ErrorTest, StandardTextsAndFloatingPointFaults) {
  const Error e(53, {}, "C:\\x\\Cavix.ini");
  EXPECT_STREQ(e.what(), "File not found");
  EXPECT_EQ(e.Source(), "C:\\x\\Cavix.ini");
  EXPECT_EQ(Error(5, "Own text").Description(), "Own text");

  EXPECT_EQ(Div(1, 4), 0.25);
  EXPECT_EQ(ErrorOf([] { Div(-1, 0); }), err::kDivisionByZero);
  EXPECT_EQ(ErrorOf([] { Div(0, 0); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { Tan(kInf); }), err::kOverflow);
  // 118° drill point: half angle 59° with π = 3.14159265358979, not M_PI.
  EXPECT_EQ(HalfAngleRadians(118), ((3.14159265358979 / 180) * 118) / 2);
  EXPECT_NE(HalfAngleRadians(180), M_PI / 2);

  // A broken invariant is no numbered error: it says what should have held, and where.
  std::string said;
  try {
    CAVIX_ASSERT(Div(1, 4) > 1, "a quarter is more than one");
  } catch (const InternalError& e) {
    said = e.what();
  }
  EXPECT_EQ(said.rfind("a quarter is more than one (Div(1, 4) > 1, conversion_test.cpp:", 0), 0u)
      << said;
}

}  // namespace
}  // namespace cavix::rt
