// A solid of planes, cylinders and cones meshed from its edges' points. The kernel's mesher checks
// every face's wires against each other and refines each face by a Delaunay triangulation of its
// own, which on the faces of many overlapping holes (floors with hundreds of islands, cylinder
// patches, drill points cut by their neighbours) costs several times what the holes' own faces
// do. Here each edge is split once, and each face is one constrained Delaunay triangulation of
// its edges' points in its parameters; the surfaces being ruled (planes, and cylinders and cones
// along their generators), a triangle is as close to its face as its chords are to their curves.

#include "export/cdt.h"  // first: see there

#include "export/face_mesh.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRep_Tool.hxx>
#include <ElSLib.hxx>
#include <GCPnts_TangentialDeflection.hxx>
#include <Geom2d_Curve.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Edge.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Vertex.hxx>
#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>
#include <vector>

#include "export/block_mesh.h"
#include "runtime/workers.h"

namespace cavix::exporter::detail {
namespace {

using cdt::Cdt;
using cdt::Kernel;

// Faces meshed side by side before their triangles are handed on: enough to keep every worker
// busy, few enough that their triangles are a small part of the file.
constexpr size_t kFacesPerBatch = 1024;

// An edge's points, with the parameters they lie at; the ends are its vertices' own points, so
// that every edge meeting at a vertex ends at the same doubles. A degenerate edge (a cone's apex)
// is its one point, without parameters: each face splits its curve there as it needs.
struct EdgePoints {
  std::vector<double> params;
  std::vector<gp_Pnt> points;
  bool degenerate = false;
};

EdgePoints SplitEdge(const TopoDS_Edge& edge, double deflection) {
  EdgePoints e;
  TopoDS_Vertex first, last;
  TopExp::Vertices(TopoDS::Edge(edge.Oriented(TopAbs_FORWARD)), first, last);
  if (first.IsNull() || last.IsNull()) throw FaceMeshFailed("an edge without its vertices");
  double f = 0, l = 0;
  BRep_Tool::Range(edge, f, l);
  if (BRep_Tool::Degenerated(edge)) {
    e.degenerate = true;
    e.points = {BRep_Tool::Pnt(first)};
    return e;
  }
  const BRepAdaptor_Curve curve(edge);
  switch (curve.GetType()) {
    case GeomAbs_Line:
      e.params = {f, l};
      break;
    case GeomAbs_Circle: {
      // The chords the block's own mesher gives a circle of this radius, in proportion.
      const int whole = ChordsFor(curve.Circle().Radius(), deflection);
      const int n = std::max(1, static_cast<int>(std::ceil(whole * (l - f) / (2 * M_PI) - 1e-9)));
      for (int i = 0; i <= n; ++i) e.params.push_back(i == n ? l : f + (l - f) * i / n);
      break;
    }
    default: {
      const GCPnts_TangentialDeflection split(curve, f, l, kMeshAngle, deflection, 2);
      for (int i = 1; i <= split.NbPoints(); ++i) e.params.push_back(split.Parameter(i));
      if (e.params.size() < 2) throw FaceMeshFailed("a curve the splitter gave no points");
      e.params.front() = f;
      e.params.back() = l;
    }
  }
  e.points.reserve(e.params.size());
  for (double t : e.params) e.points.push_back(curve.Value(t));
  e.points.front() = BRep_Tool::Pnt(first);
  e.points.back() = BRep_Tool::Pnt(last);
  return e;
}

// A line revolved about an axis it is not parallel to is a cone in all but name (a profile's
// revolved segments come out so when the kernel does not recognise them).
bool RevolvedLine(const BRepAdaptor_Surface& surface) {
  return surface.GetType() == GeomAbs_SurfaceOfRevolution &&
         surface.BasisCurve()->GetType() == GeomAbs_Line;
}

bool Meshable(const TopoDS_Face& face) {
  const BRepAdaptor_Surface surface(face, false);
  const GeomAbs_SurfaceType type = surface.GetType();
  return type == GeomAbs_Plane || type == GeomAbs_Cylinder || type == GeomAbs_Cone ||
         RevolvedLine(surface);
}

Triangle ToFloat(const gp_Pnt& a, const gp_Pnt& b, const gp_Pnt& c) {
  Triangle t;
  const gp_Pnt* corners[3] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i)
    t.v[i] = {static_cast<float>(corners[i]->X()), static_cast<float>(corners[i]->Y()),
              static_cast<float>(corners[i]->Z())};
  return t;
}

// One face's triangles, wound outwards. Its points in its parameters, u measured as length (times
// the radius on a cylinder or a cone) so that the Delaunay triangles are not stretched along the
// turn.
std::vector<Triangle> MeshFace(const TopoDS_Face& face, const TopTools_IndexedMapOfShape& edges,
                               const std::vector<EdgePoints>& split, double deflection) {
  const BRepAdaptor_Surface surface(face, false);
  const GeomAbs_SurfaceType type = surface.GetType();
  std::vector<std::array<double, 2>> uv;
  std::vector<gp_Pnt> xyz;
  std::vector<std::pair<uint32_t, uint32_t>> chords;  // along the boundary, by point number
  // Where edges meet, their curves on the surface end within a rounding of each other: the
  // vertex's point is taken once, else the loop would have a gap the size of that rounding. (The
  // same vertex at two places on the surface, as a seam's, stays two points.)
  struct Key {
    double x, y, z;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const {
      return std::hash<double>()(k.x) ^ (std::hash<double>()(k.y) * 31) ^ (std::hash<double>()(k.z) * 131);
    }
  };
  std::unordered_map<Key, std::vector<uint32_t>, KeyHash> ends;
  auto add = [&](double u, double v, const gp_Pnt& p, bool end) {
    if (end) {
      std::vector<uint32_t>& same = ends[Key{p.X(), p.Y(), p.Z()}];
      for (uint32_t k : same)
        if (std::fabs(uv[k][0] - u) + std::fabs(uv[k][1] - v) < 1e-9 * (1 + std::fabs(u) + std::fabs(v)))
          return k;
      same.push_back(static_cast<uint32_t>(uv.size()));
    }
    uv.push_back({u, v});
    xyz.push_back(p);
    return static_cast<uint32_t>(uv.size() - 1);
  };
  for (TopExp_Explorer ex(face, TopAbs_EDGE); ex.More(); ex.Next()) {
    const TopoDS_Edge& edge = TopoDS::Edge(ex.Current());
    const EdgePoints& e = split[static_cast<size_t>(edges.FindIndex(edge) - 1)];
    std::vector<uint32_t> along;
    if (type == GeomAbs_Plane) {
      for (size_t i = 0; i < e.points.size(); ++i) {
        double u = 0, v = 0;
        ElSLib::Parameters(surface.Plane(), e.points[i], u, v);
        along.push_back(add(u, v, e.points[i], i == 0 || i + 1 == e.points.size()));
      }
    } else {
      double pf = 0, pl = 0;
      const Handle(Geom2d_Curve) pcurve = BRep_Tool::CurveOnSurface(edge, face, pf, pl);
      if (pcurve.IsNull()) throw FaceMeshFailed("an edge without its curve on a face");
      std::vector<double> apex;
      if (e.degenerate) {
        // Along the apex as finely as a turn of a cone is split: the triangles to it are then
        // the cone's own generators.
        const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(pl - pf) / (2 * M_PI) * 64)));
        for (int i = 0; i <= n; ++i) apex.push_back(i == n ? pl : pf + (pl - pf) * i / n);
      }
      const std::vector<double>& params = e.degenerate ? apex : e.params;
      for (size_t i = 0; i < params.size(); ++i) {
        const gp_Pnt2d p = pcurve->Value(params[i]);
        along.push_back(add(p.X(), p.Y(), e.degenerate ? e.points.front() : e.points[i],
                            i == 0 || i + 1 == params.size()));
      }
    }
    for (size_t i = 0; i + 1 < along.size(); ++i) chords.emplace_back(along[i], along[i + 1]);
  }
  if (uv.size() < 3) throw FaceMeshFailed("a face with fewer than three points");

  double scale = 1;
  if (type == GeomAbs_Cylinder) scale = surface.Cylinder().Radius();
  // Cones and revolved lines: their radius changes along them.
  const bool narrowing = type == GeomAbs_Cone || RevolvedLine(surface);
  if (narrowing) {
    const gp_Lin axis(type == GeomAbs_Cone ? surface.Cone().Axis() : surface.AxeOfRevolution());
    for (const gp_Pnt& p : xyz) scale = std::max(scale, axis.Distance(p));
  }
  std::vector<std::pair<Kernel::Point_2, uint32_t>> located;
  located.reserve(uv.size());
  for (size_t i = 0; i < uv.size(); ++i)
    located.emplace_back(Kernel::Point_2(uv[i][0] * scale, uv[i][1]), static_cast<uint32_t>(i));
  Cdt cdt;
  cdt.insert(located.begin(), located.end());
  // Points met twice (where edges meet) are one vertex: the other numbers find it by position.
  std::vector<Cdt::Vertex_handle> vertex(uv.size());
  for (Cdt::Vertex_handle h : cdt.finite_vertex_handles()) vertex[h->info()] = h;
  for (size_t i = 0; i < uv.size(); ++i)
    if (vertex[i] == Cdt::Vertex_handle()) vertex[i] = cdt.insert(located[i].first);
  for (const auto& [a, b] : chords)
    if (vertex[a] != vertex[b]) cdt.insert_constraint(vertex[a], vertex[b]);

  if (narrowing) {
    // Rows of points across the cone, so that no triangle spans much of its turn where its
    // boundary has few points (along a seam, or between hyperbolas), each row turned a little
    // from the last.
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    for (const auto& p : uv)
      for (int k = 0; k < 2; ++k) {
        lo[k] = std::min(lo[k], p[k]);
        hi[k] = std::max(hi[k], p[k]);
      }
    const double step = 2 * M_PI / ChordsFor(scale, deflection);
    const int across = std::max(1, static_cast<int>(std::ceil((hi[0] - lo[0]) / step)));
    const int rows = static_cast<int>(std::ceil((hi[1] - lo[1]) / (2 * scale * step)));
    for (int r = 1; r < rows; ++r)
      for (int j = 0; j < across; ++j) {
        // No two on one generator: a triangle from the apex to two such points has no area.
        const double shift = std::fmod(r * 0.6180339887, 1.0);
        const double u = lo[0] + (hi[0] - lo[0]) * (j + shift) / across;
        const double v = lo[1] + (hi[1] - lo[1]) * r / rows;
        const size_t before = cdt.number_of_vertices();
        const Cdt::Vertex_handle h = cdt.insert(Kernel::Point_2(u * scale, v));
        if (cdt.number_of_vertices() == before) continue;
        // A point on the boundary would split an edge its neighbouring face keeps whole.
        if (cdt.are_there_incident_constraints(h))
          throw FaceMeshFailed("a point inside a cone fell on its boundary");
        h->info() = static_cast<uint32_t>(xyz.size());
        xyz.push_back(surface.Value(u, v));
      }
  }

  cdt::CountCrossings(cdt);
  // Inside and outside alternate across every edge of the boundary, unless its loops fail to
  // close in the parameters (or an edge runs inside the face): the count would then leak round.
  for (Cdt::Face_handle f : cdt.all_face_handles())
    for (int i = 0; i < 3; ++i)
      if (cdt.is_constrained({f, i}) && (f->info() - f->neighbor(i)->info()) % 2 == 0)
        throw FaceMeshFailed("a face whose boundary does not close");
  // Counter-clockwise in the parameters is along the surface's normal, which points out of the
  // part on a face that keeps its surface's orientation.
  const bool reversed = face.Orientation() == TopAbs_REVERSED;
  std::vector<Triangle> out;
  for (Cdt::Face_handle f : cdt.finite_face_handles()) {
    if (f->info() % 2 == 0) continue;
    const gp_Pnt& a = xyz[f->vertex(0)->info()];
    const gp_Pnt& b = xyz[f->vertex(1)->info()];
    const gp_Pnt& c = xyz[f->vertex(2)->info()];
    out.push_back(reversed ? ToFloat(a, c, b) : ToFloat(a, b, c));
  }
  return out;
}

}  // namespace

std::optional<MeshTally> MeshPlanesCylindersCones(const TopoDS_Shape& shape, double deflection,
                                                  int jobs, const TriangleSink& sink,
                                                  const std::function<void(int)>& onFace) {
  TopTools_IndexedMapOfShape faces, edges;
  TopExp::MapShapes(shape, TopAbs_FACE, faces);
  for (int i = 1; i <= faces.Extent(); ++i)
    if (!Meshable(TopoDS::Face(faces(i)))) return std::nullopt;
  TopExp::MapShapes(shape, TopAbs_EDGE, edges);
  std::vector<EdgePoints> split(static_cast<size_t>(edges.Extent()));
  rt::RunOnWorkers(jobs, split.size(), [&](size_t i) {
    split[i] = SplitEdge(TopoDS::Edge(edges(static_cast<int>(i) + 1)), deflection);
  });
  MeshTally tally;
  const auto n = static_cast<size_t>(faces.Extent());
  for (size_t start = 0; start < n; start += kFacesPerBatch) {
    std::vector<std::vector<Triangle>> batch(std::min(kFacesPerBatch, n - start));
    rt::RunOnWorkers(jobs, batch.size(), [&](size_t i) {
      batch[i] = MeshFace(TopoDS::Face(faces(static_cast<int>(start + i) + 1)), edges, split,
                          deflection);
    });
    for (size_t i = 0; i < batch.size(); ++i) {
      if (onFace) onFace(static_cast<int>(start + i) + 1);
      for (const Triangle& t : batch[i]) Pass(t, tally, sink);
    }
  }
  return tally;
}

}  // namespace cavix::exporter::detail
