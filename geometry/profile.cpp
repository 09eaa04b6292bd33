// The hole cross-sections: derived sizes and the point chains of the four recess kinds, threaded
// or plain. Every floating-point step is checked so that a fault surfaces as a numbered error.
#include "geometry/profile.h"

#include <cmath>

#include "runtime/fp.h"

namespace cavix::geo {

namespace {

// Threaded holes end their threaded face at LT; the bore below it narrows by this factor so that
// the host sees it as a separate face.
constexpr double kBelowThreadFactor = 0.9995;

double Half(double v) { return rt::Checked(v / 2); }
double Sum(double a, double b) { return rt::Checked(a + b); }

}  // namespace

double BoreRadius(bool threaded, double diameter, double allowanceOrPitch) {
  const double d = threaded ? diameter - allowanceOrPitch : diameter + allowanceOrPitch;
  return Half(rt::Checked(d));
}

double ConeHeight(double fromRadius, double toRadius, double includedAngle) {
  if (!(includedAngle > 0)) return 0;
  const double rise = rt::Checked(fromRadius - toRadius);
  return rt::Checked(rt::Div(rise, rt::Tan(rt::HalfAngleRadians(includedAngle))));
}

ProfileSizes ComputeSizes(const HoleParams& p) {
  ProfileSizes s;
  s.boreRadius = BoreRadius(p.threaded, p.diameter, p.threaded ? p.pitch : p.allowance);
  s.pointHeight = ConeHeight(s.boreRadius, 0, p.pointAngle);
  switch (p.recess) {
    case Recess::None:
      s.maxDiameter = rt::Checked(2 * s.boreRadius);
      break;
    case Recess::Counterbore:
      s.maxDiameter = p.recessDiameter;
      break;
    case Recess::Countersink:
    case Recess::Counterdrill:
      s.coneHeight = ConeHeight(Half(p.recessDiameter), s.boreRadius, p.recessAngle);
      s.maxDiameter = p.recessDiameter;
      break;
  }
  s.threadMiddle = rt::Checked(-RecessBottom(p, s) - Half(p.threadLength));
  return s;
}

double RecessBottom(const HoleParams& p, const ProfileSizes& s) {
  switch (p.recess) {
    case Recess::None:
      return 0;
    case Recess::Counterbore:
      return p.recessDepth;
    case Recess::Countersink:
      return s.coneHeight;
    case Recess::Counterdrill:
      return Sum(s.coneHeight, p.recessDepth);
  }
  return 0;
}

Profile BuildProfile(const HoleParams& p) { return BuildProfile(p, ComputeSizes(p)); }

Profile BuildProfile(const HoleParams& p, const ProfileSizes& s) {
  const double r = s.boreRadius;
  const double base = RecessBottom(p, s);
  const double depth = Sum(base, p.boreLength);
  const double bottom = Sum(depth, s.pointHeight);

  Profile pts;
  pts.reserve(9);
  pts.push_back({0, 0, true, true});
  switch (p.recess) {
    case Recess::None:
      pts.push_back({r, 0, false, true});
      break;
    case Recess::Counterbore: {
      const double rc = Half(p.recessDiameter);
      pts.push_back({rc, 0, false, true});
      pts.push_back({rc, -p.recessDepth});
      pts.push_back({r, -p.recessDepth});
      break;
    }
    case Recess::Countersink:
      pts.push_back({Half(p.recessDiameter), 0, false, true});
      pts.push_back({r, -s.coneHeight});
      break;
    case Recess::Counterdrill: {
      const double rc = Half(p.recessDiameter);
      pts.push_back({rc, 0, false, true});
      pts.push_back({rc, -p.recessDepth});
      pts.push_back({r, -base});
      break;
    }
  }
  if (p.threaded) {
    pts.push_back({r, -Sum(base, p.threadLength)});
    if (p.boreLength != p.threadLength)
      pts.push_back({rt::Checked(kBelowThreadFactor * r), -depth});
  } else {
    pts.push_back({r, -depth});
  }
  pts.push_back({0, -bottom, true, false});
  pts.push_back({0, 0, true, true});
  return pts;
}

HoleCheck CheckHole(const HoleParams& p) {
  const auto fault = [](HoleFault f, std::string problem) { return HoleCheck{f, std::move(problem)}; };
  const bool counterbore = p.recess == Recess::Counterbore || p.recess == Recess::Counterdrill;
  const bool cone = p.recess == Recess::Countersink || p.recess == Recess::Counterdrill;
  // Inputs one by one, so that the fault names the value to change.
  if (!std::isfinite(p.diameter) || !std::isfinite(p.threaded ? p.pitch : p.allowance))
    return fault(HoleFault::Diameter, "the diameter is not a number");
  if (!(p.boreLength >= 0) || !std::isfinite(p.boreLength))
    return fault(HoleFault::Length, "the length is below zero");
  if (!(p.pointAngle < 180) || std::isnan(p.pointAngle))
    return fault(HoleFault::PointAngle, "the drill-point angle is not below 180 degrees");
  if (p.threaded && (!(p.threadLength >= 0) || !(p.threadLength <= p.boreLength)))
    return fault(HoleFault::ThreadLength, "the thread is longer than the drilled length");
  if (p.recess != Recess::None && !std::isfinite(p.recessDiameter))
    return fault(HoleFault::RecessDiameter, "the recess diameter is not a number");
  if (counterbore && (!(p.recessDepth >= 0) || !std::isfinite(p.recessDepth)))
    return fault(HoleFault::RecessDepth, "the counterbore depth is below zero");
  if (cone && (!(p.recessAngle < 180) || std::isnan(p.recessAngle)))
    return fault(HoleFault::RecessAngle, "the countersink angle is not below 180 degrees");

  const ProfileSizes s = ComputeSizes(p);
  if (!(s.boreRadius > 0)) return fault(HoleFault::Diameter, "the drilled diameter is not positive");
  if (cone && s.coneHeight < 0)
    return fault(HoleFault::RecessDiameter, "the countersink is narrower than the bore");

  // The outline itself: out along the face, then never rising, down to below the face.
  const Profile pts = BuildProfile(p, s);
  const size_t tip = pts.size() - 2;
  bool down = pts[1].y == 0 && pts[1].x > 0 && pts[tip].y < 0;
  for (size_t i = 2; down && i <= tip; ++i)
    down = pts[i].y <= pts[i - 1].y && (pts[i].x > 0 || i == tip) && std::isfinite(pts[i].x);
  if (!down) return fault(HoleFault::Length, "its outline does not go down from the face");
  return {};
}

}  // namespace cavix::geo
