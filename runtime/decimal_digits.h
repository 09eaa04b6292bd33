// Internal to the runtime: a finite double as decimal digits, the common ground of the
// "." number text, the regional general form and fixed-decimal formatting.
#pragma once

#include <string>

namespace cavix::rt::detail {

// |value| = 0.d1 d2 d3 ... × 10^point, digits without leading or trailing zeros.
// Zero has no digits.
struct DecimalDigits {
  bool negative = false;
  std::string digits;
  int point = 0;
};

// The value rounded to `significant` digits (1..17, correctly rounded from the binary value).
// The value must be finite.
DecimalDigits ToDecimal(double value, int significant);

// Digits in plain or exponent form as both number texts write them: exponent form when the
// decimal exponent is 15 or more or below -4; `decimal` is the separator, `leadingZero` puts
// "0" before the separator below 1. No sign, no blank.
std::string DigitsText(const DecimalDigits& d, char decimal, bool leadingZero);

// strtod in the "C" locale whatever the process locale; sets errno as strtod does.
double StrtodC(const char* text);

// Text for infinities and NaN, which the runtime never produces itself but may be handed.
std::string NonFiniteText(double value);

}  // namespace cavix::rt::detail
