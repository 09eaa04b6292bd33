// Meshes of the cut part: a few hundred faces at a time, each group handed on as it is meshed and
// its meshes dropped once every neighbour is meshed too, so that memory stays small however many
// holes the part has; and the mesh cleaned of the zero-area triangles a drill point's apex gives.

#include "export/occ_mesh.h"

#include <BRepBndLib.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box.hxx>
#include <IMeshTools_Parameters.hxx>
#include <Poly_PolygonOnTriangulation.hxx>
#include <Poly_Triangulation.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>

namespace cavix::exporter::detail {
namespace {

// Faces meshed together: large enough that the mesher's own overhead is spread thin, small
// enough that few meshes are held at a time.
constexpr int kFacesPerGroup = 256;

IMeshTools_Parameters Parameters(double deflection, int jobs) {
  IMeshTools_Parameters p;
  p.Deflection = deflection;
  p.Angle = kMeshAngle;
  // The faces of a group side by side (the mesher's own threads, one per core): each face is
  // meshed from its edges' points alone, so the mesh is the same either way.
  p.InParallel = jobs > 1;
  // A sweep-line Delaunay: half the time of the default on faces with many holes.
  p.MeshAlgo = IMeshTools_MeshAlgoType_Delabella;
  return p;
}

// Spreads the bits of a 10-bit number to every third bit.
uint32_t Spread(uint32_t v) {
  v &= 0x3ff;
  v = (v | (v << 16)) & 0x030000FF;
  v = (v | (v << 8)) & 0x0300F00F;
  v = (v | (v << 4)) & 0x030C30C3;
  v = (v | (v << 2)) & 0x09249249;
  return v;
}

// Face indices (1-based) in the order of a Z curve through their boxes' centres: faces that are
// close in space are close in the order, so that a group's neighbours are mostly in the groups
// next to it.
std::vector<int> SpatialOrder(const TopTools_IndexedMapOfShape& faces) {
  const int n = faces.Extent();
  std::vector<std::array<double, 3>> centres(static_cast<size_t>(n));
  Bnd_Box all;
  for (int i = 1; i <= n; ++i) {
    Bnd_Box box;
    BRepBndLib::Add(faces(i), box, Standard_False);
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    centres[static_cast<size_t>(i - 1)] = {(x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2};
    all.Add(gp_Pnt((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2));
  }
  double lo[3], hi[3];
  all.Get(lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]);
  std::vector<uint32_t> code(static_cast<size_t>(n));
  for (size_t i = 0; i < code.size(); ++i) {
    uint32_t c = 0;
    for (int k = 0; k < 3; ++k) {
      const double span = std::max(hi[k] - lo[k], 1e-9);
      const auto q =
          static_cast<uint32_t>(std::clamp((centres[i][k] - lo[k]) / span, 0.0, 1.0) * 1023);
      c |= Spread(q) << k;
    }
    code[i] = c;
  }
  std::vector<int> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return code[static_cast<size_t>(a - 1)] < code[static_cast<size_t>(b - 1)];
  });
  return order;
}

// The corners of triangle k of a face's mesh in single precision, as files store them, wound
// outwards.
Triangle Corners(const Handle(Poly_Triangulation) & t, int k, const TopLoc_Location& loc,
                 bool reversed) {
  int n[3];
  t->Triangle(k).Get(n[0], n[1], n[2]);
  if (reversed) std::swap(n[1], n[2]);
  Triangle tri;
  for (int c = 0; c < 3; ++c) {
    gp_Pnt p = t->Node(n[c]);
    if (!loc.IsIdentity()) p.Transform(loc.Transformation());
    tri.v[c] = {static_cast<float>(p.X()), static_cast<float>(p.Y()), static_cast<float>(p.Z())};
  }
  return tri;
}

bool Collapsed(const Triangle& t) {
  return t.v[0] == t.v[1] || t.v[1] == t.v[2] || t.v[0] == t.v[2];
}

void Count(const Triangle& t, MeshTally& tally) {
  const auto& a = t.v[0];
  const auto& b = t.v[1];
  const auto& c = t.v[2];
  // Divergence theorem: the signed volumes of the tetrahedra on the origin add up to the
  // volume the closed mesh encloses.
  tally.volume += (double(a[0]) * (double(b[1]) * c[2] - double(b[2]) * c[1]) -
                   double(a[1]) * (double(b[0]) * c[2] - double(b[2]) * c[0]) +
                   double(a[2]) * (double(b[0]) * c[1] - double(b[1]) * c[0])) /
                  6;
  ++tally.triangles;
}

// Hands each triangle of a meshed face that does not collapse to `sink`.
void EmitFace(const TopoDS_Face& face, const TriangleSink& sink, MeshTally& tally) {
  for (const Triangle& t : FaceTriangles(face)) Pass(t, tally, sink);
}

void DropMesh(const TopoDS_Face& face) {
  TopLoc_Location loc;
  const Handle(Poly_Triangulation) t = BRep_Tool::Triangulation(face, loc);
  if (t.IsNull()) return;
  BRep_Builder builder;
  for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next())
    builder.UpdateEdge(TopoDS::Edge(e.Current()), Handle(Poly_PolygonOnTriangulation)(), t, loc);
  builder.UpdateFace(face, Handle(Poly_Triangulation)());
}

}  // namespace

std::vector<Triangle> FaceTriangles(const TopoDS_Face& face) {
  std::vector<Triangle> out;
  TopLoc_Location loc;
  const Handle(Poly_Triangulation)& t = BRep_Tool::Triangulation(face, loc);
  if (t.IsNull()) return out;
  const bool reversed = face.Orientation() == TopAbs_REVERSED;
  out.reserve(static_cast<size_t>(t->NbTriangles()));
  for (int k = 1; k <= t->NbTriangles(); ++k) out.push_back(Corners(t, k, loc, reversed));
  return out;
}

void Pass(const Triangle& t, MeshTally& tally, const TriangleSink& sink) {
  if (Collapsed(t)) return;
  Count(t, tally);
  sink(t);
}

double ChooseDeflection(double smallestRadius, double partSize) {
  // 32 chords on the smallest circle: 1 - cos(pi / 32) of its radius.
  if (smallestRadius > 0) return smallestRadius * (1 - std::cos(M_PI / 32));
  return std::max(partSize, 1.0) * 1e-3;
}

MeshTally MeshInGroups(const TopoDS_Shape& shape, double deflection, int jobs,
                       const TriangleSink& sink) {
  TopTools_IndexedMapOfShape faces;
  TopExp::MapShapes(shape, TopAbs_FACE, faces);
  const int n = faces.Extent();
  TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
  TopExp::MapShapesAndAncestors(shape, TopAbs_EDGE, TopAbs_FACE, edgeFaces);
  std::vector<std::vector<int>> neighbours(static_cast<size_t>(n) + 1);
  for (int e = 1; e <= edgeFaces.Extent(); ++e) {
    std::vector<int> around;
    for (TopTools_ListIteratorOfListOfShape it(edgeFaces(e)); it.More(); it.Next())
      around.push_back(faces.FindIndex(it.Value()));
    for (int a : around)
      for (int b : around)
        if (a != b) neighbours[static_cast<size_t>(a)].push_back(b);
  }
  std::vector<int> waiting(static_cast<size_t>(n) + 1, 0);  // neighbours not meshed yet
  for (int f = 1; f <= n; ++f) {
    auto& nb = neighbours[static_cast<size_t>(f)];
    std::sort(nb.begin(), nb.end());
    nb.erase(std::unique(nb.begin(), nb.end()), nb.end());
    waiting[static_cast<size_t>(f)] = static_cast<int>(nb.size());
  }

  enum State : char { kFresh, kMeshed, kDropped };
  std::vector<char> state(static_cast<size_t>(n) + 1, kFresh);
  const IMeshTools_Parameters params = Parameters(deflection, jobs);
  const std::vector<int> order = SpatialOrder(faces);
  MeshTally tally;
  BRep_Builder builder;
  for (size_t start = 0; start < order.size(); start += kFacesPerGroup) {
    const size_t end = std::min(order.size(), start + kFacesPerGroup);
    // The group, with its meshed neighbours: the mesher takes the edges they share from their
    // meshes, so that the two sides of every edge have the same points.
    TopoDS_Compound group;
    builder.MakeCompound(group);
    std::vector<std::pair<int, Handle(Poly_Triangulation)>> kept;
    for (size_t i = start; i < end; ++i) {
      const int f = order[i];
      builder.Add(group, faces(f));
      for (int g : neighbours[static_cast<size_t>(f)])
        if (state[static_cast<size_t>(g)] == kMeshed &&
            std::none_of(kept.begin(), kept.end(), [g](const auto& k) { return k.first == g; })) {
          TopLoc_Location loc;
          kept.emplace_back(g, BRep_Tool::Triangulation(TopoDS::Face(faces(g)), loc));
          builder.Add(group, faces(g));
        }
    }
    BRepMesh_IncrementalMesh mesher(group, params);
    for (const auto& [g, t] : kept) {
      TopLoc_Location loc;
      if (BRep_Tool::Triangulation(TopoDS::Face(faces(g)), loc) != t)
        throw ExportError("meshing the part failed: a face already written was meshed again");
    }
    for (size_t i = start; i < end; ++i) {
      const int f = order[i];
      const TopoDS_Face& face = TopoDS::Face(faces(f));
      TopLoc_Location loc;
      if (BRep_Tool::Triangulation(face, loc).IsNull())
        throw ExportError("meshing the part failed: a face has no mesh");
      EmitFace(face, sink, tally);
      state[static_cast<size_t>(f)] = kMeshed;
      for (int g : neighbours[static_cast<size_t>(f)]) --waiting[static_cast<size_t>(g)];
    }
    // Meshes no neighbour needs any more go.
    auto dropIfDone = [&](int f) {
      if (state[static_cast<size_t>(f)] == kMeshed && waiting[static_cast<size_t>(f)] == 0) {
        DropMesh(TopoDS::Face(faces(f)));
        state[static_cast<size_t>(f)] = kDropped;
      }
    };
    for (size_t i = start; i < end; ++i) {
      dropIfDone(order[i]);
      for (int g : neighbours[static_cast<size_t>(order[i])]) dropIfDone(g);
    }
  }
  return tally;
}

MeshTally MeshWhole(const TopoDS_Shape& shape, double deflection, int jobs) {
  BRepMesh_IncrementalMesh mesher(shape, Parameters(deflection, jobs));
  if (!mesher.IsDone()) throw ExportError("meshing the part failed");
  // Each face's mesh without the triangles that collapse, as the files receive it.
  MeshTally tally;
  TopTools_IndexedMapOfShape faces;
  TopExp::MapShapes(shape, TopAbs_FACE, faces);
  BRep_Builder builder;
  for (int i = 1; i <= faces.Extent(); ++i) {
    const TopoDS_Face& face = TopoDS::Face(faces(i));
    TopLoc_Location loc;
    const Handle(Poly_Triangulation) t = BRep_Tool::Triangulation(face, loc);
    if (t.IsNull()) throw ExportError("meshing the part failed: a face has no mesh");
    const bool reversed = face.Orientation() == TopAbs_REVERSED;
    std::vector<int> keep;
    for (int k = 1; k <= t->NbTriangles(); ++k) {
      const Triangle tri = Corners(t, k, loc, reversed);
      if (Collapsed(tri)) continue;
      Count(tri, tally);
      keep.push_back(k);
    }
    if (static_cast<int>(keep.size()) == t->NbTriangles()) continue;
    Handle(Poly_Triangulation) clean =
        new Poly_Triangulation(t->NbNodes(), static_cast<int>(keep.size()), t->HasUVNodes());
    for (int k = 1; k <= t->NbNodes(); ++k) {
      clean->SetNode(k, t->Node(k));
      if (t->HasUVNodes()) clean->SetUVNode(k, t->UVNode(k));
    }
    for (size_t k = 0; k < keep.size(); ++k)
      clean->SetTriangle(static_cast<int>(k) + 1, t->Triangle(keep[k]));
    clean->Deflection(t->Deflection());
    builder.UpdateFace(face, clean);
  }
  return tally;
}

}  // namespace cavix::exporter::detail
