// The design check: each hole against the part's material along its axis, then every pair of
// holes whose boxes overlap against each other's revolved profiles.
#include "actions/design_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <tuple>

#include "export/scene_export.h"
#include "host/host_model.h"
#include "runtime/fp.h"
#ifdef CAVIX_WITH_OCCT
#include "part_solid/hole_meeting.h"
#endif

namespace cavix::actions {

namespace {

// The thresholds, in millimetres or as shares of the drilled diameter.
// A drop point within holes::kMaterialToleranceMm of the part's surface is on it.
// Under a blind hole's point, less material than a quarter of the drill's diameter bulges or
// cracks as the point comes through (machining handbooks put the least floor at 1/4 to 1/3 D).
constexpr double kThinFloorShare = 0.25;
// A hole's wall to a part edge thinner than this, beyond the hole's own radius, tears or bulges
// under the drill and a screw's head (design guides' least edge wall for small holes).
constexpr double kEdgeMarginMm = 1.0;
// Deeper than ten diameters a twist drill wanders and chokes on its chips: gun drilling or
// peck cycles territory (machining handbooks' limit for standard jobber drills).
constexpr double kDeepRatio = 10;
// A drill leaving through a face inclined more than this to its axis deflects as its lips
// break through one side first (walk-off); shops spot-face or mill a flat first.
constexpr double kWalkOffDeg = 5;
// Two holes closer than this are apart (a micrometre, far below any drilled tolerance).
constexpr double kApartMm = 0.001;

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", std::fabs(v) < 5e-10 ? 0.0 : v);
  return buf;
}

// "(50, 30, 20)"
std::string At(const holes::HoleFacts& f) {
  return "(" + Num(f.position[0]) + ", " + Num(f.position[1]) + ", " + Num(f.position[2]) + ")";
}

// A length with its unit.
std::string Len(double v, double mm) { return Num(v) + (mm == 1 ? " mm" : " in"); }

Finding Make(const holes::HoleFacts& f, Severity severity, std::string what, std::string text,
             std::vector<std::pair<std::string, double>> figures = {}) {
  Finding out;
  out.severity = severity;
  out.hole = f.id;
  out.name = f.name;
  out.what = std::move(what);
  out.text = std::move(text);
  out.figures = std::move(figures);
  return out;
}

// What a hole is, as far as the check needs it: its profile's radius down its depth.
struct Solid {
  int32_t id = 0;
  std::array<double, 3> at{}, axis{};  // axis unit, into the part
  std::vector<std::array<double, 2>> chain;  // (radius, depth >= 0), down the outline
  double depth = 0, radius = 0;        // deepest point, widest radius
  std::array<double, 3> lo{}, hi{};    // box
};

std::optional<Solid> SolidOf(const holes::HoleFacts& f, const exporter::HoleSolidInput& h) {
  if (h.chains.empty() || h.chains[0].size() < 3) return std::nullopt;
  Solid s;
  s.id = f.id;
  const double len = std::hypot(h.normal[0], h.normal[1], h.normal[2]);
  if (!(len > 0)) return std::nullopt;
  for (size_t k = 0; k < 3; ++k) s.at[k] = h.position[k], s.axis[k] = h.normal[k] / len;
  for (const auto& p : h.chains[0]) {
    s.chain.push_back({std::fabs(p[0]), -p[1]});
    s.depth = std::max(s.depth, -p[1]);
    s.radius = std::max(s.radius, std::fabs(p[0]));
  }
  for (size_t k = 0; k < 3; ++k) {
    const double end = s.at[k] + s.axis[k] * s.depth;
    // The revolved outline lies within its radius of the axis segment.
    s.lo[k] = std::min(s.at[k], end) - s.radius;
    s.hi[k] = std::max(s.at[k], end) + s.radius;
  }
  return s;
}

// The widest the outline reaches at depth `t` (−1 outside its depth): the largest radius of
// every edge of the outline that spans that depth, steps included.
double RadiusAt(const Solid& s, double t) {
  double r = -1;
  for (size_t i = 0; i + 1 < s.chain.size(); ++i) {
    const auto& a = s.chain[i];
    const auto& b = s.chain[i + 1];
    const double lo = std::min(a[1], b[1]), hi = std::max(a[1], b[1]);
    if (t < lo - 1e-12 || t > hi + 1e-12) continue;
    if (hi - lo < 1e-12) r = std::max({r, a[0], b[0]});
    else r = std::max(r, a[0] + (b[0] - a[0]) * (t - a[1]) / (b[1] - a[1]));
  }
  return r;
}

// Two holes whose axes are parallel (same or opposite way) at `apart` from each other: they meet
// where their radii at the same place along the axis add up to more than `apart`. Both radii are
// piecewise linear along the axis, so the largest sum is at a corner of one outline or the other.
bool ParallelMeet(const Solid& a, const Solid& b, double apart, double tol) {
  const double sign = a.axis[0] * b.axis[0] + a.axis[1] * b.axis[1] + a.axis[2] * b.axis[2] > 0
                          ? 1 : -1;
  double shift = 0;  // b's start along a's axis
  for (size_t k = 0; k < 3; ++k) shift += (b.at[k] - a.at[k]) * a.axis[k];
  std::vector<double> along;  // places on a's axis
  for (const auto& p : a.chain) along.push_back(p[1]);
  for (const auto& p : b.chain) along.push_back(shift + sign * p[1]);
  for (const double t : along) {
    const double ra = RadiusAt(a, t), rb = RadiusAt(b, (t - shift) * sign);
    if (ra >= 0 && rb >= 0 && ra + rb > apart + tol) return true;
  }
  return false;
}

// Whether two holes cut into each other: boxes first, then the closed form for parallel axes,
// and the kernel for the rest.
bool Meet(const Solid& a, const Solid& b, const exporter::HoleSolidInput& ha,
          const exporter::HoleSolidInput& hb, double tol) {
  const double dot = a.axis[0] * b.axis[0] + a.axis[1] * b.axis[1] + a.axis[2] * b.axis[2];
  if (std::fabs(dot) > 1 - 1e-12) {
    std::array<double, 3> d{};
    double along = 0;
    for (size_t k = 0; k < 3; ++k) along += (b.at[k] - a.at[k]) * a.axis[k];
    for (size_t k = 0; k < 3; ++k) d[k] = b.at[k] - a.at[k] - along * a.axis[k];
    return ParallelMeet(a, b, std::hypot(d[0], d[1], d[2]), tol);
  }
#ifdef CAVIX_WITH_OCCT
  return partsolid::HoleSolidsMeet(ha, hb, tol);
#else
  (void)ha, (void)hb;
  return false;  // no kernel to decide with: not reported
#endif
}

void CheckMaterial(const holes::HoleFacts& f, const host::AxisMaterial& m, double mm,
                   std::vector<Finding>& out) {
  if (!m.Measured()) {
    out.push_back(Make(f, Severity::Error, "unmeasured",
                       "the part could not be measured along the hole: " + m.failure));
    return;
  }
  const double tol = holes::kMaterialToleranceMm / mm;
  const host::MaterialSpan* ahead = m.Ahead(tol);
  const bool inside = ahead && ahead->enter < -tol;
  if (!ahead) {
    out.push_back(Make(f, Severity::Error, "misses",
                       "it misses the part: its axis from " + At(f) +
                           " meets no material ahead"));
    return;
  }
  if (inside || m.surfaceDistance > tol) {
    const double off = inside ? -ahead->enter : m.surfaceDistance;
    out.push_back(Make(f, Severity::Error, "not-on-surface",
                       "its position " + At(f) + " is not on the part's surface: " +
                           (inside ? Len(off, mm) + " inside the material"
                                   : Len(off, mm) + " away from it") +
                           " (at most " + Len(tol, mm) + " is taken)",
                       {{"distance", off}, {"tolerance", tol}}));
  }
  if (!m.entryPlanar)
    out.push_back(Make(f, Severity::Error, "entry-not-planar",
                       "the face it enters by is not planar"));

  if (!f.IsHole()) return;
  const double start = std::max(0.0, ahead->enter);
  const double floorAt = ahead->exit;  // where the material the hole enters ends
  const double drilled = f.spec.DrilledDiameter();
  const geo::ProfileSizes sizes = geo::ComputeSizes(f.spec);
  const double recess = geo::RecessBottom(f.spec, sizes);
  const double bore = recess + f.spec.boreLength;  // to the start of the point
  const std::optional<double> wall = holes::FloorUnder(f, m, tol);
  // The depth the point reaches, from the one rule the table and the sheet use too.
  const double deepest = wall ? floorAt - *wall : bore;
  if (wall && *wall <= tol)
    out.push_back(Make(f, Severity::Error, "breaks-out",
                       "it breaks out: its point reaches " + Len(deepest - start, mm) +
                           " into material " + Len(floorAt - start, mm) + " thick along its axis",
                       {{"depth", deepest - start}, {"material", floorAt - start}, {"wall", *wall}}));
  else if (wall && *wall < kThinFloorShare * drilled)
    out.push_back(Make(f, Severity::Warning, "thin-floor",
                       "the floor under its point is " + Len(*wall, mm) + " thick, under " +
                           Len(kThinFloorShare * drilled, mm) + " (a quarter of its drilled " +
                           Len(drilled, mm) + ")",
                       {{"wall", *wall}, {"least", kThinFloorShare * drilled}}));
  if (f.spec.threaded) {
    const double threadEnd = f.spec.ThreadStart() + f.spec.threadLength;
    const double materialEnd = f.spec.through ? m.LastExit() : floorAt;
    const double material = materialEnd - f.spec.ThreadStart();
    if (threadEnd > materialEnd + tol)
      out.push_back(Make(f, Severity::Error, "thread-too-long",
                         "its thread is " + Len(f.spec.threadLength, mm) + " long in " +
                             Len(std::max(0.0, material), mm) + " of material",
                         {{"thread", f.spec.threadLength}, {"material", material}}));
  }
  const double radius = std::max(sizes.maxDiameter, drilled) / 2;
  if (m.entryPlanar && m.entryEdgeDistance < radius + kEdgeMarginMm / mm)
    out.push_back(Make(f, Severity::Warning, "near-edge",
                       "it is " + Len(m.entryEdgeDistance, mm) + " from an edge of the part, under its "
                           "radius " + Len(radius, mm) + " and " + Len(kEdgeMarginMm / mm, mm) + " more",
                       {{"distance", m.entryEdgeDistance}, {"least", radius + kEdgeMarginMm / mm}}));
  const double drilledDepth = bore - recess;
  if (drilled > 0 && drilledDepth > kDeepRatio * drilled)
    out.push_back(Make(f, Severity::Warning, "deep",
                       "it is drilled " + Len(drilledDepth, mm) + " deep, over " + Num(kDeepRatio) +
                           " times its " + Len(drilled, mm),
                       {{"depth", drilledDepth}, {"diameter", drilled}}));
  if (f.spec.through && m.exitCos < std::cos(kWalkOffDeg * M_PI / 180) - 1e-12) {
    const double angle = std::acos(std::clamp(m.exitCos, -1.0, 1.0)) * 180 / M_PI;
    out.push_back(Make(f, Severity::Warning, "walk-off",
                       "it leaves the part through a face at " + Num(angle) +
                           " degrees to its axis (over " + Num(kWalkOffDeg) + ")",
                       {{"angle", angle}}));
  }
}

}  // namespace

std::string Finding::Line() const {
  return std::string(IsError() ? "error" : "warning") + " #" + std::to_string(hole) + " \"" +
         name + "\": " + text;
}

std::string Finding::Json() const {
  nlohmann::ordered_json j;
  j["severity"] = IsError() ? "error" : "warning";
  j["hole"] = hole;
  j["name"] = name;
  j["finding"] = what;
  j["text"] = text;
  if (other != 0) j["other"] = other;
  for (const auto& [key, value] : figures) j[key] = value;
  return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

namespace {

// The check on holes already read: `inputs[i]` is the solid of `facts[i]`; only the findings that
// concern a hole `wanted` says yes to are made.
template <typename Wanted>
std::vector<Finding> CheckRead(scene::Scene& model, const std::vector<holes::HoleFacts>& facts,
                               const std::vector<exporter::HoleSolidInput>& inputs,
                               const Wanted& wanted) {
  const double mm = model.ActivePage().LengthUnits() == scene::Units::Inch ? rt::kMmPerInch : 1;
  std::vector<Finding> out;
  std::vector<Solid> solids;
  std::vector<size_t> solidFacts;
  for (size_t i = 0; i < facts.size(); ++i) {
    const holes::HoleFacts& f = facts[i];
    if (wanted(f.id))
      if (const std::optional<host::AxisMaterial> m = model.FindShapeById(f.id)->MeasureMaterial())
        CheckMaterial(f, *m, mm, out);
    if (std::optional<Solid> s = SolidOf(f, inputs[i])) {
      solids.push_back(std::move(*s));
      solidFacts.push_back(i);
    }
  }
  // A sweep along x over the boxes: only boxes that overlap are tried.
  std::vector<size_t> order(solids.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&solids](size_t a, size_t b) { return solids[a].lo[0] < solids[b].lo[0]; });
  const double tol = kApartMm / mm;
  std::vector<std::pair<size_t, size_t>> meeting;
  for (size_t i = 0; i < order.size(); ++i) {
    const Solid& a = solids[order[i]];
    for (size_t j = i + 1; j < order.size() && solids[order[j]].lo[0] < a.hi[0] - tol; ++j) {
      const Solid& b = solids[order[j]];
      if (!(wanted(a.id) || wanted(b.id))) continue;
      if (b.lo[1] >= a.hi[1] - tol || a.lo[1] >= b.hi[1] - tol || b.lo[2] >= a.hi[2] - tol ||
          a.lo[2] >= b.hi[2] - tol)
        continue;
      const size_t fa = solidFacts[order[i]], fb = solidFacts[order[j]];
      if (Meet(a, b, inputs[fa], inputs[fb], tol))
        meeting.push_back({std::min(fa, fb), std::max(fa, fb)});
    }
  }
  std::sort(meeting.begin(), meeting.end());
  for (const auto& [first, second] : meeting) {
    Finding f = Make(facts[second], Severity::Error, "holes-meet",
                     "it cuts into " + facts[first].Label());
    f.other = facts[first].id;
    out.push_back(std::move(f));
  }
  return out;
}

// Hole by hole in the model's order; a hole's own findings before the pairs it is the later hole
// of, and those in the order of the earlier hole.
void Order(const std::vector<holes::HoleFacts>& facts, std::vector<Finding>& findings) {
  std::map<int32_t, size_t> place;
  for (size_t i = 0; i < facts.size(); ++i) place[facts[i].id] = i;
  auto key = [&place](const Finding& f) {
    const bool pair = f.other != 0;
    return std::tuple(place.at(f.hole), pair, pair ? place.at(f.other) : 0);
  };
  std::stable_sort(findings.begin(), findings.end(),
                   [&key](const Finding& a, const Finding& b) { return key(a) < key(b); });
}

std::vector<exporter::HoleSolidInput> SolidInputs(scene::Scene& model,
                                                  const std::vector<holes::HoleFacts>& facts) {
  std::vector<exporter::HoleSolidInput> inputs;
  inputs.reserve(facts.size());
  for (const holes::HoleFacts& f : facts) inputs.push_back(exporter::HoleOf(f, *model.FindShapeById(f.id)));
  return inputs;
}

}  // namespace

std::vector<Finding> CheckModel(scene::Scene& model, const std::vector<int32_t>* only) {
  // Unmarked: whether a hole breaks out is found here, from the one measure each hole gets.
  const std::vector<holes::HoleFacts> facts = exporter::HolesOf(model, /*marked=*/false);
  std::vector<Finding> out =
      CheckRead(model, facts, SolidInputs(model, facts), [only](int32_t id) {
        return !only || std::find(only->begin(), only->end(), id) != only->end();
      });
  Order(facts, out);
  return out;
}

const std::vector<Finding>& LiveCheck::Update(scene::Scene& model) {
  const std::vector<holes::HoleFacts> facts = exporter::HolesOf(model, /*marked=*/false);
  const std::vector<exporter::HoleSolidInput> inputs = SolidInputs(model, facts);
  const std::vector<scene::Shape*> shapes = model.MainPart().ShapeItems();
  Part part;
  part.inch = model.ActivePage().LengthUnits() == scene::Units::Inch;
  if (!shapes.empty()) {
    const scene::Shape& first = *shapes.front();
    part.solid = std::hash<std::string>{}(first.Solid());
    if (const scene::Component* size = first.Store().First(host::comp::kShapeSize))
      for (int32_t i = 1; i <= 3; ++i) {
        const rt::Variant v = size->Value(i);
        part.place.push_back(v.IsNumeric() ? rt::CDbl(v) : std::nan(""));
      }
    for (const scene::Vec3& v : {first.Position(), first.Normal()})
      part.place.insert(part.place.end(), {v.x, v.y, v.z});
  }
  std::map<int32_t, Hole> holes;
  for (size_t i = 0; i < facts.size(); ++i) {
    const holes::HoleFacts& f = facts[i];
    holes[f.id] = {f.name,  f.boundClass, f.stored,           f.position, f.axis, f.throughDepth,
                   f.problem, inputs[i].chains, inputs[i].position, inputs[i].normal};
  }
  if (!checked_ || !(part == part_)) {
    findings_ = CheckRead(model, facts, inputs, [](int32_t) { return true; });
  } else {
    std::set<int32_t> changed;  // new, changed or gone
    for (const auto& [id, hole] : holes)
      if (const auto was = holes_.find(id); was == holes_.end() || !(was->second == hole))
        changed.insert(id);
    for (const auto& [id, hole] : holes_)
      if (!holes.count(id)) changed.insert(id);
    std::erase_if(findings_, [&changed](const Finding& f) {
      return changed.count(f.hole) || (f.other && changed.count(f.other));
    });
    if (!changed.empty()) {
      std::vector<Finding> fresh = CheckRead(
          model, facts, inputs, [&changed](int32_t id) { return changed.count(id) > 0; });
      findings_.insert(findings_.end(), std::make_move_iterator(fresh.begin()),
                       std::make_move_iterator(fresh.end()));
    }
  }
  Order(facts, findings_);
  checked_ = true;
  part_ = std::move(part);
  holes_ = std::move(holes);
  return findings_;
}

}  // namespace cavix::actions
