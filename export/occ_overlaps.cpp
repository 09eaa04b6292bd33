// Holes that overlap one another, built in closed form. Identical stepped holes (bores and flat
// steps narrowing with depth, down to a flat bottom or a drill point) drilled square into one face
// of a block cut, at every depth, a union of equal circles: the cavity is a stack of prisms on
// those unions, and cones under the last. The unions' boundaries are worked out in the plane (arcs
// of the circles between the points where neighbours cross or where the face's sides cut them)
// and the faces are built from them: a cylinder patch per arc and band, a cone per drill point
// bounded by the hyperbolas it meets its neighbours' in, at each level the plane faces between
// the union above and the one below, and, where holes break out of the block's sides, the sides
// with their notches. Nothing is intersected in space, so the cost grows with the holes and not
// with their overlaps.

#include <BRepLib.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Geom2dAPI_Interpolate.hxx>
#include <Geom2d_BSplineCurve.hxx>
#include <Geom2d_Line.hxx>
#include <Geom_Circle.hxx>
#include <Geom_ConicalSurface.hxx>
#include <Geom_CylindricalSurface.hxx>
#include <Geom_Hyperbola.hxx>
#include <Geom_Line.hxx>
#include <Geom_Plane.hxx>
#include <TColStd_HArray1OfReal.hxx>
#include <TColgp_HArray1OfPnt2d.hxx>
#include <TopExp.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Vertex.hxx>
#include <TopoDS_Wire.hxx>
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <unordered_map>

#include "export/occ_internal.h"
#include "runtime/workers.h"

namespace cavix::exporter::detail {
namespace {

constexpr double kTol = 1e-7;  // of the edges and vertices made, mm

struct P2 {
  double x = 0, y = 0;
};

P2 OnCircle(const P2& c, double r, double angle) {
  return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

// The face the holes open on, in its plane. Its sides are numbered counter-clockwise from the
// one at low y; side s starts at corner s and runs to corner s + 1.
struct Rect {
  P2 lo, hi;
  static double NormalAngle(int s) { return (s - 1) * M_PI / 2; }
  // How far inside side s a point lies.
  double Inside(int s, const P2& p) const {
    switch (s) {
      case 0: return p.y - lo.y;
      case 1: return hi.x - p.x;
      case 2: return hi.y - p.y;
      default: return p.x - lo.x;
    }
  }
  P2 Corner(int s) const {
    switch (s % 4) {
      case 0: return lo;
      case 1: return {hi.x, lo.y};
      case 2: return hi;
      default: return {lo.x, hi.y};
    }
  }
  // Where a point of side s lies along it, growing counter-clockwise.
  static double Along(int s, const P2& p) {
    switch (s) {
      case 0: return p.x;
      case 1: return p.y;
      case 2: return -p.x;
      default: return -p.y;
    }
  }
  // The point exactly on side s.
  P2 Onto(int s, P2 p) const {
    switch (s) {
      case 0: p.y = lo.y; break;
      case 1: p.x = hi.x; break;
      case 2: p.y = hi.y; break;
      default: p.x = lo.x; break;
    }
    return p;
  }
};

// Where a circle leaves the boundary of the union: into a neighbour's disc, or past a side of the
// face. An interval of its angles, with the points at its ends (where the circle goes in, and
// where it comes out).
struct Cover {
  double a, b;
  int pa, pb;
  int pair = -1;  // the crossing neighbours, or -1 past a side
  int side = -1;
  bool first = true;  // along the hyperbola of a drill point, the angle grows with its parameter
};

// An arc of the boundary: counter-clockwise on its circle, the union on its left, between two
// points (none for a whole circle).
struct Arc {
  int circle = 0;
  double from = 0, to = 0;  // radians, from < to
  int start = -1, end = -1;
};

// The union of circles of radius `r` about the given centres, within the face.
struct Union {
  double r = 0;
  std::vector<P2> points;
  std::vector<int> pointSide;            // -1 where two circles cross, else the side cut there
  std::vector<std::array<int, 2>> pairs;  // the circles that cross, first one first
  std::vector<int> pairPoints;            // by pair: its left-hand crossing; the right-hand next
  std::vector<std::vector<Cover>> covers;  // by circle, in order of angle from 0
  std::vector<Arc> arcs;
  std::vector<int> arcFrom;  // by point: the arc that starts there, or -1
  std::vector<int> arcTo;    // by point: the arc that ends there, or -1
  bool pastSides = false;
  double area = 0;  // of the union within the face
};

double ArcArea(const P2& o, double r, double a0, double a1) {
  // Green's theorem along the arc: half the integral of x dy - y dx.
  return (o.x * r * (std::sin(a1) - std::sin(a0)) - o.y * r * (std::cos(a1) - std::cos(a0)) +
          r * r * (a1 - a0)) /
         2;
}

double SegmentArea(const P2& p, const P2& q) { return (p.x * q.y - q.x * p.y) / 2; }

// The union's boundary within the face, or none when circles touch each other or a side, coincide,
// cross three at a point or at a side within `tol`, or hold a corner of the face (cases a closed
// form would get wrong: the kernel's boolean takes them).
std::optional<Union> UnionOf(const std::vector<P2>& c, double r,
                             const std::vector<std::vector<int>>& near, const Rect& rect,
                             double tol) {
  Union u;
  u.r = r;
  const size_t n = c.size();
  std::vector<std::vector<Cover>>& covers = u.covers;
  covers.resize(n);
  for (size_t i = 0; i < n; ++i) {
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
      const int pair = static_cast<int>(u.pairs.size());
      u.pairs.push_back({static_cast<int>(i), static_cast<int>(j)});
      u.pairPoints.push_back(left);
      u.points.push_back({mid.x - h * dy / d, mid.y + h * dx / d});
      u.points.push_back({mid.x + h * dy / d, mid.y - h * dx / d});
      u.pointSide.insert(u.pointSide.end(), {-1, -1});
      // Circle i runs into disc j at the right-hand point and out at the left-hand one; circle j
      // the other way round.
      covers[i].push_back({phi - alpha, phi + alpha, left + 1, left, pair, -1, true});
      covers[j].push_back({phi + M_PI - alpha, phi + M_PI + alpha, left, left + 1, pair, -1, false});
    }
    for (int s = 0; s < 4; ++s) {
      const double in = rect.Inside(s, c[i]);
      if (in < tol || std::fabs(in - r) < tol) return std::nullopt;
      if (in > r) continue;
      if (std::hypot(rect.Corner(s).x - c[i].x, rect.Corner(s).y - c[i].y) < r + tol)
        return std::nullopt;
      const double phi = Rect::NormalAngle(s), beta = std::acos(in / r);
      const int out = static_cast<int>(u.points.size());
      u.points.push_back(rect.Onto(s, OnCircle(c[i], r, phi - beta)));
      u.points.push_back(rect.Onto(s, OnCircle(c[i], r, phi + beta)));
      u.pointSide.insert(u.pointSide.end(), {s, s});
      covers[i].push_back({phi - beta, phi + beta, out, out + 1, -1, s, true});
      u.pastSides = true;
    }
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
      const double lap = static_cast<double>(k / cv.size()) * 2 * M_PI;
      const double a = next.a + lap, b = next.b + lap;
      if (std::fabs(a - end) < tolAngle) return std::nullopt;  // three boundaries at a point
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
  u.arcFrom.assign(u.points.size(), -1);
  u.arcTo.assign(u.points.size(), -1);
  for (size_t a = 0; a < u.arcs.size(); ++a) {
    const Arc& arc = u.arcs[a];
    u.area += ArcArea(c[static_cast<size_t>(arc.circle)], r, arc.from, arc.to);
    if (arc.start < 0) continue;
    int& from = u.arcFrom[static_cast<size_t>(arc.start)];
    int& to = u.arcTo[static_cast<size_t>(arc.end)];
    if (from >= 0 || to >= 0) return std::nullopt;
    from = to = static_cast<int>(a);
  }
  return u;
}

// Where the boundary of a plane face at one level runs along side s of the face: from each start
// to the next end counter-clockwise. Events come from the union above the level (its arcs run
// out past the side at a start and back in at an end; with none above, the whole side is
// inside) and the union below (the face lies outside it: walked the other way round).
struct SideEvent {
  double along;
  bool start;
  P2 at;
  int owner;  // 0: the union above, 1: the one below, 2: a corner
  int point;  // in its union, or the corner
};

std::optional<std::vector<std::pair<SideEvent, SideEvent>>> SideStretches(
    const Rect& rect, int s, const Union* above, const Union* below) {
  std::vector<SideEvent> events;
  if (!above) {
    events.push_back({Rect::Along(s, rect.Corner(s)), true, rect.Corner(s), 2, s});
    events.push_back({Rect::Along(s, rect.Corner(s + 1)), false, rect.Corner(s + 1), 2, (s + 1) % 4});
  } else {
    for (size_t p = 0; p < above->points.size(); ++p)
      if (above->pointSide[p] == s && (above->arcTo[p] >= 0 || above->arcFrom[p] >= 0))
        events.push_back({Rect::Along(s, above->points[p]), above->arcTo[p] >= 0, above->points[p],
                          0, static_cast<int>(p)});
  }
  if (below)
    for (size_t p = 0; p < below->points.size(); ++p)
      if (below->pointSide[p] == s && (below->arcTo[p] >= 0 || below->arcFrom[p] >= 0))
        events.push_back({Rect::Along(s, below->points[p]), below->arcFrom[p] >= 0, below->points[p],
                          1, static_cast<int>(p)});
  std::sort(events.begin(), events.end(),
            [](const SideEvent& a, const SideEvent& b) { return a.along < b.along; });
  std::vector<std::pair<SideEvent, SideEvent>> out;
  for (size_t k = 0; k < events.size(); k += 2) {
    if (k + 1 >= events.size() || !events[k].start || events[k + 1].start ||
        !(events[k + 1].along > events[k].along))
      return std::nullopt;
    out.emplace_back(events[k], events[k + 1]);
  }
  return out;
}

// One edge of a plane face's boundary as the face walks it, with its shape in the plane.
struct Piece {
  TopoDS_Edge edge;
  bool straight = false;
  P2 p, q;                            // a segment from p to q
  P2 centre;                          // an arc about centre
  int circle = -1;                    // whose centre it is (the hole's place in the group)
  double r = 0, a0 = 0, a1 = 0;       // from angle a0 to a1 (a1 < a0: walked clockwise)
  double Area() const { return straight ? SegmentArea(p, q) : ArcArea(centre, r, a0, a1); }
  P2 Middle() const {
    return straight ? P2{(p.x + q.x) / 2, (p.y + q.y) / 2} : OnCircle(centre, r, (a0 + a1) / 2);
  }
  // Crossings of the ray from `at` along +x.
  int Crossings(const P2& at) const {
    if (straight) {
      if ((p.y > at.y) == (q.y > at.y)) return 0;
      return p.x + (at.y - p.y) * (q.x - p.x) / (q.y - p.y) > at.x ? 1 : 0;
    }
    const double dy = at.y - centre.y;
    if (std::fabs(dy) >= r) return 0;
    const double dx = std::sqrt(r * r - dy * dy), lo = std::min(a0, a1), hi = std::max(a0, a1);
    int n = 0;
    for (double x : {centre.x - dx, centre.x + dx}) {
      if (x <= at.x) continue;
      double t = std::atan2(dy, x - centre.x);
      while (t < lo) t += 2 * M_PI;
      if (t <= hi) ++n;
    }
    return n;
  }
};

struct PlaneLoop {
  std::vector<Piece> pieces;
  double area = 0;
  P2 lo{1e300, 1e300}, hi{-1e300, -1e300};
  bool Holds(const P2& p) const {
    if (p.x < lo.x || p.x > hi.x || p.y < lo.y || p.y > hi.y) return false;
    int n = 0;
    for (const Piece& piece : pieces) n += piece.Crossings(p);
    return n % 2 == 1;
  }
};

// The pieces chained into loops by their vertices, or none when they do not close up.
std::optional<std::vector<PlaneLoop>> Chain(std::vector<Piece> pieces) {
  std::unordered_map<const void*, size_t> from;
  for (size_t i = 0; i < pieces.size(); ++i)
    if (!from.emplace(TopExp::FirstVertex(pieces[i].edge, Standard_True).TShape().get(), i).second)
      return std::nullopt;
  std::vector<char> used(pieces.size(), 0);
  std::vector<PlaneLoop> loops;
  for (size_t first = 0; first < pieces.size(); ++first) {
    if (used[first]) continue;
    PlaneLoop loop;
    for (size_t i = first;;) {
      if (used[i]) return std::nullopt;
      used[i] = 1;
      const Piece& piece = pieces[i];
      loop.pieces.push_back(piece);
      loop.area += piece.Area();
      for (const P2& e : {piece.p, piece.q}) {
        loop.lo = {std::min(loop.lo.x, e.x), std::min(loop.lo.y, e.y)};
        loop.hi = {std::max(loop.hi.x, e.x), std::max(loop.hi.y, e.y)};
      }
      if (!piece.straight) {
        loop.lo = {std::min(loop.lo.x, piece.centre.x - piece.r), std::min(loop.lo.y, piece.centre.y - piece.r)};
        loop.hi = {std::max(loop.hi.x, piece.centre.x + piece.r), std::max(loop.hi.y, piece.centre.y + piece.r)};
      }
      const auto next = from.find(TopExp::LastVertex(piece.edge, Standard_True).TShape().get());
      if (next == from.end()) return std::nullopt;
      if (next->second == first) break;
      i = next->second;
    }
    loops.push_back(std::move(loop));
  }
  return loops;
}

// The faces the loops bound: each outer loop (turning counter-clockwise) with the inner loops it
// is the smallest to hold. None when an inner loop finds no outer one.
std::optional<std::vector<std::vector<const PlaneLoop*>>> Regions(const std::vector<PlaneLoop>& loops) {
  std::vector<std::vector<const PlaneLoop*>> faces;
  for (const PlaneLoop& l : loops)
    if (l.area > 0) faces.push_back({&l});
  for (const PlaneLoop& l : loops) {
    if (l.area > 0) continue;
    const P2 p = l.pieces.front().Middle();
    std::optional<size_t> best;
    for (size_t f = 0; f < faces.size(); ++f) {
      const PlaneLoop& o = *faces[f].front();
      if (best && o.area >= faces[*best].front()->area) continue;
      if (o.Holds(p)) best = f;
    }
    if (!best) return std::nullopt;
    faces[*best].push_back(&l);
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

// The integral of the area two discs of radius rho, their centres 2c apart, have in common, over
// rho from c to r (the area a disc has past a line c from its centre is half of it).
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
  double thickness = 0;  // of the block, from the face to the far one
  Rect rect;
  std::vector<P2> centres;
  std::vector<Union> unions;  // by band
  double volume = 0;
  bool PastSides() const {
    return std::any_of(unions.begin(), unions.end(), [](const Union& u) { return u.pastSides; });
  }
};

std::shared_ptr<const OverlapPlan> PlanOverlaps(const std::vector<const PreparedHole*>& holes,
                                                const std::array<double, 3>& lo,
                                                const std::array<double, 3>& hi, double tol) {
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
  const int a1 = (along + 1) % 3, a2 = (along + 2) % 3;
  const double sense = first.axis[along] > 0 ? 1 : -1;
  double normal[3] = {0, 0, 0}, x[3] = {0, 0, 0};
  normal[along] = -sense;
  x[a1] = 1;
  plan->normal = gp_Dir(normal[0], normal[1], normal[2]);
  plan->xDir = gp_Dir(x[0], x[1], x[2]);
  const gp_Dir y = plan->normal.Crossed(plan->xDir);  // -sense along a2
  plan->plane = -sense * first.origin[along];
  plan->thickness = hi[along] - lo[along];
  plan->rect.lo = {lo[a1], sense > 0 ? -hi[a2] : lo[a2]};
  plan->rect.hi = {hi[a1], sense > 0 ? -lo[a2] : hi[a2]};
  if (!(steps->levels.back() < plan->thickness - tol) || !(steps->tip < plan->thickness - tol))
    return nullptr;
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
  for (size_t i = 0; i < holes.size(); ++i)
    buckets[key(plan->centres[i])].push_back(static_cast<int>(i));
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
    std::optional<Union> u = UnionOf(plan->centres, steps->radii[b], near, plan->rect, tol);
    if (!u) return nullptr;
    for (const Arc& a : u->arcs) seen[static_cast<size_t>(a.circle)] = 1;
    // The union's area within the face: its arcs, and the stretches of the sides it holds.
    double area = u->area;
    for (int s = 0; s < 4; ++s) {
      const auto stretches = SideStretches(plan->rect, s, &*u, nullptr);
      if (!stretches) return nullptr;
      for (const auto& [from, to] : *stretches) area += SegmentArea(from.at, to.at);
    }
    plan->volume += area * (steps->levels[b + 1] - steps->levels[b]);
    plan->unions.push_back(std::move(*u));
  }
  // A hole with no wall of its own on the boundary would have only a share of a floor: the
  // boolean tells better which hole such a face belongs to.
  if (std::find(seen.begin(), seen.end(), 0) != seen.end()) return nullptr;
  if (steps->tip > 0) {
    // Drill points meet their neighbours' (and the sides) in hyperbolas, one each, as long as
    // no two of them reach a point's rim where the other does: then the points' union keeps
    // its shape all the way down.
    const Union& top = plan->unions.back();
    const double tolAngle = tol / top.r;
    for (const std::vector<Cover>& cv : top.covers)
      for (size_t k = 0; k < cv.size() && cv.size() > 1; ++k) {
        const double next = k + 1 < cv.size() ? cv[k + 1].a : cv.front().a + 2 * M_PI;
        if (!(cv[k].b < next - tolAngle)) return nullptr;
      }
    const double r = top.r, height = steps->tip - steps->levels.back();
    double cones = static_cast<double>(holes.size()) * M_PI * r * r * height / 3;
    for (const auto& [i, j] : top.pairs) {
      const P2& a = plan->centres[static_cast<size_t>(i)];
      const P2& b = plan->centres[static_cast<size_t>(j)];
      cones -= LensVolume(std::hypot(b.x - a.x, b.y - a.y) / 2, r) * height / r;
    }
    for (size_t i = 0; i < top.covers.size(); ++i)
      for (const Cover& k : top.covers[i])
        if (k.side >= 0)
          cones -= LensVolume(plan->rect.Inside(k.side, plan->centres[i]), r) * height / r / 2;
    plan->volume += cones;
  }
  return plan;
}

int HolesIn(const OverlapPlan& plan) { return static_cast<int>(plan.holes.size()); }

double RemovedVolume(const OverlapPlan& plan) { return plan.volume; }

bool BreaksOut(const OverlapPlan& plan) { return plan.PastSides(); }

namespace {

// Builds the faces of a plan: the walls band by band, the drill points, the plane faces level by
// level, and, for holes past the sides, the block's six faces.
class Builder {
 public:
  Builder(const OverlapPlan& plan, int jobs)
      : plan_(plan), s_(plan.steps), c_(plan.centres), y_(plan.normal.Crossed(plan.xDir)),
        jobs_(jobs) {}

  std::optional<BuiltOverlaps> Build() {
    const size_t bands = s_.radii.size();
    band_.resize(bands);
    // Each band's walls, then the drill points and each level, are built side by side (none
    // changes an edge another reads), and their faces and the edges they give the block's sides
    // put together in that order: the same for any number of workers.
    const bool box = plan_.PastSides();
    std::vector<Made> walls(bands);
    rt::RunOnWorkers(jobs_, bands, [&](size_t k) { Walls(k, walls[k]); });
    if (box) Corners();
    // Each level: the face's part outside the union below it (the top), between the union
    // above and the one below (steps), or inside the one above (a flat bottom).
    const size_t levels = s_.tip > 0 ? bands : bands + 1;
    const bool drill = s_.tip > 0;
    std::vector<Made> made(levels + 1);  // the drill points', then each level's
    std::vector<char> found(levels + 1, 1);
    rt::RunOnWorkers(jobs_, levels + 1, [&](size_t t) {
      if (t == 0) {
        if (drill) DrillPoints(made[0]);
      } else {
        found[t] = Level(t - 1, box, made[t]);
      }
    });
    for (char f : found)
      if (!f) return std::nullopt;
    for (std::vector<Made>* part : {&walls, &made})
      for (Made& m : *part) {
        auto append = [](auto& to, auto& from) { to.insert(to.end(), from.begin(), from.end()); };
        append(out_.holeFaces, m.holeFaces);
        append(out_.partFaces, m.partFaces);
        append(out_.blockFaces, m.blockFaces);
        if (!m.mouth.IsNull()) out_.mouth = m.mouth;
        for (int side = 0; side < 4; ++side) append(sideEdges_[side], m.sides[side]);
      }
    if (box && !BlockFaces()) return std::nullopt;
    out_.volume = plan_.volume;
    const PreparedHole& first = *plan_.holes.front();
    out_.at = gp_Pnt(first.origin[0], first.origin[1], first.origin[2]);
    out_.axis = gp_Dir(first.axis[0], first.axis[1], first.axis[2]);
    return std::move(out_);
  }

 private:
  // What one step of the building makes: faces, and the edges of the block's sides it walks (in
  // the order it walks them).
  struct Made : BuiltOverlaps {
    std::vector<TopoDS_Edge> sides[4];
  };

  struct Band {
    std::vector<Handle(Geom_CylindricalSurface)> surfaces;  // by circle, made when needed
    std::vector<TopoDS_Edge> top, bottom;                    // by arc
    std::vector<TopoDS_Edge> upright;                        // by point
    std::vector<TopoDS_Vertex> vTop, vBottom;                // by point
  };

  // A point of the plane at depth `level` below the face.
  gp_Pnt At(const P2& p, double level) const {
    return gp_Pnt(p.x * plan_.xDir.XYZ() + p.y * y_.XYZ() + (plan_.plane - level) * plan_.normal.XYZ());
  }
  TopoDS_Vertex Vertex(const gp_Pnt& p) {
    TopoDS_Vertex v;
    b_.MakeVertex(v, p, kTol);
    return v;
  }
  TopoDS_Edge Segment(const TopoDS_Vertex& from, const TopoDS_Vertex& to) {
    const gp_Pnt p = BRep_Tool::Pnt(from), q = BRep_Tool::Pnt(to);
    TopoDS_Edge e;
    b_.MakeEdge(e, new Geom_Line(p, gp_Vec(p, q)), kTol);
    b_.Add(e, from.Oriented(TopAbs_FORWARD));
    b_.Add(e, to.Oriented(TopAbs_REVERSED));
    b_.Range(e, 0, p.Distance(q));
    return e;
  }
  // A wall or drill point of hole `circle`: the face of `surface` the edges bound, walked round
  // counter-clockwise in its parameters, reversed: the surface faces away from its axis, the
  // hole's face into the hole.
  void HoleFace(const Handle(Geom_Surface) & surface, const std::vector<TopoDS_Shape>& edges,
                size_t circle, Made& out) {
    TopoDS_Wire w;
    b_.MakeWire(w);
    for (const TopoDS_Shape& e : edges) b_.Add(w, e);
    w.Closed(Standard_True);
    TopoDS_Face f;
    b_.MakeFace(f, surface, kTol);
    b_.Add(f, w);
    out.holeFaces.emplace_back(f.Reversed(), plan_.holes[circle]->index);
  }

  // Notes an edge that bounds one of the block's sides, as the face across it walks it.
  void OnSide(int side, const TopoDS_Shape& walkedByOther, Made& out) {
    if (side >= 0) out.sides[side].push_back(TopoDS::Edge(walkedByOther.Reversed()));
  }

  void Walls(size_t k, Made& out) {
    const Union& u = plan_.unions[k];
    const double r = u.r, zTop = s_.levels[k], zBottom = s_.levels[k + 1];
    Band& bd = band_[k];
    bd.surfaces.resize(c_.size());
    bd.vTop.resize(u.points.size());
    bd.vBottom.resize(u.points.size());
    bd.upright.resize(u.points.size());
    for (const Arc& a : u.arcs) {
      if (a.start < 0) continue;
      for (int p : {a.start, a.end}) {
        const size_t i = static_cast<size_t>(p);
        if (!bd.vTop[i].IsNull()) continue;
        bd.vTop[i] = Vertex(At(u.points[i], zTop));
        bd.vBottom[i] = Vertex(At(u.points[i], zBottom));
        TopoDS_Edge e;
        b_.MakeEdge(e, new Geom_Line(At(u.points[i], zBottom), plan_.normal), kTol);
        b_.Add(e, bd.vBottom[i].Oriented(TopAbs_FORWARD));
        b_.Add(e, bd.vTop[i].Oriented(TopAbs_REVERSED));
        b_.Range(e, 0, zBottom - zTop);
        bd.upright[i] = e;
      }
    }
    for (const Arc& a : u.arcs) {
      const size_t i = static_cast<size_t>(a.circle);
      Handle(Geom_CylindricalSurface)& surface = bd.surfaces[i];
      if (surface.IsNull())
        surface = new Geom_CylindricalSurface(gp_Ax3(At(c_[i], 0), plan_.normal, plan_.xDir), r);
      TopoDS_Edge rim[2];
      const double level[2] = {zTop, zBottom};
      for (int side = 0; side < 2; ++side) {
        const Handle(Geom_Circle) circle =
            new Geom_Circle(gp_Ax2(At(c_[i], level[side]), plan_.normal, plan_.xDir), r);
        TopoDS_Edge& e = rim[side];
        b_.MakeEdge(e, circle, kTol);
        if (a.start >= 0) {
          const std::vector<TopoDS_Vertex>& v = side == 0 ? bd.vTop : bd.vBottom;
          b_.Add(e, v[static_cast<size_t>(a.start)].Oriented(TopAbs_FORWARD));
          b_.Add(e, v[static_cast<size_t>(a.end)].Oriented(TopAbs_REVERSED));
        } else {
          const TopoDS_Vertex v = Vertex(circle->Value(a.from));
          b_.Add(e, v.Oriented(TopAbs_FORWARD));
          b_.Add(e, v.Oriented(TopAbs_REVERSED));
        }
        b_.UpdateEdge(e, new Geom2d_Line(gp_Pnt2d(0, -level[side]), gp_Dir2d(1, 0)), surface,
                      TopLoc_Location(), kTol);
        b_.Range(e, a.from, a.to);
      }
      bd.top.push_back(rim[0]);
      bd.bottom.push_back(rim[1]);

      // The wall: bottom rim along the arc, up at its end, the top rim back, down at its start.
      TopoDS_Edge up, down;
      if (a.start >= 0) {
        up = bd.upright[static_cast<size_t>(a.end)];
        down = bd.upright[static_cast<size_t>(a.start)];
        b_.UpdateEdge(up, new Geom2d_Line(gp_Pnt2d(a.to, -zBottom), gp_Dir2d(0, 1)), surface,
                      TopLoc_Location(), kTol);
        b_.UpdateEdge(down, new Geom2d_Line(gp_Pnt2d(a.from, -zBottom), gp_Dir2d(0, 1)), surface,
                      TopLoc_Location(), kTol);
        // Where the wall meets a side of the block, the side walks its upright the other way.
        OnSide(u.pointSide[static_cast<size_t>(a.end)], up.Reversed(), out);
        OnSide(u.pointSide[static_cast<size_t>(a.start)], down, out);
      } else {
        // A whole circle: its seam, walked up at the end of the turn and down at its start.
        b_.MakeEdge(up, new Geom_Line(At(OnCircle(c_[i], r, a.from), zBottom), plan_.normal), kTol);
        const TopoDS_Vertex vb = TopExp::FirstVertex(rim[1]), vt = TopExp::FirstVertex(rim[0]);
        b_.Add(up, vb.Oriented(TopAbs_FORWARD));
        b_.Add(up, vt.Oriented(TopAbs_REVERSED));
        b_.UpdateEdge(up, new Geom2d_Line(gp_Pnt2d(a.to, -zBottom), gp_Dir2d(0, 1)),
                      new Geom2d_Line(gp_Pnt2d(a.from, -zBottom), gp_Dir2d(0, 1)), surface,
                      TopLoc_Location(), kTol);
        b_.Range(up, 0, zBottom - zTop);
        down = up;
      }
      HoleFace(surface, {rim[1].Oriented(TopAbs_FORWARD), up.Oriented(TopAbs_FORWARD),
                         rim[0].Oriented(TopAbs_REVERSED), down.Oriented(TopAbs_REVERSED)},
               i, out);
    }
    // The upright edges' curves on both their walls run over the edge's own range.
    for (const TopoDS_Edge& e : bd.upright)
      if (!e.IsNull()) b_.Range(e, 0, zBottom - zTop);
  }

  // The cones under the last band, each from its tip to the band's last circle, bounded by arcs
  // of that circle and the hyperbolas it meets its neighbours' cones and the block's sides in.
  void DrillPoints(Made& out) {
    const Union& u = plan_.unions.back();
    const Band& above = band_.back();
    const double r = u.r, top = s_.levels.back(), height = s_.tip - top;
    const double semi = std::atan2(r, height);
    const double vTip = -std::hypot(r, height);  // the tip along the generator from the rim
    // The curve, on the cone, of the hyperbola a plane c from the axis cuts: its angle from the
    // plane's normal (growing with the parameter, or shrinking from pi) and its place along the
    // generator.
    auto curveOn = [&](double c, bool first) {
      const double t0 = std::acosh(r / c), major = c * height / r;
      // Close enough that the spline keeps within the edges' tolerance: the curve steepens the
      // nearer the plane passes to the axis, and the range of the parameter grows.
      const int kPoints = std::clamp(static_cast<int>(std::ceil(2 * t0 / 0.005)) + 1, 65, 4001);
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
    auto curvesFor = [&](double c) -> const std::array<Handle(Geom2d_Curve), 2>& {
      auto& known = curves[std::llround(c * 1e9)];
      if (known[0].IsNull()) known = std::array<Handle(Geom2d_Curve), 2>{curveOn(c, true), curveOn(c, false)};
      return known;
    };
    // A hyperbola in the plane `c` from the axis at `foot`, square to the unit vector `e`, from
    // the point where the parameter is -t0 to where it is t0.
    auto hyperbola = [&](const P2& foot, const gp_Dir& e, double c, const TopoDS_Vertex& from,
                         const TopoDS_Vertex& to) {
      TopoDS_Edge edge;
      b_.MakeEdge(edge, new Geom_Hyperbola(gp_Ax2(At(foot, s_.tip), e.Reversed(), plan_.normal),
                                           c * height / r, c),
                  kTol);
      b_.Add(edge, from.Oriented(TopAbs_FORWARD));
      b_.Add(edge, to.Oriented(TopAbs_REVERSED));
      b_.Range(edge, -std::acosh(r / c), std::acosh(r / c));
      return edge;
    };
    std::vector<TopoDS_Edge> meet(u.pairs.size());
    std::vector<double> meetC(u.pairs.size());
    for (size_t p = 0; p < u.pairs.size(); ++p) {
      const P2& a = c_[static_cast<size_t>(u.pairs[p][0])];
      const P2& o = c_[static_cast<size_t>(u.pairs[p][1])];
      meetC[p] = std::hypot(o.x - a.x, o.y - a.y) / 2;
      const gp_Dir e((o.x - a.x) * plan_.xDir.XYZ() + (o.y - a.y) * y_.XYZ());
      const size_t left = static_cast<size_t>(u.pairPoints[p]);
      meet[p] = hyperbola({(a.x + o.x) / 2, (a.y + o.y) / 2}, e, meetC[p], above.vBottom[left + 1],
                          above.vBottom[left]);
    }

    std::vector<int> wholeArc(c_.size(), -1);  // by circle: its arc when it meets no other
    for (size_t a = 0; a < u.arcs.size(); ++a)
      if (u.arcs[a].start < 0) wholeArc[static_cast<size_t>(u.arcs[a].circle)] = static_cast<int>(a);
    for (size_t i = 0; i < c_.size(); ++i) {
      const Handle(Geom_ConicalSurface) cone =
          new Geom_ConicalSurface(gp_Ax3(At(c_[i], top), plan_.normal, plan_.xDir), semi, r);
      const std::vector<Cover>& cv = u.covers[i];
      // The seam runs up from the tip to where the circle comes back to the boundary after its
      // first cover (or to a whole circle's own vertex), so that the face is walked once round.
      const int firstArc = cv.empty() ? wholeArc[i] : u.arcFrom[static_cast<size_t>(cv.front().pb)];
      if (firstArc < 0) continue;
      const double u0 = u.arcs[static_cast<size_t>(firstArc)].from;
      const TopoDS_Vertex corner = TopExp::FirstVertex(above.bottom[static_cast<size_t>(firstArc)]);
      const gp_Pnt tipPoint = At(c_[i], s_.tip);
      const TopoDS_Vertex tip = Vertex(tipPoint);
      TopoDS_Edge seam, point;
      b_.MakeEdge(seam, new Geom_Line(tipPoint, gp_Vec(tipPoint, BRep_Tool::Pnt(corner))), kTol);
      b_.Add(seam, tip.Oriented(TopAbs_FORWARD));
      b_.Add(seam, corner.Oriented(TopAbs_REVERSED));
      b_.UpdateEdge(seam, new Geom2d_Line(gp_Pnt2d(u0 + 2 * M_PI, vTip), gp_Dir2d(0, 1)),
                    new Geom2d_Line(gp_Pnt2d(u0, vTip), gp_Dir2d(0, 1)), cone, TopLoc_Location(), kTol);
      b_.Range(seam, 0, -vTip);
      b_.MakeEdge(point);
      b_.UpdateEdge(point, new Geom2d_Line(gp_Pnt2d(0, vTip), gp_Dir2d(1, 0)), cone,
                    TopLoc_Location(), kTol);
      b_.Degenerated(point, Standard_True);
      b_.Add(point, tip.Oriented(TopAbs_FORWARD));
      b_.Add(point, tip.Oriented(TopAbs_REVERSED));
      b_.Range(point, u0, u0 + 2 * M_PI);

      // The rim from u0 round to u0 + 2 pi: arcs of the boundary, and the hyperbolas across the
      // covers between them, each placed in that turn.
      std::vector<TopoDS_Edge> rim;
      std::vector<int> rimSide;
      auto addArc = [&](int a) {
        const Arc& arc = u.arcs[static_cast<size_t>(a)];
        const double shift = arc.from < u0 - 1e-9 ? 2 * M_PI : 0;
        const TopoDS_Edge& e = above.bottom[static_cast<size_t>(a)];
        b_.UpdateEdge(e, new Geom2d_Line(gp_Pnt2d(shift, 0), gp_Dir2d(1, 0)), cone,
                      TopLoc_Location(), kTol);
        b_.Range(e, arc.from, arc.to);
        rim.push_back(TopoDS::Edge(e.Oriented(TopAbs_FORWARD)));
        rimSide.push_back(-1);
      };
      addArc(firstArc);
      for (size_t k = 0; k < cv.size(); ++k) {
        const Cover& next = cv[(k + 1) % cv.size()];
        double middle = (next.a + next.b) / 2;
        while (middle < u0) middle += 2 * M_PI;
        while (middle > u0 + 2 * M_PI) middle -= 2 * M_PI;
        TopoDS_Edge edge;
        double c;
        if (next.pair >= 0) {
          edge = meet[static_cast<size_t>(next.pair)];
          c = meetC[static_cast<size_t>(next.pair)];
        } else {
          c = plan_.rect.Inside(next.side, c_[i]);
          const double normal = Rect::NormalAngle(next.side);
          const gp_Dir e(std::cos(normal) * plan_.xDir.XYZ() + std::sin(normal) * y_.XYZ());
          edge = hyperbola(OnCircle(c_[i], c, normal), e, c, above.vBottom[static_cast<size_t>(next.pa)],
                           above.vBottom[static_cast<size_t>(next.pb)]);
        }
        const Handle(Geom2d_Curve) base = curvesFor(c)[next.first ? 0 : 1];
        const Handle(Geom2d_Curve) on = Handle(Geom2d_Curve)::DownCast(
            base->Translated(gp_Vec2d(middle - (next.first ? 0 : M_PI), 0)));
        b_.UpdateEdge(edge, on, cone, TopLoc_Location(), kTol);
        b_.Range(edge, -std::acosh(r / c), std::acosh(r / c));
        rim.push_back(TopoDS::Edge(edge.Oriented(next.first ? TopAbs_FORWARD : TopAbs_REVERSED)));
        rimSide.push_back(next.side);
        if (k + 1 < cv.size()) addArc(u.arcFrom[static_cast<size_t>(next.pb)]);
      }
      std::vector<TopoDS_Shape> wire{point.Oriented(TopAbs_FORWARD), seam.Oriented(TopAbs_FORWARD)};
      for (size_t k = rim.size(); k-- > 0;) {
        wire.push_back(rim[k].Reversed());
        // Reversed, the cone walks its rim as laid out here.
        OnSide(rimSide[k], rim[k], out);
      }
      wire.push_back(seam.Oriented(TopAbs_REVERSED));
      HoleFace(cone, wire, i, out);
    }
  }

  // The block's corners on the face and on the far face.
  void Corners() {
    for (int s = 0; s < 4; ++s) {
      cornerTop_[s] = Vertex(At(plan_.rect.Corner(s), 0));
      cornerBottom_[s] = Vertex(At(plan_.rect.Corner(s), plan_.thickness));
    }
  }

  // The plane faces at level k: below the face (k = 0) the part's own, deeper the holes'.
  bool Level(size_t k, bool box, Made& out) {
    const size_t bands = s_.radii.size();
    const Union* above = k > 0 ? &plan_.unions[k - 1] : nullptr;
    const Union* below = k < bands ? &plan_.unions[k] : nullptr;
    const double level = s_.levels[k];
    std::vector<Piece> pieces;
    auto arcPiece = [&](const Union& u, size_t a, const TopoDS_Edge& e, bool forward) {
      const Arc& arc = u.arcs[a];
      Piece piece;
      piece.edge = TopoDS::Edge(e.Oriented(forward ? TopAbs_FORWARD : TopAbs_REVERSED));
      piece.centre = c_[static_cast<size_t>(arc.circle)];
      piece.circle = arc.circle;
      piece.r = u.r;
      piece.a0 = forward ? arc.from : arc.to;
      piece.a1 = forward ? arc.to : arc.from;
      piece.p = OnCircle(piece.centre, u.r, piece.a0);
      piece.q = OnCircle(piece.centre, u.r, piece.a1);
      pieces.push_back(piece);
    };
    if (above)
      for (size_t a = 0; a < above->arcs.size(); ++a) arcPiece(*above, a, band_[k - 1].bottom[a], true);
    if (below)
      for (size_t a = 0; a < below->arcs.size(); ++a) arcPiece(*below, a, band_[k].top[a], false);
    // Holes past the sides run along them at every level (the face's own outline at the top).
    if (box) {
      for (int s = 0; s < 4; ++s) {
        const auto stretches = SideStretches(plan_.rect, s, above, below);
        if (!stretches) return false;
        auto vertexOf = [&](const SideEvent& e) {
          if (e.owner == 2) return cornerTop_[e.point];
          return e.owner == 0 ? band_[k - 1].vBottom[static_cast<size_t>(e.point)]
                              : band_[k].vTop[static_cast<size_t>(e.point)];
        };
        for (const auto& [from, to] : *stretches) {
          Piece piece;
          piece.straight = true;
          piece.p = from.at;
          piece.q = to.at;
          piece.edge = Segment(vertexOf(from), vertexOf(to));
          pieces.push_back(piece);
          OnSide(s, piece.edge, out);
        }
      }
    }
    const std::optional<std::vector<PlaneLoop>> loops = Chain(std::move(pieces));
    if (!loops) return false;
    if (k == 0 && !box) {
      // Holes in the face's middle: the loop round their mouths goes into the part's face, and
      // the material standing between them makes faces of its own.
      for (const PlaneLoop& l : *loops)
        if (l.area < 0) {
          if (!out.mouth.IsNull()) return false;  // the mouths in several pieces
          out.mouth = Wire(l);
        } else {
          out.partFaces.push_back(Face(level, {&l}));
        }
      return !out.mouth.IsNull();
    }
    const std::optional<std::vector<std::vector<const PlaneLoop*>>> regions = Regions(*loops);
    if (!regions) return false;
    for (const auto& region : *regions) {
      const TopoDS_Face f = Face(level, region);
      if (k == 0) {
        // The block's own face, in as many pieces as the mouths leave of it.
        out.blockFaces.push_back(f);
        continue;
      }
      // The hole a floor belongs to: the first whose wall bounds it.
      int owner = static_cast<int>(c_.size());
      for (const PlaneLoop* l : region)
        for (const Piece& p : l->pieces)
          if (!p.straight) owner = std::min(owner, p.circle);
      if (owner >= static_cast<int>(c_.size())) return false;
      out.holeFaces.emplace_back(f, plan_.holes[static_cast<size_t>(owner)]->index);
    }
    return true;
  }

  TopoDS_Wire Wire(const PlaneLoop& l) {
    TopoDS_Wire w;
    b_.MakeWire(w);
    for (const Piece& p : l.pieces) b_.Add(w, p.edge);
    w.Closed(Standard_True);
    return w;
  }

  // A plane face facing against the axis at depth `level`, bounded by the loops of a region.
  TopoDS_Face Face(double level, const std::vector<const PlaneLoop*>& region) {
    const Handle(Geom_Plane) plane = new Geom_Plane(gp_Ax3(At({0, 0}, level), plan_.normal, plan_.xDir));
    TopoDS_Face f;
    b_.MakeFace(f, plane, kTol);
    for (const PlaneLoop* l : region) b_.Add(f, Wire(*l));
    for (const PlaneLoop* l : region)
      for (const Piece& p : l->pieces) BRepLib::BuildPCurveForEdgeOnPlane(p.edge, f);
    return f;
  }

  // The block's faces around holes that break out of its sides: the face they open on (made at
  // level 0, in pieces), the four sides walked from the edges their notches share with the holes' faces,
  // and the far face.
  bool BlockFaces() {
    TopoDS_Edge rise[4], floor[4];  // up the block's corner s; along the far face under side s
    for (int s = 0; s < 4; ++s) {
      TopoDS_Edge e = Segment(cornerBottom_[s], cornerTop_[s]);
      rise[s] = e;
    }
    for (int s = 0; s < 4; ++s) floor[s] = Segment(cornerBottom_[s], cornerBottom_[(s + 1) % 4]);
    for (int s = 0; s < 4; ++s) {
      // Walked counter-clockwise seen from outside: along the far face, up the corner it ends
      // at, back along the face's edge with the notches, down the corner it starts at.
      std::vector<TopoDS_Edge> edges = sideEdges_[s];
      edges.push_back(TopoDS::Edge(floor[s].Oriented(TopAbs_FORWARD)));
      edges.push_back(TopoDS::Edge(rise[(s + 1) % 4].Oriented(TopAbs_FORWARD)));
      edges.push_back(TopoDS::Edge(rise[s].Oriented(TopAbs_REVERSED)));
      std::vector<Piece> pieces;
      for (const TopoDS_Edge& e : edges) {
        Piece p;
        p.straight = true;
        p.edge = e;
        pieces.push_back(p);
      }
      const std::optional<std::vector<PlaneLoop>> loops = Chain(std::move(pieces));
      if (!loops || loops->size() != 1) return false;
      const double normal = Rect::NormalAngle(s);
      const gp_Dir outward(std::cos(normal) * plan_.xDir.XYZ() + std::sin(normal) * y_.XYZ());
      const Handle(Geom_Plane) plane =
          new Geom_Plane(gp_Ax3(At(plan_.rect.Corner(s), 0), outward, plan_.normal.Crossed(outward)));
      TopoDS_Face f;
      b_.MakeFace(f, plane, kTol);
      b_.Add(f, Wire(loops->front()));
      for (const Piece& p : loops->front().pieces) BRepLib::BuildPCurveForEdgeOnPlane(p.edge, f);
      out_.blockFaces.push_back(f);
    }
    // The far face, facing along the axis: its outline walked the other way round.
    const Handle(Geom_Plane) far =
        new Geom_Plane(gp_Ax3(At({0, 0}, plan_.thickness), plan_.normal.Reversed(), plan_.xDir));
    TopoDS_Wire w;
    b_.MakeWire(w);
    for (int s = 4; s-- > 0;) b_.Add(w, floor[s].Oriented(TopAbs_REVERSED));
    w.Closed(Standard_True);
    TopoDS_Face bottom;
    b_.MakeFace(bottom, far, kTol);
    b_.Add(bottom, w);
    for (int s = 0; s < 4; ++s) BRepLib::BuildPCurveForEdgeOnPlane(floor[s], bottom);
    out_.blockFaces.push_back(bottom);
    return true;
  }

  const OverlapPlan& plan_;
  const Steps& s_;
  const std::vector<P2>& c_;
  const gp_Dir y_;
  const int jobs_;
  BRep_Builder b_;
  std::vector<Band> band_;
  std::vector<TopoDS_Edge> sideEdges_[4];
  TopoDS_Vertex cornerTop_[4], cornerBottom_[4];
  BuiltOverlaps out_;
};

}  // namespace

std::optional<BuiltOverlaps> BuildOverlaps(const OverlapPlan& plan, int jobs) {
  return Builder(plan, jobs).Build();
}

}  // namespace cavix::exporter::detail
