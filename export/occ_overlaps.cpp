// Holes that overlap one another, built in closed form. Identical stepped holes (bores and flat
// steps narrowing with depth down to a flat bottom) drilled square into one face of a block cut,
// at every depth, a union of equal circles: the cavity is a stack of prisms on those unions. The
// unions' boundaries are worked out in the plane (arcs of the circles between the points where
// neighbours cross, joined into loops) and the faces are built from them: a cylinder patch per
// arc and band, and at each level the plane faces between the union above and the one below.
// Nothing is intersected in space, so the cost grows with the holes and not with their overlaps.

#include <BRepLib.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Geom2dAPI_Interpolate.hxx>
#include <Geom2d_BSplineCurve.hxx>
#include <Geom2d_Line.hxx>
#include <Geom_ConicalSurface.hxx>
#include <Geom_Hyperbola.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_HArray1OfPnt2d.hxx>
#include <gp_Vec2d.hxx>
#include <Geom_Circle.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include "export/occ_internal.h"

namespace cavix::exporter::detail {
namespace {

constexpr double kTol = 1e-7;  // of the edges and vertices made, mm

struct P2 {
  double x = 0, y = 0;
};

// An arc of the boundary of a union of circles: counter-clockwise on its circle, the union on its
// left, between two crossing points (none for a whole circle).
struct Arc {
  int circle = 0;
  double from = 0, to = 0;  // radians, from < to
  int start = -1, end = -1;
};

struct Loop {
  std::vector<int> arcs;  // in their order along the loop
  double area = 0;        // > 0 around a piece of the union, < 0 around a gap in it
  double lo[2] = {0, 0}, hi[2] = {0, 0};
};

// Where a circle crosses into a neighbour's disc: an interval of its angles, and the crossing
// points at its ends. Crossings come in pairs, one pair to two circles: points 2p and 2p + 1 are
// where the circles of pair p cross, and the first circle of the pair runs in at 2p + 1.
struct Cover {
  double a, b;
  int pa, pb;
  int Pair() const { return pa / 2; }
  bool FirstOfPair() const { return pa % 2 == 1; }
};

// The boundary of the union of circles of radius `r` about the given centres.
struct Union {
  double r = 0;
  std::vector<P2> points;
  std::vector<std::array<int, 2>> pairs;    // the circles that cross, first one first
  std::vector<std::vector<Cover>> covers;   // by circle, in order of angle from 0
  std::vector<Arc> arcs;
  std::vector<int> arcFrom;                 // by crossing point: the arc that starts there
  std::vector<Loop> loops;
  double area = 0;
};

P2 OnCircle(const P2& c, double r, double angle) {
  return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

// The union's boundary, or none when circles touch, coincide or cross three at a point within
// `tol` (cases a closed form would get wrong: the kernel's boolean takes them).
std::optional<Union> UnionOf(const std::vector<P2>& c, double r,
                             const std::vector<std::vector<int>>& near, double tol) {
  Union u;
  u.r = r;
  const size_t n = c.size();
  std::vector<std::vector<Cover>>& covers = u.covers;
  covers.resize(n);
  for (size_t i = 0; i < n; ++i)
    for (int jj : near[i]) {
      const size_t j = static_cast<size_t>(jj);
      if (j <= i) continue;
      const double dx = c[j].x - c[i].x, dy = c[j].y - c[i].y, d = std::hypot(dx, dy);
      if (d >= 2 * r + tol) continue;
      if (d < tol || std::fabs(d - 2 * r) < tol) return std::nullopt;
      const double phi = std::atan2(dy, dx), alpha = std::acos(d / (2 * r));
      const double h = std::sqrt(std::max(0.0, r * r - d * d / 4));
      const P2 mid{(c[i].x + c[j].x) / 2, (c[i].y + c[j].y) / 2};
      const int left = static_cast<int>(u.points.size());
      u.pairs.push_back({static_cast<int>(i), static_cast<int>(j)});
      u.points.push_back({mid.x - h * dy / d, mid.y + h * dx / d});
      u.points.push_back({mid.x + h * dy / d, mid.y - h * dx / d});
      // Circle i runs into disc j at the right-hand point and out at the left-hand one; circle j
      // the other way round.
      covers[i].push_back({phi - alpha, phi + alpha, left + 1, left});
      covers[j].push_back({phi + M_PI - alpha, phi + M_PI + alpha, left, left + 1});
    }

  const double tolAngle = tol / r;
  for (size_t i = 0; i < n; ++i) {
    std::vector<Cover>& cv = covers[i];
    if (cv.empty()) {
      u.arcs.push_back({static_cast<int>(i), 0, 2 * M_PI, -1, -1});
      continue;
    }
    for (Cover& k : cv) {
      const double shift = std::floor(k.a / (2 * M_PI)) * 2 * M_PI;
      k.a -= shift;
      k.b -= shift;
    }
    std::sort(cv.begin(), cv.end(), [](const Cover& x, const Cover& y) { return x.a < y.a; });
    // Twice round: the gaps of the second lap are the circle's arcs on the boundary.
    double end = -1e300;
    int endPoint = -1;
    for (size_t k = 0; k < 2 * cv.size(); ++k) {
      const Cover& next = cv[k % cv.size()];
      const double lap = (k / cv.size()) * 2 * M_PI;
      const double a = next.a + lap, b = next.b + lap;
      if (std::fabs(a - end) < tolAngle) return std::nullopt;  // three circles through a point
      if (a > end && k >= cv.size()) {
        const double shift = std::floor(end / (2 * M_PI)) * 2 * M_PI;
        u.arcs.push_back({static_cast<int>(i), end - shift, a - shift, endPoint, next.pa});
      }
      if (b > end) {
        if (std::fabs(b - end) < tolAngle) return std::nullopt;
        end = b;
        endPoint = next.pb;
      }
    }
  }

  // Each crossing on the boundary starts one arc and ends another.
  std::vector<int>& startsAt = u.arcFrom;
  startsAt.assign(u.points.size(), -1);
  for (size_t a = 0; a < u.arcs.size(); ++a) {
    const int s = u.arcs[a].start;
    if (s < 0) continue;
    if (startsAt[static_cast<size_t>(s)] >= 0) return std::nullopt;
    startsAt[static_cast<size_t>(s)] = static_cast<int>(a);
  }
  std::vector<char> used(u.arcs.size(), 0);
  for (size_t first = 0; first < u.arcs.size(); ++first) {
    if (used[first]) continue;
    Loop loop;
    loop.lo[0] = loop.lo[1] = 1e300;
    loop.hi[0] = loop.hi[1] = -1e300;
    for (int a = static_cast<int>(first);;) {
      if (used[static_cast<size_t>(a)]) return std::nullopt;
      used[static_cast<size_t>(a)] = 1;
      loop.arcs.push_back(a);
      const Arc& arc = u.arcs[static_cast<size_t>(a)];
      const P2& o = c[static_cast<size_t>(arc.circle)];
      // Green's theorem along the arc: half the integral of x dy - y dx.
      loop.area += (o.x * r * (std::sin(arc.to) - std::sin(arc.from)) -
                    o.y * r * (std::cos(arc.to) - std::cos(arc.from)) + r * r * (arc.to - arc.from)) /
                   2;
      loop.lo[0] = std::min(loop.lo[0], o.x - r);
      loop.lo[1] = std::min(loop.lo[1], o.y - r);
      loop.hi[0] = std::max(loop.hi[0], o.x + r);
      loop.hi[1] = std::max(loop.hi[1], o.y + r);
      if (arc.end < 0) break;
      a = startsAt[static_cast<size_t>(arc.end)];
      if (a < 0) return std::nullopt;
      if (a == static_cast<int>(first)) break;
    }
    u.area += loop.area;
    u.loops.push_back(std::move(loop));
  }
  return u;
}

// Whether `p` lies inside `loop`: a ray along +x crosses its arcs an odd number of times.
bool Inside(const Union& u, const std::vector<P2>& c, const Loop& loop, const P2& p) {
  int crossings = 0;
  for (int a : loop.arcs) {
    const Arc& arc = u.arcs[static_cast<size_t>(a)];
    const P2& o = c[static_cast<size_t>(arc.circle)];
    const double dy = p.y - o.y;
    if (std::fabs(dy) >= u.r) continue;
    const double dx = std::sqrt(u.r * u.r - dy * dy);
    for (double x : {o.x - dx, o.x + dx}) {
      if (x <= p.x) continue;
      double t = std::atan2(dy, x - o.x);
      while (t < arc.from) t += 2 * M_PI;
      if (t <= arc.to) ++crossings;
    }
  }
  return crossings % 2 == 1;
}

// A loop of one of the unions as a plane face's boundary sees it: reversed when the face lies
// on the loop's right (below a union, the face lies outside the union).
struct LoopRef {
  const Union* u;
  size_t loop;
  bool reversed;
  double Area() const { return reversed ? -u->loops[loop].area : u->loops[loop].area; }
};

// Which loops bound one face: each outer loop (positive area as seen) with the inner loops it
// is the smallest to contain. None when an inner loop finds no outer one.
std::optional<std::vector<std::vector<LoopRef>>> Regions(const std::vector<LoopRef>& loops,
                                                         const std::vector<P2>& c) {
  std::vector<std::vector<LoopRef>> faces;
  std::vector<size_t> outer;
  for (const LoopRef& l : loops)
    if (l.Area() > 0) {
      outer.push_back(faces.size());
      faces.push_back({l});
    }
  for (const LoopRef& l : loops) {
    if (l.Area() > 0) continue;
    const Arc& arc = l.u->arcs[static_cast<size_t>(l.u->loops[l.loop].arcs.front())];
    const P2 p = OnCircle(c[static_cast<size_t>(arc.circle)], l.u->r, (arc.from + arc.to) / 2);
    std::optional<size_t> best;
    for (size_t f : outer) {
      const LoopRef& o = faces[f].front();
      const Loop& ol = o.u->loops[o.loop];
      if (p.x < ol.lo[0] || p.x > ol.hi[0] || p.y < ol.lo[1] || p.y > ol.hi[1]) continue;
      if (best && o.Area() >= faces[*best].front().Area()) continue;
      if (Inside(*o.u, c, ol, p)) best = f;
    }
    if (!best) return std::nullopt;
    faces[*best].push_back(l);
  }
  return faces;
}

// The plan of a stepped profile: (0, 0), (R0, 0), (R0, L1), (R1, L1), ..., (Rm-1, Lm), then
// (0, Lm) for a flat bottom or (0, A) for a drill point with its tip at A, with the radii
// narrowing and the levels going deeper.
struct Steps {
  std::vector<double> levels;  // L0 = 0 .. Lm
  std::vector<double> radii;   // of the bands between them
  double tip = 0;              // depth of a drill point's tip; 0: a flat bottom
};

std::optional<Steps> StepsOf(const std::vector<Pt>& v) {
  if (v.size() < 4 || v.size() % 2 != 0 || v[0][0] != 0 || v[0][1] != 0 || v.back()[0] != 0)
    return std::nullopt;
  Steps s;
  s.levels.push_back(0);
  for (size_t k = 1; k + 1 < v.size(); k += 2) {
    const Pt& top = v[k];
    const Pt& bottom = v[k + 1];
    if (top[0] != bottom[0] || top[1] != s.levels.back() || !(bottom[1] > top[1]) ||
        !(top[0] > 0) || (!s.radii.empty() && !(top[0] < s.radii.back())))
      return std::nullopt;
    s.radii.push_back(top[0]);
    s.levels.push_back(bottom[1]);
  }
  if (v.back()[1] > s.levels.back())
    s.tip = v.back()[1];
  else if (v.back()[1] != s.levels.back())
    return std::nullopt;
  return s;
}

// The integral of the area two discs of radius rho, their centres 2c apart, have in common,
// over rho from c to r.
double LensVolume(double c, double r) {
  auto g = [c](double rho) {
    const double root = std::sqrt(std::max(0.0, rho * rho - c * c));
    const double log = std::log(rho + root);
    return 2 * (rho * rho * rho / 3 * std::acos(std::min(1.0, c / rho)) -
                c / 3 * (rho / 2 * root + c * c / 2 * log)) -
           2 * c * (rho / 2 * root - c * c / 2 * log);
  };
  return g(r) - g(c);
}

}  // namespace

struct OverlapPlan {
  std::vector<const PreparedHole*> holes;
  Steps steps;
  gp_Dir normal, xDir;  // the face's outward normal (against the axis) and the plane's x
  double plane = 0;     // the face's offset along `normal`
  std::vector<P2> centres;
  std::vector<Union> unions;  // by band
  double volume = 0;
};

std::shared_ptr<const OverlapPlan> PlanOverlaps(const std::vector<const PreparedHole*>& holes,
                                                double tol) {
  if (holes.size() < 2) return nullptr;
  const PreparedHole& first = *holes.front();
  const std::optional<Steps> steps = StepsOf(first.vertices);
  if (!steps) return nullptr;
  auto plan = std::make_shared<OverlapPlan>();
  plan->holes = holes;
  plan->steps = *steps;
  int along = 0;
  for (int k = 1; k < 3; ++k)
    if (std::fabs(first.axis[k]) > std::fabs(first.axis[along])) along = k;
  const double sense = first.axis[along] > 0 ? 1 : -1;
  double normal[3] = {0, 0, 0}, x[3] = {0, 0, 0};
  normal[along] = -sense;
  x[(along + 1) % 3] = 1;
  plan->normal = gp_Dir(normal[0], normal[1], normal[2]);
  plan->xDir = gp_Dir(x[0], x[1], x[2]);
  const gp_Dir y = plan->normal.Crossed(plan->xDir);
  plan->plane = -sense * first.origin[along];
  for (const PreparedHole* h : holes) {
    if (h->vertices != first.vertices || h->axis != first.axis ||
        std::fabs(h->origin[along] - first.origin[along]) > tol)
      return nullptr;
    const gp_XYZ o(h->origin[0], h->origin[1], h->origin[2]);
    plan->centres.push_back({o.Dot(plan->xDir.XYZ()), o.Dot(y.XYZ())});
  }
  // Neighbours: centres closer than the widest circles' diameter, found in buckets that size.
  const double reach = 2 * steps->radii.front() + tol;
  std::map<std::pair<long long, long long>, std::vector<int>> buckets;
  auto key = [&](const P2& p) {
    return std::pair{static_cast<long long>(std::floor(p.x / reach)),
                     static_cast<long long>(std::floor(p.y / reach))};
  };
  for (size_t i = 0; i < holes.size(); ++i) buckets[key(plan->centres[i])].push_back(static_cast<int>(i));
  std::vector<std::vector<int>> near(holes.size());
  for (size_t i = 0; i < holes.size(); ++i) {
    const auto [kx, ky] = key(plan->centres[i]);
    for (long long dx = -1; dx <= 1; ++dx)
      for (long long dy = -1; dy <= 1; ++dy) {
        const auto b = buckets.find({kx + dx, ky + dy});
        if (b == buckets.end()) continue;
        for (int j : b->second)
          if (j != static_cast<int>(i)) near[i].push_back(j);
      }
    std::sort(near[i].begin(), near[i].end());
  }
  std::vector<char> seen(holes.size(), 0);
  for (size_t b = 0; b < steps->radii.size(); ++b) {
    std::optional<Union> u = UnionOf(plan->centres, steps->radii[b], near, tol);
    if (!u) return nullptr;
    for (const Arc& a : u->arcs) seen[static_cast<size_t>(a.circle)] = 1;
    plan->volume += u->area * (steps->levels[b + 1] - steps->levels[b]);
    plan->unions.push_back(std::move(*u));
  }
  // A hole with no wall of its own on the boundary would have only a share of a floor: the
  // boolean tells better which hole such a face belongs to.
  if (std::find(seen.begin(), seen.end(), 0) != seen.end()) return nullptr;
  if (steps->tip > 0) {
    // Drill points meet their neighbours' in hyperbolas, one a pair, as long as no two of a
    // point's neighbours reach it where the other does: then the points' union keeps its
    // shape all the way down.
    const Union& top = plan->unions.back();
    const double tolAngle = tol / top.r;
    for (const std::vector<Cover>& cv : top.covers)
      for (size_t k = 0; k < cv.size(); ++k) {
        const double next = k + 1 < cv.size() ? cv[k + 1].a : cv.front().a + 2 * M_PI;
        if (cv.size() > 1 && !(cv[k].b < next - tolAngle)) return nullptr;
      }
    const double r = top.r, height = steps->tip - steps->levels.back();
    double cones = holes.size() * M_PI * r * r * height / 3;
    for (const auto& [i, j] : top.pairs) {
      const P2& a = plan->centres[static_cast<size_t>(i)];
      const P2& b = plan->centres[static_cast<size_t>(j)];
      cones -= LensVolume(std::hypot(b.x - a.x, b.y - a.y) / 2, r) * height / r;
    }
    plan->volume += cones;
  }
  // The mouths must make one piece, cut into the part's face by one loop.
  int outer = 0;
  for (const Loop& l : plan->unions.front().loops) outer += l.area > 0;
  if (outer != 1) return nullptr;
  return plan;
}

namespace {

// Makes the drill points under the last band: a cone for each hole, down to its tip, that meets
// its neighbours' in hyperbolas. `rims` and `corners` are the last band's bottom edges (by arc)
// and vertices (by crossing point).
void DrillPoints(const OverlapPlan& plan, const std::vector<TopoDS_Edge>& rims,
                 const std::vector<TopoDS_Vertex>& corners, BuiltOverlaps& out) {
  const Steps& s = plan.steps;
  const Union& u = plan.unions.back();
  const std::vector<P2>& c = plan.centres;
  const gp_Dir y = plan.normal.Crossed(plan.xDir);
  auto at = [&](const P2& p, double level) {
    return gp_Pnt(p.x * plan.xDir.XYZ() + p.y * y.XYZ() + (plan.plane - level) * plan.normal.XYZ());
  };
  BRep_Builder b;
  const double r = u.r, top = s.levels.back(), height = s.tip - top;
  const double semi = std::atan2(r, height);
  const double vTip = -std::hypot(r, height);  // the tip along the cone's generator from its rim
  // A point at parameter t of the hyperbola two points 2c apart meet in: its angle about the
  // first one's axis less the direction to the second, and its place along the generator.
  auto curveOn = [&](double c2, bool first) {
    const double t0 = std::acosh(r / c2), major = c2 * height / r;
    constexpr int kPoints = 65;
    Handle(TColgp_HArray1OfPnt2d) points = new TColgp_HArray1OfPnt2d(1, kPoints);
    Handle(TColStd_HArray1OfReal) params = new TColStd_HArray1OfReal(1, kPoints);
    for (int k = 0; k < kPoints; ++k) {
      const double t = -t0 + 2 * t0 * k / (kPoints - 1);
      const double turn = std::atan(std::sinh(t));
      points->SetValue(k + 1, gp_Pnt2d(first ? turn : M_PI - turn,
                                       -(height - major * std::cosh(t)) / std::cos(semi)));
      params->SetValue(k + 1, t);
    }
    Geom2dAPI_Interpolate fit(points, params, Standard_False, 1e-12);
    fit.Perform();
    return Handle(Geom2d_Curve)(fit.Curve());
  };
  std::map<long long, std::array<Handle(Geom2d_Curve), 2>> curves;  // by distance, in nm
  std::vector<TopoDS_Edge> meet(u.pairs.size());
  std::vector<std::array<Handle(Geom2d_Curve), 2>> meetOn(u.pairs.size());
  for (size_t p = 0; p < u.pairs.size(); ++p) {
    const P2& a = c[static_cast<size_t>(u.pairs[p][0])];
    const P2& o = c[static_cast<size_t>(u.pairs[p][1])];
    const double d = std::hypot(o.x - a.x, o.y - a.y), t0 = std::acosh(2 * r / d);
    const gp_Dir e((o.x - a.x) * plan.xDir.XYZ() + (o.y - a.y) * y.XYZ());
    const gp_Pnt centre = at({(a.x + o.x) / 2, (a.y + o.y) / 2}, s.tip);
    TopoDS_Edge& edge = meet[p];
    b.MakeEdge(edge, new Geom_Hyperbola(gp_Ax2(centre, e.Reversed(), plan.normal), d * height / (2 * r), d / 2),
               kTol);
    b.Add(edge, corners[2 * p + 1].Oriented(TopAbs_FORWARD));
    b.Add(edge, corners[2 * p].Oriented(TopAbs_REVERSED));
    b.Range(edge, -t0, t0);
    auto& known = curves[std::llround(d * 5e8)];
    if (known[0].IsNull()) known = std::array<Handle(Geom2d_Curve), 2>{curveOn(d / 2, true), curveOn(d / 2, false)};
    meetOn[p] = known;
  }

  for (size_t i = 0; i < c.size(); ++i) {
    const Handle(Geom_ConicalSurface) cone =
        new Geom_ConicalSurface(gp_Ax3(at(c[i], top), plan.normal, plan.xDir), semi, r);
    const std::vector<Cover>& cv = u.covers[i];
    // The seam runs up from the tip to where the circle comes out of its first neighbour (or to
    // a whole circle's own vertex), so that the face is walked once round from there.
    int firstArc = -1;
    for (size_t a = 0; a < u.arcs.size() && firstArc < 0; ++a)
      if (u.arcs[a].circle == static_cast<int>(i) &&
          (cv.empty() || u.arcs[a].start == cv.front().pb))
        firstArc = static_cast<int>(a);
    if (firstArc < 0) continue;
    const double u0 = u.arcs[static_cast<size_t>(firstArc)].from;
    TopoDS_Vertex corner;
    for (TopoDS_Iterator it(rims[static_cast<size_t>(firstArc)]); it.More() && corner.IsNull(); it.Next())
      if (it.Value().Orientation() == TopAbs_FORWARD) corner = TopoDS::Vertex(it.Value());
    const gp_Pnt tipPoint = at(c[i], s.tip);
    TopoDS_Vertex tip;
    b.MakeVertex(tip, tipPoint, kTol);
    TopoDS_Edge seam, point;
    b.MakeEdge(seam, new Geom_Line(tipPoint, gp_Vec(tipPoint, BRep_Tool::Pnt(corner))), kTol);
    b.Add(seam, tip.Oriented(TopAbs_FORWARD));
    b.Add(seam, corner.Oriented(TopAbs_REVERSED));
    b.UpdateEdge(seam, new Geom2d_Line(gp_Pnt2d(u0 + 2 * M_PI, vTip), gp_Dir2d(0, 1)),
                 new Geom2d_Line(gp_Pnt2d(u0, vTip), gp_Dir2d(0, 1)), cone, TopLoc_Location(), kTol);
    b.Range(seam, 0, -vTip);
    b.MakeEdge(point);
    b.UpdateEdge(point, new Geom2d_Line(gp_Pnt2d(0, vTip), gp_Dir2d(1, 0)), cone, TopLoc_Location(),
                 kTol);
    b.Degenerated(point, Standard_True);
    b.Add(point, tip.Oriented(TopAbs_FORWARD));
    b.Add(point, tip.Oriented(TopAbs_REVERSED));
    b.Range(point, u0, u0 + 2 * M_PI);

    // The rim from u0 round to u0 + 2 pi: arcs out of the neighbours' points, and the
    // hyperbolas across them, each placed in that turn.
    std::vector<TopoDS_Edge> rim;  // in the order of the turn, as walked
    auto addArc = [&](int a) {
      const Arc& arc = u.arcs[static_cast<size_t>(a)];
      const double shift = arc.from < u0 - 1e-9 ? 2 * M_PI : 0;
      const TopoDS_Edge& e = rims[static_cast<size_t>(a)];
      b.UpdateEdge(e, new Geom2d_Line(gp_Pnt2d(shift, 0), gp_Dir2d(1, 0)), cone, TopLoc_Location(),
                   kTol);
      b.Range(e, arc.from, arc.to);
      rim.push_back(TopoDS::Edge(e.Oriented(TopAbs_FORWARD)));
    };
    addArc(firstArc);
    for (size_t k = 0; k < cv.size(); ++k) {
      const Cover& next = cv[(k + 1) % cv.size()];
      double middle = (next.a + next.b) / 2;
      while (middle < u0) middle += 2 * M_PI;
      while (middle > u0 + 2 * M_PI) middle -= 2 * M_PI;
      const size_t p = static_cast<size_t>(next.Pair());
      const bool first = next.FirstOfPair();
      Handle(Geom2d_Curve) on = Handle(Geom2d_Curve)::DownCast(
          meetOn[p][first ? 0 : 1]->Translated(gp_Vec2d(middle - (first ? 0 : M_PI), 0)));
      b.UpdateEdge(meet[p], on, cone, TopLoc_Location(), kTol);
      const double t0 = std::acosh(2 * r / std::hypot(c[static_cast<size_t>(u.pairs[p][1])].x - c[static_cast<size_t>(u.pairs[p][0])].x,
                                                       c[static_cast<size_t>(u.pairs[p][1])].y - c[static_cast<size_t>(u.pairs[p][0])].y));
      b.Range(meet[p], -t0, t0);
      rim.push_back(TopoDS::Edge(meet[p].Oriented(first ? TopAbs_FORWARD : TopAbs_REVERSED)));
      if (k + 1 < cv.size()) addArc(u.arcFrom[static_cast<size_t>(next.pb)]);
    }
    TopoDS_Wire w;
    b.MakeWire(w);
    b.Add(w, point.Oriented(TopAbs_FORWARD));
    b.Add(w, seam.Oriented(TopAbs_FORWARD));
    for (auto e = rim.rbegin(); e != rim.rend(); ++e) b.Add(w, e->Reversed());
    b.Add(w, seam.Oriented(TopAbs_REVERSED));
    w.Closed(Standard_True);
    TopoDS_Face f;
    b.MakeFace(f, cone, kTol);
    b.Add(f, w);
    out.holeFaces.emplace_back(f.Reversed(), plan.holes[i]->index);
  }
}

}  // namespace

int HolesIn(const OverlapPlan& plan) { return static_cast<int>(plan.holes.size()); }

double RemovedVolume(const OverlapPlan& plan) { return plan.volume; }

std::optional<BuiltOverlaps> BuildOverlaps(const OverlapPlan& plan) {
  const Steps& s = plan.steps;
  const size_t bands = s.radii.size();
  const gp_Dir y = plan.normal.Crossed(plan.xDir);
  BRep_Builder b;
  // A point of the plane at depth `level` below the face.
  auto at = [&](const P2& p, double level) {
    return gp_Pnt(p.x * plan.xDir.XYZ() + p.y * y.XYZ() + (plan.plane - level) * plan.normal.XYZ());
  };
  auto vertex = [&](const gp_Pnt& p) {
    TopoDS_Vertex v;
    b.MakeVertex(v, p, kTol);
    return v;
  };
  const std::vector<P2>& c = plan.centres;

  // Each band's surfaces, its arcs' edges at its top and bottom, and the upright edges where
  // two of its circles cross.
  struct Band {
    std::vector<Handle(Geom_CylindricalSurface)> surfaces;  // by circle, made when needed
    std::vector<TopoDS_Edge> top, bottom;                    // by arc
    std::vector<TopoDS_Edge> upright;                        // by crossing point
    std::vector<TopoDS_Vertex> vBottom;                      // by crossing point
  };
  std::vector<Band> band(bands);
  BuiltOverlaps out;
  for (size_t k = 0; k < bands; ++k) {
    const Union& u = plan.unions[k];
    const double r = u.r, zTop = s.levels[k], zBottom = s.levels[k + 1];
    Band& bd = band[k];
    bd.surfaces.resize(c.size());
    std::vector<TopoDS_Vertex> vTop(u.points.size());
    std::vector<TopoDS_Vertex>& vBottom = bd.vBottom;
    vBottom.resize(u.points.size());
    bd.upright.resize(u.points.size());
    for (const Arc& a : u.arcs) {
      if (a.start < 0) continue;
      for (int p : {a.start, a.end}) {
        const size_t i = static_cast<size_t>(p);
        if (!vTop[i].IsNull()) continue;
        vTop[i] = vertex(at(u.points[i], zTop));
        vBottom[i] = vertex(at(u.points[i], zBottom));
        TopoDS_Edge e;
        b.MakeEdge(e, new Geom_Line(at(u.points[i], zBottom), plan.normal), kTol);
        b.Add(e, vBottom[i].Oriented(TopAbs_FORWARD));
        b.Add(e, vTop[i].Oriented(TopAbs_REVERSED));
        b.Range(e, 0, zBottom - zTop);
        bd.upright[i] = e;
      }
    }
    for (const Arc& a : u.arcs) {
      const size_t i = static_cast<size_t>(a.circle);
      Handle(Geom_CylindricalSurface)& surface = bd.surfaces[i];
      if (surface.IsNull())
        surface = new Geom_CylindricalSurface(gp_Ax3(at(c[i], 0), plan.normal, plan.xDir), r);
      TopoDS_Edge rim[2];
      const double level[2] = {zTop, zBottom};
      for (int side = 0; side < 2; ++side) {
        const Handle(Geom_Circle) circle =
            new Geom_Circle(gp_Ax2(at(c[i], level[side]), plan.normal, plan.xDir), r);
        TopoDS_Edge& e = rim[side];
        b.MakeEdge(e, circle, kTol);
        if (a.start >= 0) {
          const TopoDS_Vertex& from = side == 0 ? vTop[static_cast<size_t>(a.start)]
                                                : vBottom[static_cast<size_t>(a.start)];
          const TopoDS_Vertex& to = side == 0 ? vTop[static_cast<size_t>(a.end)]
                                              : vBottom[static_cast<size_t>(a.end)];
          b.Add(e, from.Oriented(TopAbs_FORWARD));
          b.Add(e, to.Oriented(TopAbs_REVERSED));
        } else {
          const TopoDS_Vertex v = vertex(circle->Value(a.from));
          b.Add(e, v.Oriented(TopAbs_FORWARD));
          b.Add(e, v.Oriented(TopAbs_REVERSED));
        }
        b.UpdateEdge(e, new Geom2d_Line(gp_Pnt2d(0, -level[side]), gp_Dir2d(1, 0)), surface,
                     TopLoc_Location(), kTol);
        b.Range(e, a.from, a.to);
      }
      bd.top.push_back(rim[0]);
      bd.bottom.push_back(rim[1]);

      // The wall: bottom rim along the arc, up at its end, the top rim back, down at its start.
      TopoDS_Edge up, down;
      if (a.start >= 0) {
        up = bd.upright[static_cast<size_t>(a.end)];
        down = bd.upright[static_cast<size_t>(a.start)];
        b.UpdateEdge(up, new Geom2d_Line(gp_Pnt2d(a.to, -zBottom), gp_Dir2d(0, 1)), surface,
                     TopLoc_Location(), kTol);
        b.UpdateEdge(down, new Geom2d_Line(gp_Pnt2d(a.from, -zBottom), gp_Dir2d(0, 1)), surface,
                     TopLoc_Location(), kTol);
      } else {
        // A whole circle: its seam, walked up at the end of the turn and down at its start.
        b.MakeEdge(up, new Geom_Line(at(OnCircle(c[i], r, a.from), zBottom), plan.normal), kTol);
        TopoDS_Vertex vb, vt;
        for (TopoDS_Iterator it(rim[1]); it.More(); it.Next()) vb = TopoDS::Vertex(it.Value());
        for (TopoDS_Iterator it(rim[0]); it.More(); it.Next()) vt = TopoDS::Vertex(it.Value());
        b.Add(up, vb.Oriented(TopAbs_FORWARD));
        b.Add(up, vt.Oriented(TopAbs_REVERSED));
        b.UpdateEdge(up, new Geom2d_Line(gp_Pnt2d(a.to, -zBottom), gp_Dir2d(0, 1)),
                     new Geom2d_Line(gp_Pnt2d(a.from, -zBottom), gp_Dir2d(0, 1)), surface,
                     TopLoc_Location(), kTol);
        b.Range(up, 0, zBottom - zTop);
        down = up;
      }
      TopoDS_Wire w;
      b.MakeWire(w);
      b.Add(w, rim[1].Oriented(TopAbs_FORWARD));
      b.Add(w, up.Oriented(TopAbs_FORWARD));
      b.Add(w, rim[0].Oriented(TopAbs_REVERSED));
      b.Add(w, down.Oriented(TopAbs_REVERSED));
      w.Closed(Standard_True);
      TopoDS_Face f;
      b.MakeFace(f, surface, kTol);
      b.Add(f, w);
      // The cylinder faces away from its axis; the wall faces into the hole.
      out.holeFaces.emplace_back(f.Reversed(), plan.holes[i]->index);
    }
    // The upright edges' curves on both their walls run over the edge's own range.
    for (const TopoDS_Edge& e : bd.upright)
      if (!e.IsNull()) b.Range(e, 0, zBottom - zTop);
  }

  // A loop's edges at one level, walked as a plane face facing against the axis sees it.
  auto wireOf = [&](const LoopRef& l, const std::vector<TopoDS_Edge>& edges) {
    TopoDS_Wire w;
    b.MakeWire(w);
    const std::vector<int>& arcs = l.u->loops[l.loop].arcs;
    if (!l.reversed)
      for (int a : arcs) b.Add(w, edges[static_cast<size_t>(a)].Oriented(TopAbs_FORWARD));
    else
      for (auto a = arcs.rbegin(); a != arcs.rend(); ++a)
        b.Add(w, edges[static_cast<size_t>(*a)].Oriented(TopAbs_REVERSED));
    w.Closed(Standard_True);
    return w;
  };
  auto planeFace = [&](double level, const std::vector<TopoDS_Wire>& wires) {
    const Handle(Geom_Plane) plane =
        new Geom_Plane(gp_Ax3(at({0, 0}, level), plan.normal, plan.xDir));
    TopoDS_Face f;
    b.MakeFace(f, plane, kTol);
    for (const TopoDS_Wire& w : wires) b.Add(f, w);
    for (const TopoDS_Wire& w : wires)
      for (TopoDS_Iterator e(w); e.More(); e.Next())
        BRepLib::BuildPCurveForEdgeOnPlane(TopoDS::Edge(e.Value()), f);
    return f;
  };
  // The hole a floor belongs to: the first whose wall bounds it.
  auto owner = [&](const std::vector<LoopRef>& region) {
    size_t best = plan.holes.size();
    for (const LoopRef& l : region)
      for (int a : l.u->loops[l.loop].arcs)
        best = std::min(best, static_cast<size_t>(l.u->arcs[static_cast<size_t>(a)].circle));
    return plan.holes[best]->index;
  };

  // The mouth: the union's outer loop goes into the part's face; each gap in it is a face of
  // the part of its own, the top of the material standing between the holes.
  const Union& mouth = plan.unions.front();
  for (size_t l = 0; l < mouth.loops.size(); ++l) {
    const LoopRef ref{&mouth, l, true};
    const TopoDS_Wire w = wireOf(ref, band.front().top);
    if (ref.Area() < 0)
      out.mouth = w;
    else
      out.partFaces.push_back(planeFace(0, {w}));
  }
  // Each level below: the region inside the band above and outside the band below; no bottom
  // under a drill point.
  for (size_t k = 1; k <= bands - (s.tip > 0 ? 1 : 0); ++k) {
    std::vector<LoopRef> loops;
    for (size_t l = 0; l < plan.unions[k - 1].loops.size(); ++l)
      loops.push_back({&plan.unions[k - 1], l, false});
    if (k < bands)
      for (size_t l = 0; l < plan.unions[k].loops.size(); ++l)
        loops.push_back({&plan.unions[k], l, true});
    const std::optional<std::vector<std::vector<LoopRef>>> regions = Regions(loops, c);
    if (!regions) return std::nullopt;
    for (const std::vector<LoopRef>& region : *regions) {
      std::vector<TopoDS_Wire> wires;
      for (const LoopRef& l : region)
        wires.push_back(wireOf(l, l.u == &plan.unions[k - 1] ? band[k - 1].bottom : band[k].top));
      out.holeFaces.emplace_back(planeFace(s.levels[k], wires), owner(region));
    }
  }
  if (s.tip > 0) DrillPoints(plan, band.back().bottom, band.back().vBottom, out);
  out.volume = plan.volume;
  const PreparedHole& first = *plan.holes.front();
  out.at = gp_Pnt(first.origin[0], first.origin[1], first.origin[2]);
  out.axis = gp_Dir(first.axis[0], first.axis[1], first.axis[2]);
  return out;
}

}  // namespace cavix::exporter::detail
