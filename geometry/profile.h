// Hole cross-sections as pure values: the parameters of a hole, the derived radii and cone
// heights, and the closed point chain that the host revolves into the hole. No host calls here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cavix::geo {

// A profile vertex in the hole's section plane: x is the distance from the axis (never negative),
// y the depth (0 at the top face, negative downwards), both in millimetres. `onAxis` and `onTop`
// mark coordinates that are fixed at 0 by construction (the axis, the top face): the writer hands
// those to the host as the integer 0, every other coordinate as a double.
struct Point2 {
  double x = 0;
  double y = 0;
  bool onAxis = false;
  bool onTop = false;
};

// A closed chain: starts at (0, 0), runs out along the top face, down the bore, back to the axis
// and up the axis, ending again at (0, 0) (the last point repeats the first). Seen with y up it
// winds clockwise. Revolved about x = 0 it gives the hole.
using Profile = std::vector<Point2>;

// What is cut at the mouth of the bore. Fixed numeric values: they follow the hole type codes.
enum class Recess : int16_t {
  None = 1,         // plain hole
  Counterbore = 2,  // cylinder Dc x Lc
  Countersink = 3,  // cone from Ds down to the bore
  Counterdrill = 4  // cylinder Dc x Lc, then a cone down to the bore
};

// Everything a builder needs; lengths in millimetres, angles as included angles in degrees.
struct HoleParams {
  Recess recess = Recess::None;
  bool threaded = false;
  double diameter = 0;        // D: nominal (major thread) diameter
  double boreLength = 0;      // L: bore below the recess, down to the start of the drill point
  double pointAngle = 0;      // A: drill point; 0 or less is a flat bottom
  double allowance = 0;       // T: plain holes are drilled at D + T
  double threadLength = 0;    // LT: threaded holes only, measured like L
  double pitch = 0;           // P: threaded holes are drilled at D - P
  double recessDiameter = 0;  // Dc or Ds
  double recessDepth = 0;     // Lc: counterbore and counterdrill
  double recessAngle = 0;     // As or Ac: countersink and counterdrill; 0 or less is no cone
};

// The derived sizes of a hole, all in millimetres.
struct ProfileSizes {
  double boreRadius = 0;    // r
  double pointHeight = 0;   // h, drill point cone
  double coneHeight = 0;    // hs or hc, recess cone (0 without one)
  double maxDiameter = 0;   // Dmax: 2r, Dc or Ds
  double threadMiddle = 0;  // depth (negative) of the middle of the threaded length
};

// Bore radius r: (D + T) / 2 for a plain hole, (D - P) / 2 for a threaded one.
// Raises 6 on overflow.
double BoreRadius(bool threaded, double diameter, double allowanceOrPitch);

// Height of a cone that narrows from radius `fromRadius` to `toRadius` with the given included
// angle in degrees: (fromRadius - toRadius) / tan(angle / 2). 0 when the angle is 0 or less.
// Raises 11 or 6 when the tangent or the quotient faults.
// Every cone of a hole (drill point, countersink, counterdrill) is measured this way, in the
// builders, the through-hole length correction and the projected thread alike: the three must
// agree for a through hole to end at the far face and its drawn thread to start where the bore
// does.
double ConeHeight(double fromRadius, double toRadius, double includedAngle);

// The sizes of a hole; raises the numbered error of the first floating-point step that faults.
ProfileSizes ComputeSizes(const HoleParams& p);

// The closed cross-section of a hole (see Profile). Pure: raises only numbered floating-point
// errors (6 overflow or invalid, 11 division by zero).
Profile BuildProfile(const HoleParams& p);
// The same from sizes already computed.
Profile BuildProfile(const HoleParams& p, const ProfileSizes& s);

// The depth below the top face at which the recess (counterbore, cone or both) ends and the
// bore starts; 0 for a plain hole.
double RecessBottom(const HoleParams& p, const ProfileSizes& s);

// The input that keeps a hole from being a hole: one whose outline would not be a simple closed
// chain going down from the face (a bore of no width, a length below zero, a point or cone angle
// of 180 degrees or more or not a number, a thread longer than the drilled length, a recess that
// rises out of the part).
enum class HoleFault {
  None,
  Diameter,        // the drilled diameter (D + T, or D - P) is not positive
  Length,          // the bore length is negative
  PointAngle,      // the drill-point angle is 180 or more
  ThreadLength,    // the thread is negative or longer than the drilled length
  RecessDiameter,  // the recess is narrower than the bore it leads into (a cone that rises)
  RecessDepth,     // the counterbore depth is negative
  RecessAngle,     // the countersink angle is 180 or more
};
struct HoleCheck {
  HoleFault fault = HoleFault::None;
  std::string problem;  // in words, "" when the hole is sound
  bool Sound() const { return fault == HoleFault::None; }
};
// The first input at fault, or a sound hole. A floating-point fault of the sizes raises its
// numbered error, as building the hole would.
HoleCheck CheckHole(const HoleParams& p);

}  // namespace cavix::geo
