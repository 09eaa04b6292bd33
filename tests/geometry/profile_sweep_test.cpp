// Properties of every cross-section over many valid holes: a simple closed polygon on one side
// of the axis, whose revolved volume (Pappus) equals the cylinders and cones of the hole's
// drawing; and the sizes that the through-hole arithmetic relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "geometry/profile.h"

namespace {

namespace geo = cavix::geo;
constexpr double kPi = std::numbers::pi;

double TanHalf(double deg) { return std::tan(deg * kPi / 360); }

// Volume of the solid made by turning the closed polygon about x = 0: 2π times the area times
// the centroid's distance from the axis.
double RevolvedVolume(const geo::Profile& p) {
  double sum = 0;
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    const double cross = p[i].x * p[i + 1].y - p[i + 1].x * p[i].y;
    sum += (p[i].x + p[i + 1].x) * cross;
  }
  return std::fabs(sum) * kPi / 3;
}

double Cylinder(double r, double h) { return kPi * r * r * h; }
double Frustum(double r1, double r2, double h) {
  return kPi * h * (r1 * r1 + r1 * r2 + r2 * r2) / 3;
}

// The hole's volume from its drawing: recess, bore (with the slightly narrower part below the
// thread), drill point.
double ExpectedVolume(const geo::HoleParams& p) {
  const double r = p.threaded ? (p.diameter - p.pitch) / 2 : (p.diameter + p.allowance) / 2;
  const double h = p.pointAngle > 0 ? r / TanHalf(p.pointAngle) : 0;
  const double rr = p.recessDiameter / 2;
  const double cone = p.recessAngle > 0 ? (rr - r) / TanHalf(p.recessAngle) : 0;
  double v = 0;
  switch (p.recess) {
    case geo::Recess::None:
      break;
    case geo::Recess::Counterbore:
      v += Cylinder(rr, p.recessDepth);
      break;
    case geo::Recess::Countersink:
      v += Frustum(rr, r, cone);
      break;
    case geo::Recess::Counterdrill:
      v += Cylinder(rr, p.recessDepth) + Frustum(rr, r, cone);
      break;
  }
  double tipRadius = r;
  if (p.threaded && p.boreLength != p.threadLength) {
    tipRadius = 0.9995 * r;
    v += Cylinder(r, p.threadLength) + Frustum(r, tipRadius, p.boreLength - p.threadLength);
  } else {
    v += Cylinder(r, p.boreLength);
  }
  // The drill point is a cone of height h under the bore's last radius.
  v += kPi * tipRadius * tipRadius * h / 3;
  return v;
}

// Closed at the origin, right of the axis, no edge without length. (The hand-worked points of
// the builder tests pin down the shape; this catches what the volume cannot see.)
::testing::AssertionResult IsClosedRightOfTheAxis(const geo::Profile& p) {
  if (p.size() < 4 || p.front().x != 0 || p.front().y != 0 || p.back().x != 0 || p.back().y != 0)
    return ::testing::AssertionFailure() << "not closed at the origin";
  for (size_t i = 0; i + 1 < p.size(); ++i) {
    if (p[i].x < 0) return ::testing::AssertionFailure() << "point " << i << " left of the axis";
    if (p[i].x == p[i + 1].x && p[i].y == p[i + 1].y)
      return ::testing::AssertionFailure() << "edge " << i << " has no length";
  }
  return ::testing::AssertionSuccess();
}

geo::HoleParams RandomHole(std::mt19937& rng, geo::Recess recess, bool threaded) {
  std::uniform_real_distribution<double> u(0, 1);
  geo::HoleParams p;
  p.recess = recess;
  p.threaded = threaded;
  p.diameter = 1 + 39 * u(rng);
  p.boreLength = 0.5 + 80 * u(rng);
  const double angles[] = {0, -1, 90, 118, 120, 140};
  p.pointAngle = angles[rng() % 6];
  if (threaded) {
    p.pitch = p.diameter * (0.05 + 0.15 * u(rng));
    p.threadLength = (rng() % 3 == 0) ? p.boreLength : p.boreLength * (0.2 + 0.8 * u(rng));
  } else {
    p.allowance = p.diameter * 0.1 * u(rng);
  }
  const double r = threaded ? (p.diameter - p.pitch) / 2 : (p.diameter + p.allowance) / 2;
  p.recessDiameter = 2 * r * (1.15 + u(rng));
  p.recessDepth = 0.5 + 20 * u(rng);
  const double recessAngles[] = {0, 60, 82, 90, 100, 120};
  p.recessAngle = recessAngles[rng() % 6];
  return p;
}

// The recess ends where the bore starts, and a flat bore of length L ends at RecessBottom + L:
// the arithmetic through holes rely on.
TEST(ProfileSweep, ClosedProfilesWithPappusVolumesAndTheirDepth) {
  std::mt19937 rng(20261206);
  for (auto recess : {geo::Recess::None, geo::Recess::Counterbore, geo::Recess::Countersink,
                      geo::Recess::Counterdrill}) {
    for (bool threaded : {false, true}) {
      for (int i = 0; i < 500; ++i) {
        const geo::HoleParams p = RandomHole(rng, recess, threaded);
        const geo::ProfileSizes sizes = geo::ComputeSizes(p);
        const geo::Profile prof = geo::BuildProfile(p, sizes);
        SCOPED_TRACE(::testing::Message()
                     << "recess " << int(recess) << " threaded " << threaded << " D " << p.diameter
                     << " L " << p.boreLength << " LT " << p.threadLength << " A " << p.pointAngle
                     << " Dr " << p.recessDiameter << " Ar " << p.recessAngle);
        // Without a cone a countersink's mouth steps straight in along the top face.
        if (recess != geo::Recess::Countersink || p.recessAngle > 0) {
          ASSERT_TRUE(IsClosedRightOfTheAxis(prof));
        }
        const double expected = ExpectedVolume(p);
        ASSERT_NEAR(RevolvedVolume(prof), expected, 1e-9 * expected);
        if (p.pointAngle <= 0) {
          double deepest = 0;
          for (const auto& pt : prof) deepest = std::min(deepest, pt.y);
          ASSERT_DOUBLE_EQ(deepest, -(geo::RecessBottom(p, sizes) + p.boreLength));
        }
      }
    }
  }
}

}  // namespace
