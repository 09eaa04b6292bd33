// Number entry helpers of the hole dialog.
#include "dialog/utils.h"

#include "host/host_model.h"
#include "runtime/error.h"
#include "runtime/regional.h"
#include "runtime/variant.h"

namespace cavix::dialog {

std::string DecimalSeparator() { return rt::DecimalSeparator(); }

bool IsDigitOrEditKey(int16_t key) {
  return key == kKeyBackspace || key == kKeyEnter || (key >= '0' && key <= '9');
}

int16_t NumericKeyFilter(const std::string& text, int16_t key) {
  if (IsDigitOrEditKey(key)) return key;
  if (key == '.' || key == ',') {
    const std::string s = DecimalSeparator();
    if (!s.empty() && text.find(s) == std::string::npos) {
      return static_cast<int16_t>(static_cast<unsigned char>(s[0]));
    }
  }
  return (key == kKeyBackspace || key == kKeyEnter) ? key : int16_t{0};
}

int32_t DialogPrecision(const DialogSession& s) {
  if (!s.page) rt::Raise(rt::err::kObjectVariableNotSet);
  return rt::CLng(s.page->Application().DialogPrecision());
}

std::string PrecisionText(const DialogSession& s, double value) {
  return rt::FormatFixed(value, DialogPrecision(s));
}

std::string PrecisionText(const DialogSession& s, const std::string& text) {
  double v = 0;
  if (!rt::ParseRegionalNumber(text, v)) rt::Raise(rt::err::kTypeMismatch);
  return PrecisionText(s, v);
}

double PrecisionValue(const DialogSession& s, const std::string& text) {
  const std::string p = PrecisionText(s, text);
  double v = 0;
  if (!rt::ParseRegionalNumber(p, v)) rt::Raise(rt::err::kTypeMismatch);
  return v;
}

bool DefaultDecimalsValue(const std::string& text, double& value) {
  double v = 0;
  if (!rt::ParseRegionalNumber(text, v)) return false;
  return rt::ParseRegionalNumber(rt::FormatFixed(v, 2), value);
}

}  // namespace cavix::dialog
