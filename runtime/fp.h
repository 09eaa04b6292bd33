// Floating-point steps that raise numbered errors instead of producing infinities or NaNs:
// division by zero raises 11, overflow and invalid operations raise 6, as the classic runtime does.
#pragma once

namespace cavix::rt {

// π as the hole logic has always used it (not the full double value): kept so that stored and
// reported numbers stay the same.
inline constexpr double kPi = 3.14159265358979;
// Millimetres in one inch.
inline constexpr double kMmPerInch = 25.4;

// Returns v, or raises 6 "Overflow" when v is infinite or not a number.
double Checked(double v);
// a / b; raises 11 when b is 0 and a is not, 6 for 0 / 0 or an overflowing quotient.
double Div(double a, double b);
// tan(x) for x in radians; raises 6 on a non-finite argument or result.
double Tan(double x);
// Converts an included angle in degrees to the half angle in radians (as the hole logic does
// before taking a tangent), with kPi.
double HalfAngleRadians(double includedDegrees);

}  // namespace cavix::rt
