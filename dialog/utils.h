// Number entry helpers of the hole dialog: the key filter of the dimension boxes and the
// "precision text" through which every dialog number passes (rounded to the host's precision).
#pragma once

#include <cstdint>
#include <string>

#include "dialog/session.h"

namespace cavix::dialog {

// Key codes the filter lets through unchanged.
inline constexpr int16_t kKeyBackspace = 8;
inline constexpr int16_t kKeyEnter = 13;

// The user's decimal separator ("." or ","), as formatting zero with ".#" gives it.
std::string DecimalSeparator();

// True for backspace, Enter and the digits 0 to 9.
bool IsDigitOrEditKey(int16_t key);

// The key code to use for `key` typed into a box holding `text`: digits, backspace and Enter pass;
// "." and "," both become the regional decimal separator, but only while the text has none yet;
// every other key gives 0 (discarded).
int16_t NumericKeyFilter(const std::string& text, int16_t key);

// The host's dialog precision: DialogPrecision of the application of the session's page, read
// anew and converted to a 32-bit integer. Raises 91 when the session has no page.
int32_t DialogPrecision(const DialogSession& s);

// `value` with DialogPrecision() decimals under the regional settings.
std::string PrecisionText(const DialogSession& s, double value);

// `text` read as a regional number and written back with DialogPrecision() decimals.
// Raises 13 "Type mismatch" when the text is empty or not a number.
std::string PrecisionText(const DialogSession& s, const std::string& text);

// The number a precision text stands for (PrecisionText(text) read back). Raises 13 as above.
double PrecisionValue(const DialogSession& s, const std::string& text);

// `text` written with the regional default of two decimals and read back; false when the text is
// not a number (the angle fields are normalised only when they hold one).
bool DefaultDecimalsValue(const std::string& text, double& value);

}  // namespace cavix::dialog
