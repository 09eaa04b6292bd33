// Regional settings: decimal and grouping separators and the leading zero, from CAVIX_LOCALE or
// the environment's locale, so that the dialog formats and reads numbers as the user's region does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cavix::rt {

struct RegionalSettings {
  std::string name = "en_US";
  char decimal = '.';
  char grouping = ',';  // 0: no grouping
  bool leadingZero = true;
};

// The settings of a named locale ("de_DE", "it_IT.UTF-8", "C", …). Unknown languages fall back
// to the "." settings.
RegionalSettings RegionalFor(std::string_view localeName);
// The settings in force: CAVIX_LOCALE, else LC_ALL, LC_NUMERIC, LANG, else "C".
const RegionalSettings& Regional();
// Replaces the settings in force (tests, the command line); nullopt re-reads the environment.
void SetRegional(std::optional<RegionalSettings> settings);

// The decimal separator in force, as a one-character text.
std::string DecimalSeparator();

// The number with exactly `decimals` digits after the regional decimal separator, grouped by
// thousands with the regional grouping separator, a leading zero as the region says, "-" before a
// negative number (never "-0"). Halves round away from zero on the decimal value.
// A negative `decimals` counts as 0.
std::string FormatFixed(double v, int decimals);

// The number in the regional general form (CStr of a double): up to 15 significant digits, the
// regional decimal separator, no grouping.
std::string FormatGeneral(double v);

// Reads a whole text as a number under the regional settings: blanks around it, a sign, grouping
// separators between digits, the regional decimal separator, an exponent. False when it is not a
// number.
bool ParseRegionalNumber(std::string_view text, double& out);

// ParseRegionalNumber telling a text that is no number from one beyond the double range
// (CDbl raises 13 for the first and 6 for the second). `out` is set only for Number.
enum class NumberReading { Number, NotNumber, Overflow };
NumberReading ReadRegionalNumber(std::string_view text, double& out);

}  // namespace cavix::rt
