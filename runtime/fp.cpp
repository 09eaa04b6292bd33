// Floating-point steps that turn infinities and NaNs into numbered run-time errors.
#include "runtime/fp.h"

#include <cmath>

#include "runtime/error.h"

namespace cavix::rt {

double Checked(double v) {
  if (!std::isfinite(v)) Raise(err::kOverflow);
  return v;
}

double Div(double a, double b) {
  if (b == 0.0) {
    // 0 / 0 is an invalid operation, which the classic runtime reports as an overflow.
    if (a == 0.0 || std::isnan(a)) Raise(err::kOverflow);
    Raise(err::kDivisionByZero);
  }
  return Checked(a / b);
}

double Tan(double x) {
  if (!std::isfinite(x)) Raise(err::kOverflow);
  return Checked(std::tan(x));
}

double HalfAngleRadians(double includedDegrees) {
  // This order of operations is the one the stored numbers were made with; do not fold it.
  return Checked(((kPi / 180) * includedDegrees) / 2);
}

}  // namespace cavix::rt
