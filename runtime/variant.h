// The value the host and the hole logic exchange: empty, 16- or 32-bit integer, double, boolean or
// text, with the classic conversions (banker's rounding to integers, error 6 out of range,
// error 13 for text that is not a number, empty as 0 or "").
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace cavix::rt {

// Fixed numeric values: they are the classic variant type codes and are stored in files.
enum class VarType : int { Empty = 0, Int16 = 2, Int32 = 3, Double = 5, Text = 8, Bool = 11 };

class Variant {
 public:
  Variant() = default;
  Variant(int16_t v) : v_(v) {}
  Variant(int32_t v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(bool v) : v_(v) {}
  Variant(std::string v) : v_(std::move(v)) {}
  Variant(const char* v) : v_(std::string(v)) {}

  VarType Type() const;
  bool IsEmpty() const { return std::holds_alternative<std::monostate>(v_); }
  bool IsNumeric() const;  // integer, double or boolean

  // Raw access; the type must match (checked by the caller through Type()).
  int16_t I16() const { return std::get<int16_t>(v_); }
  int32_t I32() const { return std::get<int32_t>(v_); }
  double F64() const { return std::get<double>(v_); }
  bool Bool() const { return std::get<bool>(v_); }
  const std::string& Text() const { return std::get<std::string>(v_); }

  // Same type and same value (doubles compared exactly).
  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  std::variant<std::monostate, int16_t, int32_t, double, bool, std::string> v_;
};

// Conversions. Text is read as a number under the regional settings (as the classic runtime
// does); a boolean is -1 for true and 0 for false; empty is 0, false or "".
int16_t CInt(const Variant& v);   // round half to even; 6 "Overflow" outside -32768..32767
int32_t CLng(const Variant& v);   // round half to even; 6 "Overflow" outside the 32-bit range
double CDbl(const Variant& v);    // 13 "Type mismatch" for text that is not a number
std::string CStr(const Variant& v);  // doubles in the regional form, up to 15 digits; bool "True"
float CSng(const Variant& v);     // 6 "Overflow" beyond the single range

int16_t CInt(double v);
int32_t CLng(double v);

// The name of a type as the model file stores it: "i16", "i32", "f64", "bool", "text", "empty".
const char* TypeName(VarType t);

}  // namespace cavix::rt
