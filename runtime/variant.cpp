// The variant value and its classic conversions: banker's rounding to integers with overflow
// errors, text read as a regional number, empty as 0 or "".
#include "runtime/variant.h"

#include <cfloat>
#include <cmath>

#include "runtime/error.h"
#include "runtime/regional.h"

namespace cavix::rt {

namespace {

// Round half to even without depending on the floating-point rounding mode.
double RoundHalfEven(double v) {
  const double floor = std::floor(v);
  const double diff = v - floor;
  if (diff < 0.5) return floor;
  if (diff > 0.5) return floor + 1.0;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

double ToDouble(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
      return 0.0;
    case VarType::Int16:
      return v.I16();
    case VarType::Int32:
      return v.I32();
    case VarType::Double:
      return v.F64();
    case VarType::Bool:
      return v.Bool() ? -1.0 : 0.0;
    case VarType::Text: {
      double d = 0.0;
      switch (ReadRegionalNumber(v.Text(), d)) {
        case NumberReading::Number:
          return d;
        case NumberReading::Overflow:
          Raise(err::kOverflow);
        case NumberReading::NotNumber:
          break;
      }
      Raise(err::kTypeMismatch);
    }
  }
  Raise(err::kTypeMismatch);
}

}  // namespace

VarType Variant::Type() const {
  switch (v_.index()) {
    case 0:
      return VarType::Empty;
    case 1:
      return VarType::Int16;
    case 2:
      return VarType::Int32;
    case 3:
      return VarType::Double;
    case 4:
      return VarType::Bool;
    default:
      return VarType::Text;
  }
}

bool Variant::IsNumeric() const {
  const VarType t = Type();
  return t == VarType::Int16 || t == VarType::Int32 || t == VarType::Double || t == VarType::Bool;
}

int16_t CInt(double v) {
  if (!std::isfinite(v)) Raise(err::kOverflow);
  const double r = RoundHalfEven(v);
  if (r < -32768.0 || r > 32767.0) Raise(err::kOverflow);
  return static_cast<int16_t>(r);
}

int32_t CLng(double v) {
  if (!std::isfinite(v)) Raise(err::kOverflow);
  const double r = RoundHalfEven(v);
  if (r < -2147483648.0 || r > 2147483647.0) Raise(err::kOverflow);
  return static_cast<int32_t>(r);
}

int16_t CInt(const Variant& v) {
  switch (v.Type()) {
    case VarType::Int16:
      return v.I16();
    case VarType::Int32:
      if (v.I32() < -32768 || v.I32() > 32767) Raise(err::kOverflow);
      return static_cast<int16_t>(v.I32());
    default:
      return CInt(ToDouble(v));
  }
}

int32_t CLng(const Variant& v) {
  switch (v.Type()) {
    case VarType::Int16:
      return v.I16();
    case VarType::Int32:
      return v.I32();
    default:
      return CLng(ToDouble(v));
  }
}

double CDbl(const Variant& v) { return ToDouble(v); }

std::string CStr(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
      return {};
    case VarType::Int16:
      return std::to_string(v.I16());
    case VarType::Int32:
      return std::to_string(v.I32());
    case VarType::Double:
      return FormatGeneral(v.F64());
    case VarType::Bool:
      return v.Bool() ? "True" : "False";
    case VarType::Text:
      return v.Text();
  }
  return {};
}

float CSng(const Variant& v) {
  const double d = ToDouble(v);
  if (std::isnan(d) || std::fabs(d) > static_cast<double>(FLT_MAX)) Raise(err::kOverflow);
  return static_cast<float>(d);
}

const char* TypeName(VarType t) {
  switch (t) {
    case VarType::Empty:
      return "empty";
    case VarType::Int16:
      return "i16";
    case VarType::Int32:
      return "i32";
    case VarType::Double:
      return "f64";
    case VarType::Bool:
      return "bool";
    case VarType::Text:
      return "text";
  }
  return "empty";
}

}  // namespace cavix::rt
