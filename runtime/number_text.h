// Numbers as text: the "." forms that names and files use, leading-number parsing, and the
// regional forms that the dialog shows.
#pragma once

#include <string>
#include <string_view>

namespace cavix::rt {

// Number text: "." decimal point whatever the region, no grouping, at most 15 significant digits
// with trailing zeros dropped, no zero before the point below 1, a leading blank for zero and
// positive numbers, "-" for negative ones: 10 -> " 10", 0.5 -> " .5", -2.25 -> "-2.25".
// Very large or very small magnitudes use an exponent: 1E+20 -> " 1E+20", 1E-05 -> " 1E-05".
std::string NumberText(double v);
// The same without leading and trailing blanks: "10", ".5".
std::string TrimmedNumberText(double v);
// The number text of an integer with its sign position: 5 -> " 5", -1 -> "-1".
std::string NumberText(long long v);

// The leading number of a text, "." as decimal point: blanks, tabs and line feeds anywhere are
// ignored, reading stops at the first character that cannot continue the number, an exponent
// (E or D) is allowed, "&H" and "&O" prefixes read hexadecimal and octal. No number gives 0.
// Overflow raises 6.
double Val(std::string_view text);

}  // namespace cavix::rt
