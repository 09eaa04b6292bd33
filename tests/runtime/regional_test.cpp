// Regional settings and the precision text of the dialog, in a "." region and a "," region.
#include "runtime/regional.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>


namespace cavix::rt {
namespace {

TEST(RegionalForTest, KnownRegionsFallbackAndEnvironmentOrder) {
  struct Row {
    const char* name;
    char decimal;
    char grouping;
  } rows[] = {
      {"C", '.', ','},     {"de_DE.UTF-8@euro", ',', '.'}, {"fr_FR", ',', ' '},
      {"de_CH", '.', '\''}, {"de-DE", ',', '.'},            {"xx_YY", '.', ','},
  };
  for (const Row& r : rows) {
    const RegionalSettings s = RegionalFor(r.name);
    EXPECT_EQ((std::string{s.decimal, s.grouping}), (std::string{r.decimal, r.grouping})) << r.name;
    EXPECT_TRUE(s.leadingZero) << r.name;
  }
  EXPECT_EQ(RegionalFor("it_IT.UTF-8").name, "it_IT");

  // CAVIX_LOCALE, then LC_ALL, LC_NUMERIC, LANG; kept until replaced or re-read.
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
  EXPECT_EQ(Regional().name, "it_IT");
  ::setenv("CAVIX_LOCALE", "en_US", 1);
  EXPECT_EQ(DecimalSeparator(), ",");
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

TEST_F(FormatTest, FixedDecimalsInBothRegions) {
  struct Row {
    double value;
    int decimals;
    const char* us;  // en_US
    const char* de;  // de_DE
  } rows[] = {
      {0.5, 2, "0.50", "0,50"},
      {-1234567.891, 2, "-1,234,567.89", "-1.234.567,89"},
      {999.995, 2, "1,000.00", "1.000,00"},  // carry into a new group
      {-0.125, 2, "-0.13", "-0,13"},         // halves away from zero
      {2.675, 2, "2.68", "2,68"},            // the decimal value, not its binary neighbour
      {-0.004, 2, "0.00", "0,00"},  // never "-0.00"
      {6.0, -1, "6", "6"},  // negative decimals count as none
      {123456, 0, "123,456", "123.456"},
      {0.1 + 0.2, 17, "0.30000000000000000", "0,30000000000000000"},
  };
  for (const Row& r : rows) {
    Use("en_US");
    EXPECT_EQ(FormatFixed(r.value, r.decimals), r.us) << r.value << " / " << r.decimals;
    Use("de_DE");
    EXPECT_EQ(FormatFixed(r.value, r.decimals), r.de) << r.value << " / " << r.decimals;
  }
  Use("en_US", false);
  EXPECT_EQ(FormatFixed(-0.5, 1), "-.5");
  EXPECT_EQ(FormatFixed(0.4, 0), "0");
  Use("fr_FR");
  EXPECT_EQ(FormatFixed(1234567.5, 1), "1 234 567,5");
  Use("en_US");
  EXPECT_EQ(FormatFixed(1e300, 2).size(), 301 + 100 + 3);  // digits, separators, ".00"
  EXPECT_EQ(FormatFixed(1.5, 1000000000).size(), 2u + 340u);
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
      {"en_US", "  12.5  ", true, 12.5},     {"en_US", ".5", true, 0.5},
      {"en_US", "1,234,567", true, 1234567}, {"en_US", "2.5E-2", true, 0.025},
      {"en_US", "- 4", true, -4},            {"en_US", ".", false, 0},
      {"en_US", "1,5", false, 0},            {"en_US", "1,,234", false, 0},
      {"en_US", "1.2.3", false, 0},          {"en_US", "1e", false, 0},
      {"en_US", "&HFF", false, 0},           {"de_DE", "-0,25", true, -0.25},
      {"de_DE", "1.234.567", true, 1234567}, {"de_DE", "12.5", false, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.region) + " \"" + r.in + "\"");
    Use(r.region);
    double v = -999;
    EXPECT_EQ(ParseRegionalNumber(r.in, v), r.ok);
    EXPECT_EQ(v, r.ok ? r.value : -999) << "untouched on failure";
  }
}

}  // namespace
}  // namespace cavix::rt
