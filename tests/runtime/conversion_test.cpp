// Variant conversions, numbered errors and checked floating point, as the hole logic relies on
// them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/error.h"
#include "runtime/fp.h"
#include "runtime/regional.h"
#include "runtime/variant.h"

namespace cavix::rt {
namespace {

// Runs `f` and returns the number of the run-time error it raised, or 0.
template <typename F>
int ErrorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegional(RegionalFor("en_US")); }
  void TearDown() override { SetRegional(std::nullopt); }
};

TEST_F(ConversionTest, CIntRoundsHalvesToEvenAndGuardsTheRange) {
  struct Row {
    double in;
    int expected;  // 0 with overflow = true means error 6
    bool overflow;
  } rows[] = {
      {2.5, 2, false},
      {3.5, 4, false},
      {-2.5, -2, false},
      {-3.5, -4, false},
      {0.5, 0, false},
      {-0.5, 0, false},
      {1.4999999, 1, false},
      {2.5000001, 3, false},
      {32766.5, 32766, false},
      {32767.4, 32767, false},
      {32767.5, 0, true},
      {-32768.5, -32768, false},
      {-32768.6, 0, true},
      {-32769.0, 0, true},
      {1e300, 0, true},
      {std::numeric_limits<double>::quiet_NaN(), 0, true},
      {std::numeric_limits<double>::infinity(), 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.in);
    if (r.overflow) {
      EXPECT_EQ(ErrorOf([&] { CInt(r.in); }), err::kOverflow);
      EXPECT_EQ(ErrorOf([&] { CInt(Variant(r.in)); }), err::kOverflow);
    } else {
      EXPECT_EQ(CInt(r.in), r.expected);
      EXPECT_EQ(CInt(Variant(r.in)), r.expected);
    }
  }
}

TEST_F(ConversionTest, CLngAndOtherTypesConvertToIntegers) {
  EXPECT_EQ(CLng(2147483646.5), 2147483646);
  EXPECT_EQ(CLng(-2147483648.5), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(CLng(-7.5), -8);
  EXPECT_EQ(ErrorOf([] { CLng(2147483647.5); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { CLng(-2147483649.0); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { CLng(-std::numeric_limits<double>::infinity()); }), err::kOverflow);
  EXPECT_EQ(CInt(Variant()), 0);
  EXPECT_EQ(CInt(Variant(true)), -1);
  EXPECT_EQ(CInt(Variant(false)), 0);
  EXPECT_EQ(CLng(Variant(true)), -1);
  EXPECT_EQ(CInt(Variant(int32_t{-32768})), -32768);
  EXPECT_EQ(ErrorOf([] { CInt(Variant(int32_t{40000})); }), err::kOverflow);
  EXPECT_EQ(CInt(Variant("12.5")), 12);
  EXPECT_EQ(CInt(Variant(" 13.5 ")), 14);
  EXPECT_EQ(CLng(Variant("1,000,000")), 1000000);
  EXPECT_EQ(ErrorOf([] { CInt(Variant("True")); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CInt(Variant("")); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CInt(Variant("40000")); }), err::kOverflow);
}

TEST_F(ConversionTest, CDblReadsTextUnderTheRegionalSettings) {
  EXPECT_DOUBLE_EQ(CDbl(Variant("1,234.5")), 1234.5);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant("1,5")); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant("abc")); }), err::kTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl(Variant("1E999")); }), err::kOverflow);

  SetRegional(RegionalFor("de_DE.UTF-8"));
  EXPECT_DOUBLE_EQ(CDbl(Variant("1.234,5")), 1234.5);
  EXPECT_DOUBLE_EQ(CDbl(Variant("-0,25")), -0.25);
  // In a comma region "1.5" is not a number: a misplaced group separator, never 15.
  EXPECT_EQ(ErrorOf([] { CDbl(Variant("1.5")); }), err::kTypeMismatch);
  EXPECT_EQ(CDbl(Variant()), 0.0);
  EXPECT_EQ(CDbl(Variant(true)), -1.0);
}

TEST_F(ConversionTest, CBoolAndCSng) {
  EXPECT_TRUE(CBool(Variant("true")));
  EXPECT_FALSE(CBool(Variant("FALSE")));
  EXPECT_TRUE(CBool(Variant("-1")));
  EXPECT_FALSE(CBool(Variant("0")));
  EXPECT_FALSE(CBool(Variant()));
  EXPECT_TRUE(CBool(Variant(0.1)));
  EXPECT_EQ(ErrorOf([] { CBool(Variant("yes")); }), err::kTypeMismatch);
  EXPECT_FLOAT_EQ(CSng(Variant(1.5)), 1.5f);
  EXPECT_EQ(ErrorOf([] { CSng(Variant(1e39)); }), err::kOverflow);
}

TEST_F(ConversionTest, CStrFollowsTheRegionForDoublesOnly) {
  EXPECT_EQ(CStr(Variant()), "");
  EXPECT_EQ(CStr(Variant(true)), "True");
  EXPECT_EQ(CStr(Variant(false)), "False");
  EXPECT_EQ(CStr(Variant(int16_t{-5})), "-5");
  EXPECT_EQ(CStr(Variant(int32_t{123456})), "123456");
  EXPECT_EQ(CStr(Variant(0.1 + 0.2)), "0.3");
  EXPECT_EQ(CStr(Variant(-1234.5)), "-1234.5");
  EXPECT_EQ(CStr(Variant(1e20)), "1E+20");
  SetRegional(RegionalFor("it_IT"));
  EXPECT_EQ(CStr(Variant(2.25)), "2,25");
  EXPECT_EQ(CStr(Variant(int32_t{1000})), "1000");
  // What CStr writes, CDbl reads back in the same region.
  for (double v : {0.1, -2.75, 123456789.125, 1e-7, 6.02e23}) {
    EXPECT_EQ(CDbl(Variant(CStr(Variant(v)))), v) << v;
  }
}

TEST(VariantTest, EqualityIncludesTheType) {
  EXPECT_NE(Variant(int16_t{1}), Variant(int32_t{1}));
  EXPECT_NE(Variant(1.0), Variant(true));
  EXPECT_EQ(Variant("x"), Variant(std::string("x")));
  EXPECT_TRUE(Variant(true).IsNumeric());
  EXPECT_FALSE(Variant("1").IsNumeric());
  EXPECT_FALSE(Variant().IsNumeric());
}

TEST(ErrorTest, EmptyDescriptionTakesTheStandardOne) {
  const Error e(53, {}, "C:\\x\\Cavix.ini");
  EXPECT_EQ(e.Description(), "File not found");
  EXPECT_STREQ(e.what(), "File not found");
  EXPECT_EQ(e.Source(), "C:\\x\\Cavix.ini");
  EXPECT_EQ(Error(5, "Own text").Description(), "Own text");
  EXPECT_EQ(Error(1234).Description(), "Application-defined or object-defined error");
  // Texts users read in the table-file messages.
  EXPECT_EQ(StandardDescription(5), "Invalid procedure call or argument");
  EXPECT_EQ(StandardDescription(9), "Subscript out of range");
  EXPECT_EQ(StandardDescription(62), "Input past end of file");
}

TEST(FloatingPointTest, FaultsRaiseNumberedErrors) {
  EXPECT_EQ(Div(1, 4), 0.25);
  EXPECT_EQ(ErrorOf([] { Div(1, 0); }), err::kDivisionByZero);
  EXPECT_EQ(ErrorOf([] { Div(-1, 0); }), err::kDivisionByZero);
  EXPECT_EQ(ErrorOf([] { Div(0, 0); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { Div(1e308, 1e-10); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { Tan(std::numeric_limits<double>::infinity()); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { Tan(std::numeric_limits<double>::quiet_NaN()); }), err::kOverflow);
  EXPECT_EQ(ErrorOf([] { Checked(std::numeric_limits<double>::quiet_NaN()); }), err::kOverflow);
  EXPECT_EQ(Checked(-2.0), -2.0);
}

TEST(FloatingPointTest, HalfAngleUsesTheShortPi) {
  // 118° drill point: half angle 59° with π = 3.14159265358979, not M_PI.
  EXPECT_EQ(HalfAngleRadians(118), ((3.14159265358979 / 180) * 118) / 2);
  EXPECT_NE(HalfAngleRadians(180), M_PI / 2);
  EXPECT_NEAR(Tan(HalfAngleRadians(90)), 1.0, 1e-13);
}

}  // namespace
}  // namespace cavix::rt
