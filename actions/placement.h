// Where the holes of one drop go: single points, a list read from a file, and the patterns of the
// drop face (a grid and a bolt circle around a point).
#pragma once

#include <string>
#include <vector>

#include "actions/holes.h"

namespace cavix::actions {

// The most holes one drop places (a pattern beyond it is refused before anything is made).
inline constexpr size_t kMaxPlacements = 100000;

// Two unit directions in the face a hole of axis `normal` is drilled into, at right angles to
// each other and to the axis: the two model axes that lie most nearly in the face, in x, y, z
// order, made square to the axis (on the face z = const: x and y; x = const: y and z;
// y = const: x and z). Raises 5 for a zero or non-finite axis.
struct FaceAxes {
  scene::Vec3 u, v;
};
FaceAxes AxesOnFace(const scene::Vec3& normal);

// NX x NY holes DX and DY apart along the face's first and second axis, centred on `centre`. A
// spacing must be positive where more than one hole lies along it (5 otherwise: holes 0 apart
// would stack on one spot).
std::vector<Placement> GridPattern(const Placement& centre, int nx, int ny, double dx, double dy);

// N holes evenly round a circle of `radius` (positive, else 5) about `centre`, the first at
// `startDegrees` from the face's first axis towards its second.
std::vector<Placement> CirclePattern(const Placement& centre, int n, double radius,
                                     double startDegrees);

// Where the holes of a drop may go: the part's box grown on every side by the part's largest
// extent. A hole farther out reaches the part only through a bore longer than the part is wide,
// and one 1e308 away reaches nothing but the limits of the solid modeller.
struct PlacementRoom {
  scene::Vec3 lo, hi;
  bool Holds(const scene::Vec3& p) const;  // false for a coordinate that is not a number
  // "no farther from the part than its largest extent, 100: from (-100, -100, -100) to (200, …)"
  std::string Describe() const;
};
// The room around the main part of `model`, from its size (its first shape's extents).
PlacementRoom RoomAround(scene::Scene& model);

// Reads a placement list: a header line, then one hole a line, "x,y,z" or "x,y,z,nx,ny,nz" (the
// axis; `defaultNormal` when left out). Blank lines are skipped. A line that is not that, or that
// places its hole outside `room`, raises 321 naming the file and the line.
std::vector<Placement> ReadPlacementFile(const std::string& path, const scene::Vec3& defaultNormal,
                                         const PlacementRoom& room);

}  // namespace cavix::actions
