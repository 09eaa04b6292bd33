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
  if (p.threaded && p.length != p.threadLength) {
    tipRadius = 0.9995 * r;
    v += Cylinder(r, p.threadLength) + Frustum(r, tipRadius, p.length - p.threadLength);
  } else {
    v += Cylinder(r, p.length);
  }
  // The drill point is a cone of height h under the bore's last radius.
  v += kPi * tipRadius * tipRadius * h / 3;
  return v;
}

bool Cross(const geo::Point2& a, const geo::Point2& b, const geo::Point2& c, const geo::Point2& d) {
  auto orient = [](const geo::Point2& p, const geo::Point2& q, const geo::Point2& r) {
    const double v = (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
    return (v > 1e-12) - (v < -1e-12);
  };
  auto onSeg = [](const geo::Point2& p, const geo::Point2& q, const geo::Point2& r) {
    return std::min(p.x, r.x) - 1e-12 <= q.x && q.x <= std::max(p.x, r.x) + 1e-12 &&
           std::min(p.y, r.y) - 1e-12 <= q.y && q.y <= std::max(p.y, r.y) + 1e-12;
  };
  const int o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a), o4 = orient(c, d, b);
  if (o1 != o2 && o3 != o4) return true;
  if (o1 == 0 && onSeg(a, c, b)) return true;
  if (o2 == 0 && onSeg(a, d, b)) return true;
  if (o3 == 0 && onSeg(c, a, d)) return true;
  if (o4 == 0 && onSeg(c, b, d)) return true;
  return false;
}

// Closed, no repeated vertex, no two non-adjacent edges touching, no edge folding back on the
// previous one.
::testing::AssertionResult IsSimpleClosed(const geo::Profile& p) {
  if (p.size() < 4) return ::testing::AssertionFailure() << "too few points";
  if (p.front().x != 0 || p.front().y != 0 || p.back().x != 0 || p.back().y != 0)
    return ::testing::AssertionFailure() << "not closed at the origin";
  const size_t n = p.size() - 1;  // edges
  for (size_t i = 0; i < n; ++i) {
    if (p[i].x < 0) return ::testing::AssertionFailure() << "point " << i << " left of the axis";
    if (p[i].x == p[i + 1].x && p[i].y == p[i + 1].y)
      return ::testing::AssertionFailure() << "edge " << i << " has no length";
    for (size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // the closing edge meets the first one
      if (Cross(p[i], p[i + 1], p[j], p[j + 1]))
        return ::testing::AssertionFailure() << "edges " << i << " and " << j << " meet";
    }
  }
  return ::testing::AssertionSuccess();
}

geo::HoleParams RandomHole(std::mt19937& rng, geo::Recess recess, bool threaded) {
  std::uniform_real_distribution<double> u(0, 1);
  geo::HoleParams p;
  p.recess = recess;
  p.threaded = threaded;
  p.diameter = 1 + 39 * u(rng);
  p.length = 0.5 + 80 * u(rng);
  const double angles[] = {0, -1, 90, 118, 120, 140};
  p.pointAngle = angles[rng() % 6];
  if (threaded) {
    p.pitch = p.diameter * (0.05 + 0.15 * u(rng));
    p.threadLength = (rng() % 3 == 0) ? p.length : p.length * (0.2 + 0.8 * u(rng));
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

TEST(ProfileSweep, SimpleClosedPolygonsWithPappusVolumes) {
  std::mt19937 rng(20261206);
  int checked = 0;
  for (auto recess : {geo::Recess::None, geo::Recess::Counterbore, geo::Recess::Countersink,
                      geo::Recess::Counterdrill}) {
    for (bool threaded : {false, true}) {
      for (int i = 0; i < 500; ++i) {
        const geo::HoleParams p = RandomHole(rng, recess, threaded);
        const geo::Profile prof = geo::BuildProfile(p);
        SCOPED_TRACE(::testing::Message()
                     << "recess " << int(recess) << " threaded " << threaded << " D " << p.diameter
                     << " L " << p.length << " LT " << p.threadLength << " A " << p.pointAngle
                     << " Dr " << p.recessDiameter << " Ar " << p.recessAngle);
        if (recess == geo::Recess::Countersink && p.recessAngle <= 0) {
          // Without a cone the mouth steps straight in along the top face; that edge lies on
          // the first one, so only the volume is meaningful.
        } else {
          ASSERT_TRUE(IsSimpleClosed(prof));
        }
        const double expected = ExpectedVolume(p);
        ASSERT_NEAR(RevolvedVolume(prof), expected, 1e-9 * expected);
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 4000);
}

// The recess ends where the bore starts, and the bore of length L ends at RecessBottom + L:
// the arithmetic through holes rely on.
TEST(ProfileSweep, DeepestPointIsRecessPlusLengthPlusPoint) {
  std::mt19937 rng(7);
  for (int i = 0; i < 400; ++i) {
    const auto recess = static_cast<geo::Recess>(1 + i % 4);
    geo::HoleParams p = RandomHole(rng, recess, i % 8 >= 4);
    p.pointAngle = 0;
    const geo::ProfileSizes s = geo::ComputeSizes(p);
    const geo::Profile prof = geo::BuildProfile(p, s);
    double deepest = 0;
    for (const auto& pt : prof) deepest = std::min(deepest, pt.y);
    EXPECT_DOUBLE_EQ(deepest, -(geo::RecessBottom(p, s) + p.length));
  }
}

}  // namespace
