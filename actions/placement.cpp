// Placement lists and patterns.
#include "actions/placement.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "runtime/error.h"
#include "runtime/fp.h"
#include "runtime/regional.h"
#include "runtime/text_file.h"
#include "runtime/variant.h"
#ifdef CAVIX_WITH_OCCT
#include "part_solid/part_solid.h"
#endif

namespace cavix::actions {

namespace {

constexpr int kBadFileFormat = 321;

using scene::Vec3;

Vec3 Plus(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Times(const Vec3& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vec3 Unit(const Vec3& a) {
  const double n = std::sqrt(Dot(a, a));
  if (!(n > 0) || !std::isfinite(n)) rt::Raise(rt::err::kInvalidCall, "a hole axis must not be zero");
  return Times(a, 1 / n);
}

void RequireCount(double count) {
  if (!(count >= 1) || count > static_cast<double>(kMaxPlacements))
    rt::Raise(rt::err::kInvalidCall, "a pattern places 1 to " + std::to_string(kMaxPlacements) +
                                         " holes, not " + rt::FormatGeneral(count));
}

std::string Shown(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

std::string Shown(const Vec3& p) {
  return "(" + Shown(p.x) + ", " + Shown(p.y) + ", " + Shown(p.z) + ")";
}

std::string Trim(const std::string& s) {
  const auto a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

}  // namespace

FaceAxes AxesOnFace(const Vec3& normal) {
  const Vec3 n = Unit(normal);
  const Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  // The axis nearest the hole's is the one that does not lie in the face.
  const double share[3] = {std::fabs(n.x), std::fabs(n.y), std::fabs(n.z)};
  int across = 0;
  for (int k = 1; k < 3; ++k)
    if (share[k] > share[across]) across = k;
  const int first = across == 0 ? 1 : 0;
  const int second = across == 2 ? 1 : 2;
  // Square to the axis, then to each other.
  const Vec3 u = Unit(Plus(axes[first], Times(n, -Dot(axes[first], n))));
  Vec3 v = Plus(axes[second], Times(n, -Dot(axes[second], n)));
  v = Unit(Plus(v, Times(u, -Dot(v, u))));
  return {u, v};
}

std::vector<Placement> GridPattern(const Placement& centre, int nx, int ny, double dx, double dy) {
  RequireCount(static_cast<double>(nx) * static_cast<double>(ny));
  if (nx < 1 || ny < 1) RequireCount(0);
  if (!std::isfinite(dx) || !std::isfinite(dy))
    rt::Raise(rt::err::kInvalidCall, "grid spacings must be finite numbers");
  if ((nx > 1 && !(dx > 0)) || (ny > 1 && !(dy > 0)))
    rt::Raise(rt::err::kInvalidCall, "grid spacings must be positive, not " +
                                         Shown(nx > 1 && !(dx > 0) ? dx : dy) +
                                         ": holes would stack on one spot or run backwards");
  const FaceAxes a = AxesOnFace(centre.normal);
  std::vector<Placement> out;
  out.reserve(static_cast<size_t>(nx) * static_cast<size_t>(ny));
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) {
      const double s = (i - (nx - 1) / 2.0) * dx, t = (j - (ny - 1) / 2.0) * dy;
      out.push_back({Plus(centre.position, Plus(Times(a.u, s), Times(a.v, t))), centre.normal});
    }
  return out;
}

std::vector<Placement> CirclePattern(const Placement& centre, int n, double radius,
                                     double startDegrees) {
  RequireCount(n);
  if (!std::isfinite(radius) || !std::isfinite(startDegrees))
    rt::Raise(rt::err::kInvalidCall, "a bolt circle's radius and angle must be finite numbers");
  if (!(radius > 0))
    rt::Raise(rt::err::kInvalidCall,
              "a bolt circle's radius must be positive, not " + Shown(radius));
  const FaceAxes a = AxesOnFace(centre.normal);
  std::vector<Placement> out;
  out.reserve(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double angle = (startDegrees + 360.0 * k / n) * rt::kPi / 180;
    const Vec3 offset =
        Plus(Times(a.u, radius * std::cos(angle)), Times(a.v, radius * std::sin(angle)));
    out.push_back({Plus(centre.position, offset), centre.normal});
  }
  return out;
}

bool PlacementRoom::Holds(const Vec3& p) const {
  return p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y && p.z >= lo.z && p.z <= hi.z;
}

std::string PlacementRoom::Describe() const {
  return "no farther from the part than its largest extent, " + Shown(-lo.x) + ": from " +
         Shown(lo) + " to " + Shown(hi);
}

PlacementRoom RoomAround(scene::Scene& model) {
  const auto shapes = model.MainPart().ShapeItems();
  if (shapes.empty()) rt::Raise(rt::err::kSubscript, "the part has no shapes", "Drop");
  const host::IComponent& size = shapes.front()->Components(host::comp::kShapeSize).Item(1);
  const Vec3 extent{rt::CDbl(size.Value(1)), rt::CDbl(size.Value(2)), rt::CDbl(size.Value(3))};
  const double margin = std::max({extent.x, extent.y, extent.z});
  Vec3 lo{};  // a block starts at the origin
#ifdef CAVIX_WITH_OCCT
  // A part from STEP stays where its file put it.
  if (const std::string& brep = shapes.front()->Solid(); !brep.empty())
    if (const auto box = partsolid::BoxOf(partsolid::ShapeFromBrep(brep, "the part"))) {
      const double unit =
          model.ActivePage().LengthUnits() == scene::Units::Inch ? rt::kMmPerInch : 1.0;
      lo = {(*box)[0] / unit, (*box)[1] / unit, (*box)[2] / unit};
    }
#endif
  return {{lo.x - margin, lo.y - margin, lo.z - margin},
          {lo.x + extent.x + margin, lo.y + extent.y + margin, lo.z + extent.z + margin}};
}

std::vector<Placement> ReadPlacementFile(const std::string& path, const Vec3& defaultNormal,
                                         const PlacementRoom& room) {
  rt::TextReader in(path);
  const auto fail = [&](int line, const std::string& problem) {
    rt::Raise(kBadFileFormat,
              "placement file \"" + path + "\": line " + std::to_string(line) + ": " + problem);
  };
  std::string line;
  if (!in.ReadLine(line)) fail(1, "no header line (x,y,z[,nx,ny,nz])");
  std::vector<Placement> out;
  while (in.ReadLine(line)) {
    const std::string text = Trim(line);
    if (text.empty()) continue;
    std::vector<double> v;
    size_t pos = 0;
    for (;;) {
      const size_t comma = text.find(',', pos);
      const std::string field =
          Trim(text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos));
      double d = 0;
      const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), d);
      if (field.empty() || ec != std::errc() || end != field.data() + field.size() ||
          !std::isfinite(d))
        fail(in.LineNumber(), "\"" + field + "\" is not a number");
      v.push_back(d);
      if (comma == std::string::npos) break;
      pos = comma + 1;
    }
    if (v.size() != 3 && v.size() != 6)
      fail(in.LineNumber(), "expected x,y,z or x,y,z,nx,ny,nz, found " + std::to_string(v.size()) +
                                " numbers");
    Placement p{{v[0], v[1], v[2]}, defaultNormal};
    if (v.size() == 6) {
      p.normal = {v[3], v[4], v[5]};
      if (p.normal.x == 0 && p.normal.y == 0 && p.normal.z == 0)
        fail(in.LineNumber(), "the axis must not be the zero vector");
    }
    if (!room.Holds(p.position))
      fail(in.LineNumber(), "the hole at " + Shown(p.position) +
                                " lies beyond the part: holes go " + room.Describe());
    if (out.size() >= kMaxPlacements)
      fail(in.LineNumber(), "more than " + std::to_string(kMaxPlacements) + " holes");
    out.push_back(p);
  }
  if (out.empty()) fail(in.LineNumber() + 1, "no hole positions after the header line");
  return out;
}

}  // namespace cavix::actions
