// Regional number settings (decimal and grouping separators, leading zero) and the regional
// number forms: fixed decimals for the dialog, the general form of CStr, and reading them back.
#include "runtime/regional.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "runtime/decimal_digits.h"

namespace cavix::rt {

namespace {

struct LocaleRow {
  const char* name;  // full "ll_CC" or bare language "ll"
  char decimal;
  char grouping;
};

// Full names first so that a country can differ from its language; the bare language row serves
// the other countries. The grouping blank stands for the no-break space some regions use.
// clang-format off
constexpr LocaleRow kLocales[] = {
    // name      decimal grouping
    {"de_CH", '.', '\''},
    {"it_CH", '.', '\''},
    {"fr_CH", '.', '\''},
    {"de_LI", '.', '\''},
    {"pt_BR", ',', '.'},
    {"pt_PT", ',', ' '},
    {"es_MX", '.', ','},
    {"es_US", '.', ','},
    {"en_ZA", ',', ' '},
    {"fr_CA", ',', ' '},
    {"C", '.', ','},
    {"POSIX", '.', ','},
    {"en", '.', ','},
    {"ja", '.', ','},
    {"zh", '.', ','},
    {"ko", '.', ','},
    {"he", '.', ','},
    {"th", '.', ','},
    {"hi", '.', ','},
    {"ga", '.', ','},
    {"de", ',', '.'},
    {"it", ',', '.'},
    {"es", ',', '.'},
    {"nl", ',', '.'},
    {"pt", ',', '.'},
    {"da", ',', '.'},
    {"id", ',', '.'},
    {"tr", ',', '.'},
    {"el", ',', '.'},
    {"ro", ',', '.'},
    {"hr", ',', '.'},
    {"sl", ',', '.'},
    {"sr", ',', '.'},
    {"fr", ',', ' '},
    {"ru", ',', ' '},
    {"uk", ',', ' '},
    {"be", ',', ' '},
    {"bg", ',', ' '},
    {"pl", ',', ' '},
    {"cs", ',', ' '},
    {"sk", ',', ' '},
    {"hu", ',', ' '},
    {"sv", ',', ' '},
    {"fi", ',', ' '},
    {"nb", ',', ' '},
    {"nn", ',', ' '},
    {"no", ',', ' '},
    {"et", ',', ' '},
    {"lv", ',', ' '},
    {"lt", ',', ' '},
};
// clang-format on

std::optional<RegionalSettings>& Current() {
  static std::optional<RegionalSettings> current;
  return current;
}

RegionalSettings FromEnvironment() {
  for (const char* var : {"CAVIX_LOCALE", "LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return RegionalFor(value);
  }
  return RegionalFor("C");
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

RegionalSettings RegionalFor(std::string_view localeName) {
  // "de_DE.UTF-8@euro" -> "de_DE"; "de-DE" is read as "de_DE".
  const size_t cut = localeName.find_first_of(".@");
  std::string name(localeName.substr(0, cut));
  for (char& ch : name) {
    if (ch == '-') ch = '_';
  }
  RegionalSettings s;
  s.name = name.empty() ? "C" : name;
  const std::string language = name.substr(0, name.find('_'));
  const LocaleRow* found = nullptr;
  for (const auto& row : kLocales) {
    if (name == row.name) {
      found = &row;
      break;
    }
  }
  if (!found) {
    for (const auto& row : kLocales) {
      if (language == row.name) {
        found = &row;
        break;
      }
    }
  }
  if (found) {
    s.decimal = found->decimal;
    s.grouping = found->grouping;
  }
  return s;
}

const RegionalSettings& Regional() {
  auto& current = Current();
  if (!current) current = FromEnvironment();
  return *current;
}

void SetRegional(std::optional<RegionalSettings> settings) { Current() = std::move(settings); }

std::string DecimalSeparator() { return std::string(1, Regional().decimal); }

std::string FormatFixed(double v, int decimals) {
  if (!std::isfinite(v)) return detail::NonFiniteText(v);
  // More decimals than any double can carry only add zeros; the cap keeps a wild precision
  // setting from asking for gigabytes.
  if (decimals < 0) decimals = 0;
  if (decimals > 340) decimals = 340;
  const RegionalSettings& r = Regional();

  // Rounding works on the number as it reads in 15 digits (the value the user sees), so 2.675
  // gives 2.68 although its binary value lies a little below.
  const detail::DecimalDigits d = detail::ToDecimal(v, 15);
  // All digits of the result, integer part then `decimals` fraction digits.
  std::string digits;
  int intDigits = d.point > 0 ? d.point : 0;
  for (int i = 0; i < intDigits + decimals; ++i) {
    const int index = d.point - intDigits + i;  // index into d.digits
    digits.push_back(index >= 0 && index < static_cast<int>(d.digits.size())
                         ? d.digits[static_cast<size_t>(index)]
                         : '0');
  }
  // Half away from zero: look at the first dropped digit.
  const int dropped = d.point + decimals;  // index of the first dropped digit in d.digits
  if (dropped >= 0 && dropped < static_cast<int>(d.digits.size()) &&
      d.digits[static_cast<size_t>(dropped)] >= '5') {
    int i = static_cast<int>(digits.size()) - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9') {
      digits[static_cast<size_t>(i)] = '0';
      --i;
    }
    if (i >= 0) {
      ++digits[static_cast<size_t>(i)];
    } else {
      digits.insert(digits.begin(), '1');
      ++intDigits;
    }
  }
  const bool allZero = digits.find_first_not_of('0') == std::string::npos;

  std::string out;
  if (d.negative && !allZero) out.push_back('-');
  const std::string intPart = digits.substr(0, static_cast<size_t>(intDigits));
  if (intPart.empty()) {
    if (r.leadingZero || decimals == 0) out.push_back('0');
  } else {
    for (size_t i = 0; i < intPart.size(); ++i) {
      if (i > 0 && r.grouping && (intPart.size() - i) % 3 == 0) out.push_back(r.grouping);
      out.push_back(intPart[i]);
    }
  }
  if (decimals > 0) {
    out.push_back(r.decimal);
    out.append(digits, static_cast<size_t>(intDigits), std::string::npos);
  }
  return out;
}

std::string FormatGeneral(double v) {
  if (!std::isfinite(v)) return detail::NonFiniteText(v);
  if (v == 0.0) return "0";
  const detail::DecimalDigits d = detail::ToDecimal(v, 15);
  const RegionalSettings& r = Regional();
  return (d.negative ? "-" : "") + detail::DigitsText(d, r.decimal, r.leadingZero);
}

NumberReading ReadRegionalNumber(std::string_view text, double& out) {
  const RegionalSettings& r = Regional();
  size_t i = 0;
  const size_t n = text.size();
  auto skipBlanks = [&] {
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  std::string clean;
  skipBlanks();
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    clean.push_back(text[i]);
    ++i;
    skipBlanks();
  }
  // Integer part: digits, with grouping separators only between whole groups of three.
  bool anyDigit = false;
  int leadRun = 0;    // digits before the first grouping separator
  int groupRun = -1;  // digits since the last grouping separator; -1 before any separator
  while (i < n) {
    if (IsDigit(text[i])) {
      clean.push_back(text[i]);
      anyDigit = true;
      ++(groupRun >= 0 ? groupRun : leadRun);
      ++i;
    } else if (r.grouping && text[i] == r.grouping && i + 1 < n && IsDigit(text[i + 1]) &&
               (groupRun < 0 ? leadRun >= 1 && leadRun <= 3 : groupRun == 3)) {
      groupRun = 0;
      ++i;
    } else {
      break;
    }
  }
  if (groupRun >= 0 && groupRun != 3) return NumberReading::NotNumber;
  if (i < n && text[i] == r.decimal) {
    clean.push_back('.');
    ++i;
    while (i < n && IsDigit(text[i])) {
      clean.push_back(text[i]);
      anyDigit = true;
      ++i;
    }
  }
  if (!anyDigit) return NumberReading::NotNumber;
  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    clean.push_back('e');
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) clean.push_back(text[i++]);
    bool expDigit = false;
    while (i < n && IsDigit(text[i])) {
      clean.push_back(text[i]);
      expDigit = true;
      ++i;
    }
    if (!expDigit) return NumberReading::NotNumber;
  }
  skipBlanks();
  if (i != n) return NumberReading::NotNumber;
  errno = 0;
  const double v = detail::StrtodC(clean.c_str());
  if (!std::isfinite(v) || (errno == ERANGE && std::fabs(v) > 1.0)) return NumberReading::Overflow;
  out = v == 0.0 ? 0.0 : v;
  return NumberReading::Number;
}

bool ParseRegionalNumber(std::string_view text, double& out) {
  double v = 0;
  if (ReadRegionalNumber(text, v) != NumberReading::Number) return false;
  out = v;
  return true;
}

}  // namespace cavix::rt
