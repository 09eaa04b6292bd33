// The hole cross-sections: derived sizes and the point chains of the four recess kinds, threaded
// or plain. Every floating-point step is checked so that a fault surfaces as a numbered error.
#include "geometry/profile.h"

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
  const double depth = Sum(base, p.length);
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
    if (p.length != p.threadLength) pts.push_back({rt::Checked(kBelowThreadFactor * r), -depth});
  } else {
    pts.push_back({r, -depth});
  }
  pts.push_back({0, -bottom, true, false});
  pts.push_back({0, 0, true, true});
  return pts;
}

}  // namespace cavix::geo
