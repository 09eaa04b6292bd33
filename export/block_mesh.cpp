// A block with holes built in closed form, meshed from the holes' profiles. The kernel's mesher
// would find each hole's cylinders and cones by a Delaunay triangulation of their own, and the
// block's face with all its rims by one that grows faster than the rims; here a hole's walls are
// strips between rings of points, and each of the block's faces is one constrained Delaunay
// triangulation of its rectangle and its rims, which grows as n log n.

#include "export/cdt.h"  // first: see there

#include "export/block_mesh.h"
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>

namespace cavix::exporter::detail {
namespace {

using V3 = std::array<double, 3>;

using cdt::Cdt;
using cdt::CountCrossings;
using cdt::Kernel;

// The cosines and sines of the angles that split a turn into equal chords.
struct Turn {
  std::vector<double> cosines, sines;
};

// Where a hole stands: the axis it is drilled along (0, 1, 2), which way (+1: into the low face),
// the plane of the face it opens on, and the turn its circles are split by.
struct Placed {
  const ClosedFormHole* hole = nullptr;
  int along = 0;
  int sense = 1;
  double face = 0;
  const Turn* turn = nullptr;

  int Face() const { return 2 * along + (sense > 0 ? 0 : 1); }
  // The circle of profile vertex `i`: one point when it lies on the axis. The same doubles
  // every time it is asked for, so that the face's rim and the hole's wall meet exactly.
  std::vector<V3> Ring(size_t i) const {
    const auto [r, d] = hole->profile[i];
    const int u = (along + 1) % 3, v = (along + 2) % 3;
    V3 centre = hole->origin;
    centre[along] = face + sense * d;
    if (r == 0) return {centre};
    std::vector<V3> ring(turn->cosines.size(), centre);
    for (size_t j = 0; j < ring.size(); ++j) {
      ring[j][u] = hole->origin[u] + r * turn->cosines[j];
      ring[j][v] = hole->origin[v] + r * turn->sines[j];
    }
    return ring;
  }
};

Triangle ToFloat(const V3& a, const V3& b, const V3& c) {
  Triangle t;
  const V3* corners[3] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) t.v[i][k] = static_cast<float>((*corners[i])[k]);
  return t;
}

// Holes of one size share a turn: `turns` keeps one for each number of chords.
Placed Place(const ClosedFormHole& hole, const std::array<double, 3>& lo,
             const std::array<double, 3>& hi, double deflection, std::map<int, Turn>& turns) {
  Placed p;
  p.hole = &hole;
  for (int k = 1; k < 3; ++k)
    if (std::fabs(hole.axis[k]) > std::fabs(hole.axis[p.along])) p.along = k;
  if (std::fabs(hole.axis[p.along]) < 1 - 1e-9 || hole.profile.size() < 3)
    throw ExportError("meshing the part failed: a hole built in closed form is not square to a face");
  p.sense = hole.axis[p.along] > 0 ? 1 : -1;
  p.face = p.sense > 0 ? lo[p.along] : hi[p.along];
  double widest = 0;
  for (const auto& v : hole.profile) widest = std::max(widest, v[0]);
  const int chords = ChordsFor(widest, deflection);
  Turn& turn = turns[chords];
  for (int j = static_cast<int>(turn.cosines.size()); j < chords; ++j) {
    const double a = 2 * M_PI * j / chords;
    turn.cosines.push_back(std::cos(a));
    turn.sines.push_back(std::sin(a));
  }
  p.turn = &turn;
  return p;
}

// One of the block's faces, square to axis `along` on its low (`high` false) or high side, with
// the rims of `holes` that open on it.
void MeshFace(int along, bool high, const std::array<double, 3>& lo,
              const std::array<double, 3>& hi, const std::vector<const Placed*>& holes,
              MeshTally& tally, const TriangleSink& sink) {
  const int u = (along + 1) % 3, v = (along + 2) % 3;  // (u, v, along) turn as (x, y, z)
  std::vector<V3> points;
  for (const auto& [a, b] : {std::pair{lo[u], lo[v]}, {hi[u], lo[v]}, {hi[u], hi[v]}, {lo[u], hi[v]}}) {
    V3 p{};
    p[along] = high ? hi[along] : lo[along];
    p[u] = a;
    p[v] = b;
    points.push_back(p);
  }
  // Seen from outside, a low face turns the other way.
  auto emit = [&](const V3& a, const V3& b, const V3& c) {
    Pass(high ? ToFloat(a, b, c) : ToFloat(a, c, b), tally, sink);
  };
  if (holes.empty()) {
    emit(points[0], points[1], points[2]);
    emit(points[0], points[2], points[3]);
    return;
  }
  std::vector<std::pair<size_t, size_t>> loops{{0, 4}};  // first point, count
  for (const Placed* h : holes) {
    const std::vector<V3> rim = h->Ring(1);
    loops.emplace_back(points.size(), rim.size());
    points.insert(points.end(), rim.begin(), rim.end());
  }
  std::vector<std::pair<Kernel::Point_2, uint32_t>> located;
  located.reserve(points.size());
  for (size_t i = 0; i < points.size(); ++i)
    located.emplace_back(Kernel::Point_2(points[i][u], points[i][v]), static_cast<uint32_t>(i));
  Cdt cdt;
  cdt.insert(located.begin(), located.end());
  std::vector<Cdt::Vertex_handle> vertex(points.size());
  for (Cdt::Vertex_handle h : cdt.finite_vertex_handles()) vertex[h->info()] = h;
  if (std::find(vertex.begin(), vertex.end(), Cdt::Vertex_handle()) != vertex.end())
    throw ExportError("meshing the part failed: two points of a hole's rim coincide");
  for (const auto& [first, count] : loops)
    for (size_t i = 0; i < count; ++i)
      cdt.insert_constraint(vertex[first + i], vertex[first + (i + 1) % count]);
  CountCrossings(cdt);
  for (Cdt::Face_handle f : cdt.finite_face_handles())
    if (f->info() % 2 == 1)
      emit(points[f->vertex(0)->info()], points[f->vertex(1)->info()],
           points[f->vertex(2)->info()]);
}

// A hole's walls: a strip between the rings of each edge of its profile but the mouth.
void MeshHole(const Placed& p, MeshTally& tally, const TriangleSink& sink) {
  const auto& profile = p.hole->profile;
  const size_t m = profile.size();
  // The strips of a profile that turns one way face the other way round; and a hole drilled
  // into a high face sees its rings turn the other way.
  double area = 0;
  for (size_t i = 0; i < m; ++i)
    area += profile[i][0] * profile[(i + 1) % m][1] - profile[(i + 1) % m][0] * profile[i][1];
  const bool flip = p.sense * area > 0;
  const size_t n = p.turn->cosines.size();
  std::vector<V3> a = p.Ring(1);
  for (size_t i = 1; i < m; ++i) {
    const size_t next = (i + 1) % m;
    std::vector<V3> b = p.Ring(next);
    if (a.size() > 1 || b.size() > 1) {
      auto emit = [&](const V3& x, const V3& y, const V3& z) {
        Pass(flip ? ToFloat(x, z, y) : ToFloat(x, y, z), tally, sink);
      };
      for (size_t j = 0; j < n; ++j) {
        const size_t jn = (j + 1) % n;
        const V3& a0 = a[a.size() > 1 ? j : 0];
        const V3& a1 = a[a.size() > 1 ? jn : 0];
        const V3& b0 = b[b.size() > 1 ? j : 0];
        const V3& b1 = b[b.size() > 1 ? jn : 0];
        if (a.size() > 1) emit(a0, a1, b1);
        if (b.size() > 1) emit(a0, b1, b0);
      }
    }
    a = std::move(b);
  }
}

}  // namespace

int ChordsFor(double radius, double deflection) {
  double chords = 2 * M_PI / kMeshAngle;
  if (deflection < radius) chords = std::max(chords, M_PI / std::acos(1 - deflection / radius));
  return static_cast<int>(std::min(std::ceil(chords - 1e-9), double(1 << 16)));
}

MeshTally MeshBlockWithHoles(const std::array<double, 3>& lo, const std::array<double, 3>& hi,
                             const std::vector<ClosedFormHole>& holes, double deflection,
                             const TriangleSink& sink) {
  std::map<int, Turn> turns;
  std::vector<Placed> placed;
  placed.reserve(holes.size());
  for (const ClosedFormHole& h : holes) placed.push_back(Place(h, lo, hi, deflection, turns));
  MeshTally tally;
  for (int face = 0; face < 6; ++face) {
    std::vector<const Placed*> on;
    for (const Placed& p : placed)
      if (p.Face() == face) on.push_back(&p);
    MeshFace(face / 2, face % 2 == 1, lo, hi, on, tally, sink);
  }
  for (const Placed& p : placed) MeshHole(p, tally, sink);
  return tally;
}

}  // namespace cavix::exporter::detail
