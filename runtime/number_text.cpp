// Numbers as "." text with a sign position, and the leading-number reading of texts (Val).
#include "runtime/number_text.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "runtime/decimal_digits.h"
#include "runtime/error.h"

namespace cavix::rt {

namespace detail {

DecimalDigits ToDecimal(double value, int significant) {
  DecimalDigits d;
  if (significant < 1) significant = 1;
  if (significant > 17) significant = 17;
  d.negative = std::signbit(value);
  if (value == 0.0) return d;
  // "%.*e" rounds correctly from the binary value: d.ddd…e±XX.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", significant - 1, std::fabs(value));
  int exponent = 0;
  for (const char* p = buf; *p; ++p) {
    if (*p >= '0' && *p <= '9') {
      d.digits.push_back(*p);
    } else if (*p == 'e') {
      exponent = std::atoi(p + 1);
      break;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  d.point = exponent + 1;
  return d;
}

std::string DigitsText(const DecimalDigits& d, char decimal, bool leadingZero) {
  if (d.digits.empty()) return "0";
  const int n = static_cast<int>(d.digits.size());
  const int exponent = d.point - 1;
  std::string out;
  // The classic runtime switches to the exponent form from 1E+15 up (15 digits no longer show
  // the units) and below 1E-04; 0.0001 still prints as ".0001".
  if (exponent >= 15 || exponent < -4) {
    out.push_back(d.digits[0]);
    if (n > 1) {
      out.push_back(decimal);
      out.append(d.digits, 1, std::string::npos);
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    out += buf;
    return out;
  }
  if (d.point <= 0) {
    if (leadingZero) out.push_back('0');
    out.push_back(decimal);
    out.append(static_cast<size_t>(-d.point), '0');
    out += d.digits;
  } else if (d.point >= n) {
    out = d.digits;
    out.append(static_cast<size_t>(d.point - n), '0');
  } else {
    out.assign(d.digits, 0, static_cast<size_t>(d.point));
    out.push_back(decimal);
    out.append(d.digits, static_cast<size_t>(d.point), std::string::npos);
  }
  return out;
}

double StrtodC(const char* text) {
  // The process locale may have been set from the environment (the Qt window does); reading
  // "." numbers must not depend on it.
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtod_l(text, nullptr, c);
}

std::string NonFiniteText(double value) {
  if (std::isnan(value)) return "NaN";
  return value < 0 ? "-Infinity" : "Infinity";
}

}  // namespace detail

std::string NumberText(double v) {
  if (!std::isfinite(v)) {
    std::string t = detail::NonFiniteText(v);
    return t[0] == '-' ? t : " " + t;
  }
  if (v == 0.0) return " 0";  // also -0
  const detail::DecimalDigits d = detail::ToDecimal(v, 15);
  return (d.negative ? "-" : " ") + detail::DigitsText(d, '.', false);
}

std::string TrimmedNumberText(double v) {
  std::string t = NumberText(v);
  const size_t first = t.find_first_not_of(' ');
  const size_t last = t.find_last_not_of(' ');
  if (first == std::string::npos) return {};
  return t.substr(first, last - first + 1);
}

std::string NumberText(long long v) {
  std::string digits = std::to_string(v);
  return v < 0 ? digits : " " + digits;
}

namespace {

bool IsValBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Reads the characters of `text` that Val looks at, skipping blanks, tabs and line feeds.
class ValCursor {
 public:
  explicit ValCursor(std::string_view text) : text_(text) { SkipBlanks(); }
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void Next() {
    ++pos_;
    SkipBlanks();
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsValBlank(text_[pos_])) ++pos_;
  }
  std::string_view text_;
  size_t pos_ = 0;
};

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9')
    v = c - '0';
  else if (c >= 'a' && c <= 'f')
    v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    v = c - 'A' + 10;
  return v >= 0 && v < base ? v : -1;
}

// "&H…" and "&O…": a 16-bit pattern when it fits in 16 bits, else a 32-bit one, so &HFFFF is -1
// as in the classic runtime; more than 32 bits overflow.
double ValRadix(ValCursor& c, int base) {
  uint64_t value = 0;
  while (!c.AtEnd()) {
    const int digit = DigitValue(c.Peek(), base);
    if (digit < 0) break;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFull) Raise(err::kOverflow);
    c.Next();
  }
  if (value <= 0xFFFFull) return static_cast<int16_t>(static_cast<uint16_t>(value));
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

}  // namespace

double Val(std::string_view text) {
  ValCursor c(text);
  if (c.Peek() == '&') {
    c.Next();
    const char kind = c.Peek();
    if (kind == 'H' || kind == 'h') {
      c.Next();
      return ValRadix(c, 16);
    }
    if (kind == 'O' || kind == 'o') {
      c.Next();
      return ValRadix(c, 8);
    }
    return 0;
  }
  // Collect a clean number text for strtod: sign, digits, one point, exponent with digits.
  std::string clean;
  if (c.Peek() == '-' || c.Peek() == '+') {
    clean.push_back(c.Peek());
    c.Next();
  }
  bool anyDigit = false;
  while (c.Peek() >= '0' && c.Peek() <= '9') {
    clean.push_back(c.Peek());
    anyDigit = true;
    c.Next();
  }
  if (c.Peek() == '.') {
    clean.push_back('.');
    c.Next();
    while (c.Peek() >= '0' && c.Peek() <= '9') {
      clean.push_back(c.Peek());
      anyDigit = true;
      c.Next();
    }
  }
  if (!anyDigit) return 0;
  const char e = c.Peek();
  if (e == 'E' || e == 'e' || e == 'D' || e == 'd') {
    c.Next();
    std::string exponent = "e";
    if (c.Peek() == '-' || c.Peek() == '+') {
      exponent.push_back(c.Peek());
      c.Next();
    }
    bool expDigit = false;
    while (c.Peek() >= '0' && c.Peek() <= '9') {
      exponent.push_back(c.Peek());
      expDigit = true;
      c.Next();
    }
    if (expDigit) clean += exponent;
  }
  errno = 0;
  const double v = detail::StrtodC(clean.c_str());
  if (!std::isfinite(v) || (errno == ERANGE && std::fabs(v) > 1.0)) Raise(err::kOverflow);
  return v == 0.0 ? 0.0 : v;  // no -0
}

}  // namespace cavix::rt
