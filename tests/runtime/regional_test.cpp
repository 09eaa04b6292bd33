// Regional settings and the precision text of the dialog, in a "." region and a "," region.
#include "runtime/regional.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/error.h"
#include "runtime/number_text.h"

namespace cavix::rt {
namespace {

TEST(RegionalForTest, KnownRegionsAndFallback) {
  struct Row {
    const char* name;
    char decimal;
    char grouping;
  } rows[] = {
      {"en_US", '.', ','},
      {"en_GB.UTF-8", '.', ','},
      {"C", '.', ','},
      {"POSIX", '.', ','},
      {"", '.', ','},
      {"de_DE", ',', '.'},
      {"de_DE.UTF-8@euro", ',', '.'},
      {"de_AT", ',', '.'},
      {"it_IT.UTF-8", ',', '.'},
      {"fr_FR", ',', ' '},
      {"es_ES", ',', '.'},
      {"nl_NL", ',', '.'},
      {"pt_BR", ',', '.'},
      {"ru_RU.KOI8-R", ',', ' '},
      {"de_CH", '.', '\''},
      {"ja_JP", '.', ','},
      {"zh_CN.GB18030", '.', ','},
      {"de-DE", ',', '.'},
      {"xx_YY", '.', ','},
      {"@", '.', ','},
  };
  for (const Row& r : rows) {
    const RegionalSettings s = RegionalFor(r.name);
    EXPECT_EQ(s.decimal, r.decimal) << r.name;
    EXPECT_EQ(s.grouping, r.grouping) << r.name;
    EXPECT_TRUE(s.leadingZero) << r.name;
  }
  EXPECT_EQ(RegionalFor("it_IT.UTF-8").name, "it_IT");
}

TEST(RegionalForTest, EnvironmentOrderWithCavixLocaleFirst) {
  ::setenv("LANG", "de_DE.UTF-8", 1);
  ::setenv("LC_ALL", "", 1);
  ::setenv("LC_NUMERIC", "", 1);
  ::unsetenv("CAVIX_LOCALE");
  SetRegional(std::nullopt);
  EXPECT_EQ(DecimalSeparator(), ",");
  ::setenv("LC_NUMERIC", "en_US.UTF-8", 1);
  SetRegional(std::nullopt);
  EXPECT_EQ(DecimalSeparator(), ".");
  ::setenv("CAVIX_LOCALE", "it_IT", 1);
  SetRegional(std::nullopt);
  EXPECT_EQ(DecimalSeparator(), ",");
  EXPECT_EQ(Regional().name, "it_IT");
  // Settings are kept until they are replaced or re-read.
  ::setenv("CAVIX_LOCALE", "en_US", 1);
  EXPECT_EQ(DecimalSeparator(), ",");
  SetRegional(RegionalFor("C"));
  EXPECT_EQ(DecimalSeparator(), ".");
  ::unsetenv("CAVIX_LOCALE");
  ::unsetenv("LC_NUMERIC");
  SetRegional(std::nullopt);
}

class FormatTest : public ::testing::Test {
 protected:
  void TearDown() override { SetRegional(std::nullopt); }
  static void Use(const char* name, bool leadingZero = true) {
    RegionalSettings s = RegionalFor(name);
    s.leadingZero = leadingZero;
    SetRegional(s);
  }
};

struct FixedRow {
  double value;
  int decimals;
  const char* us;  // en_US
  const char* de;  // de_DE
};

TEST_F(FormatTest, FixedDecimalsInBothRegions) {
  const FixedRow rows[] = {
      {0.5, 2, "0.50", "0,50"},
      {10, 0, "10", "10"},
      {10, 3, "10.000", "10,000"},
      {1234.5, 2, "1,234.50", "1.234,50"},
      {-1234567.891, 2, "-1,234,567.89", "-1.234.567,89"},
      {999.995, 2, "1,000.00", "1.000,00"},  // carry into a new group
      {0.125, 2, "0.13", "0,13"},            // halves away from zero
      {-0.125, 2, "-0.13", "-0,13"},
      {2.675, 2, "2.68", "2,68"},  // the decimal value, not its binary neighbour
      {1.005, 2, "1.01", "1,01"},
      {2.5, 0, "3", "3"},
      {-2.5, 0, "-3", "-3"},
      {0.4, 0, "0", "0"},
      {-0.004, 2, "0.00", "0,00"},  // never "-0.00"
      {-0.0, 1, "0.0", "0,0"},
      {0.001, 2, "0.00", "0,00"},
      {0.0051, 2, "0.01", "0,01"},
      {5e-10, 3, "0.000", "0,000"},
      {6.0, -1, "6", "6"},  // negative decimals count as none
      {123456, 0, "123,456", "123.456"},
      {0.1 + 0.2, 17, "0.30000000000000000", "0,30000000000000000"},
  };
  for (const FixedRow& r : rows) {
    Use("en_US");
    EXPECT_EQ(FormatFixed(r.value, r.decimals), r.us) << r.value << " / " << r.decimals;
    Use("de_DE");
    EXPECT_EQ(FormatFixed(r.value, r.decimals), r.de) << r.value << " / " << r.decimals;
  }
}

TEST_F(FormatTest, FixedWithoutLeadingZeroAndOtherGroupings) {
  Use("en_US", false);
  EXPECT_EQ(FormatFixed(0.5, 2), ".50");
  EXPECT_EQ(FormatFixed(-0.5, 1), "-.5");
  EXPECT_EQ(FormatFixed(0.4, 0), "0");
  Use("fr_FR");
  EXPECT_EQ(FormatFixed(1234567.5, 1), "1 234 567,5");
  Use("de_CH");
  EXPECT_EQ(FormatFixed(-9876.54, 2), "-9'876.54");
}

TEST_F(FormatTest, FixedHandlesExtremes) {
  Use("en_US");
  const std::string huge = FormatFixed(1e300, 2);
  EXPECT_EQ(huge.substr(0, 8), "1,000,00");
  EXPECT_EQ(huge.size(), 301 + 100 + 3);  // digits, separators, ".00"
  EXPECT_EQ(FormatFixed(-1.7976931348623157e308, 0).substr(0, 8), "-179,769");  // 309 digits
  EXPECT_EQ(FormatFixed(1.5, 1000000000).size(), 2u + 340u);
  EXPECT_EQ(FormatFixed(4.9e-324, 2), "0.00");
}

TEST_F(FormatTest, GeneralForm) {
  Use("en_US");
  EXPECT_EQ(FormatGeneral(0.5), "0.5");
  EXPECT_EQ(FormatGeneral(-12.25), "-12.25");
  EXPECT_EQ(FormatGeneral(1234567), "1234567");
  EXPECT_EQ(FormatGeneral(0), "0");
  EXPECT_EQ(FormatGeneral(1e15), "1E+15");
  EXPECT_EQ(FormatGeneral(1.0 / 3), "0.333333333333333");
  Use("de_DE");
  EXPECT_EQ(FormatGeneral(1234.5), "1234,5");
  EXPECT_EQ(FormatGeneral(2.5e-7), "2,5E-07");
}

TEST_F(FormatTest, ParseInBothRegions) {
  struct Row {
    const char* region;
    const char* in;
    bool ok;
    double value;
  } rows[] = {
      {"en_US", "12", true, 12},          {"en_US", "  12.5  ", true, 12.5},
      {"en_US", "-0.25", true, -0.25},    {"en_US", "+3", true, 3},
      {"en_US", ".5", true, 0.5},         {"en_US", "5.", true, 5},
      {"en_US", "1,234.5", true, 1234.5}, {"en_US", "1,234,567", true, 1234567},
      {"en_US", "1e3", true, 1000},       {"en_US", "2.5E-2", true, 0.025},
      {"en_US", "- 4", true, -4},         {"en_US", "", false, 0},
      {"en_US", " ", false, 0},           {"en_US", ".", false, 0},
      {"en_US", "-", false, 0},           {"en_US", "1,5", false, 0},
      {"en_US", "1,2345", false, 0},      {"en_US", ",123", false, 0},
      {"en_US", "1234,567", false, 0},    {"en_US", "1,,234", false, 0},
      {"en_US", "12a", false, 0},         {"en_US", "1.2.3", false, 0},
      {"en_US", "1e", false, 0},          {"en_US", "1 000", false, 0},
      {"en_US", "0,5", false, 0},         {"en_US", "1e999", false, 0},
      {"en_US", "&HFF", false, 0},        {"en_US", "1,234.", true, 1234},
      {"en_US", "12,", false, 0},         {"de_DE", "12,5", true, 12.5},
      {"de_DE", "-0,25", true, -0.25},    {"de_DE", ",5", true, 0.5},
      {"de_DE", "1.234,5", true, 1234.5}, {"de_DE", "1.234.567", true, 1234567},
      {"de_DE", "2,5e2", true, 250},      {"de_DE", "1.5", false, 0},
      {"de_DE", "12.5", false, 0},        {"de_DE", "1,2,3", false, 0},
      {"de_DE", "0.5", false, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.region) + " \"" + r.in + "\"");
    Use(r.region);
    double v = -999;
    EXPECT_EQ(ParseRegionalNumber(r.in, v), r.ok);
    EXPECT_EQ(v, r.ok ? r.value : -999) << "untouched on failure";
  }
  double v = 0;
  EXPECT_EQ(ReadRegionalNumber("1e999", v), NumberReading::Overflow);
  EXPECT_EQ(ReadRegionalNumber("x", v), NumberReading::NotNumber);
}

TEST_F(FormatTest, PrecisionTextRoundTrips) {
  // The dialog shows a value with P decimals and reads the text back: both regions agree.
  for (const char* region : {"en_US", "de_DE", "fr_FR", "de_CH"}) {
    Use(region);
    for (double v : {0.0, 0.001, 2.5, -17.125, 1234.5678, 98765432.1}) {
      for (int p : {0, 1, 2, 4}) {
        double back = 0;
        const std::string text = FormatFixed(v, p);
        ASSERT_TRUE(ParseRegionalNumber(text, back)) << region << ": " << text;
        EXPECT_EQ(FormatFixed(back, p), text) << region;
      }
    }
  }
}

// Arbitrary texts built from the characters numbers are made of: the readers never fail other
// than by their documented results, and whatever the regional reader accepts, the general form
// writes back to the same number.
TEST(ParsersTest, SurviveArbitraryNumberLikeText) {
  static const char kAlphabet[] = "0123456789.,'eEdD+-&HhOo \t\n\x80\xc3";
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (const char* region : {"en_US", "de_DE", "fr_FR", "de_CH"}) {
    SetRegional(RegionalFor(region));
    for (int n = 0; n < 20000; ++n) {
      std::string text;
      const uint32_t length = next() % 12;
      for (uint32_t i = 0; i < length; ++i)
        text.push_back(kAlphabet[next() % (sizeof kAlphabet - 1)]);
      try {
        const double v = Val(text);
        EXPECT_TRUE(std::isfinite(v)) << text;
      } catch (const Error& e) {
        EXPECT_EQ(e.Number(), err::kOverflow) << text;
      }
      double v = 0;
      if (ParseRegionalNumber(text, v)) {
        double back = 0;
        ASSERT_TRUE(ParseRegionalNumber(FormatGeneral(v), back)) << region << " " << text;
        EXPECT_EQ(FormatGeneral(back), FormatGeneral(v)) << region << " " << text;
      }
    }
  }
  SetRegional(std::nullopt);
}

}  // namespace
}  // namespace cavix::rt
