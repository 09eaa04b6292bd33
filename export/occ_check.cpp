// The validity check of a cut part, in time linear in its size. BRepCheck_Analyzer classifies
// every wire of a face against every other and looks up each edge's faces by walking their edge
// lists: on a plate whose top face holds thousands of holes that is quadratic, and it was a
// quarter of the export. Here every face with few wires gets the analyzer itself; a face with many
// gets it in parts, each part being the face's outer wire with the inner wires of one patch of the
// face and every wire whose box reaches into that patch, so that any two wires that could touch
// or nest are checked together; shells are checked for closure and orientation through one map
// of edge uses; solids get the analyzer's own solid check.

#include <BRepCheck_Analyzer.hxx>
#include <BRepCheck_ListOfStatus.hxx>
#include <BRepCheck_Solid.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Bnd_Box2d.hxx>
#include <NCollection_DataMap.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Wire.hxx>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "export/occ_internal.h"
#include "runtime/workers.h"

namespace cavix::exporter::detail {
namespace {

// Faces with more wires than this are checked in parts.
constexpr int kWiresChecked = 48;

bool AnalyzerSaysValid(const TopoDS_Face& face) { return BRepCheck_Analyzer(face).IsValid(); }

bool ManyWiredFaceValid(const TopoDS_Face& face) {
  const TopoDS_Face forward = TopoDS::Face(face.Oriented(TopAbs_FORWARD));
  const TopoDS_Wire outer = BRepTools::OuterWire(forward);
  if (outer.IsNull()) return false;
  std::vector<TopoDS_Shape> inner;
  std::vector<Bnd_Box2d> boxes;
  Bnd_Box2d all;
  for (TopoDS_Iterator it(forward); it.More(); it.Next()) {
    if (it.Value().ShapeType() != TopAbs_WIRE || it.Value().IsSame(outer)) continue;
    Bnd_Box2d box;
    BRepTools::AddUVBounds(forward, TopoDS::Wire(it.Value()), box);
    if (box.IsVoid()) return false;
    inner.push_back(it.Value());
    boxes.push_back(box);
    all.Add(box);
  }
  double u0, v0, u1, v1;
  all.Get(u0, v0, u1, v1);
  // Patches of about sixteen wires each; every wire goes into every patch its box reaches.
  const int side = std::max(1, static_cast<int>(std::ceil(std::sqrt(inner.size() / 16.0))));
  const double du = std::max(u1 - u0, 1e-12) / side, dv = std::max(v1 - v0, 1e-12) / side;
  auto cell = [side](double x, double lo, double step) {
    return std::clamp(static_cast<int>(std::floor((x - lo) / step)), 0, side - 1);
  };
  std::vector<std::vector<int>> patches(static_cast<size_t>(side) * side);
  for (size_t i = 0; i < inner.size(); ++i) {
    double a0, b0, a1, b1;
    boxes[i].Get(a0, b0, a1, b1);
    for (int cu = cell(a0, u0, du); cu <= cell(a1, u0, du); ++cu)
      for (int cv = cell(b0, v0, dv); cv <= cell(b1, v0, dv); ++cv)
        patches[static_cast<size_t>(cu) * side + cv].push_back(static_cast<int>(i));
  }
  BRep_Builder builder;
  for (const auto& patch : patches) {
    if (patch.empty()) continue;
    TopoDS_Face part = TopoDS::Face(forward.EmptyCopied());
    part.Orientation(TopAbs_FORWARD);
    builder.Add(part, outer);
    for (int i : patch) builder.Add(part, inner[static_cast<size_t>(i)]);
    if (!AnalyzerSaysValid(part)) return false;
  }
  return true;
}

}  // namespace

bool FaceValid(const TopoDS_Face& face) {
  int wires = 0;
  for (TopoDS_Iterator it(face); it.More() && wires <= kWiresChecked; it.Next()) ++wires;
  return wires <= kWiresChecked ? AnalyzerSaysValid(face) : ManyWiredFaceValid(face);
}

bool ShellValid(const TopoDS_Shape& shell) {
  // Each edge: how often the faces use it forwards and reversed, and the first face that did;
  // faces that share an edge are joined, and all must end up in one piece. One pass over the
  // faces' edges, without the kernel's maps of faces and of edges' faces.
  struct Use {
    int forward = 0, reversed = 0, face = -1;
  };
  NCollection_DataMap<TopoDS_Shape, Use, TopTools_ShapeMapHasher> uses;
  std::vector<int> parent;
  auto root = [&](int f) {
    while (parent[static_cast<size_t>(f)] != f) {
      int& up = parent[static_cast<size_t>(f)];
      up = parent[static_cast<size_t>(up)];  // halve the path on the way
      f = up;
    }
    return f;
  };
  for (TopExp_Explorer f(shell, TopAbs_FACE); f.More(); f.Next()) {
    const TopAbs_Orientation fo = f.Current().Orientation();
    if (fo != TopAbs_FORWARD && fo != TopAbs_REVERSED) return false;
    const int face = static_cast<int>(parent.size());
    parent.push_back(face);
    for (TopExp_Explorer e(f.Current(), TopAbs_EDGE); e.More(); e.Next()) {
      if (BRep_Tool::Degenerated(TopoDS::Edge(e.Current()))) continue;
      Use* use = uses.ChangeSeek(e.Current());
      if (!use) use = uses.Bound(e.Current(), {});
      if (use->face < 0)
        use->face = face;
      else
        parent[static_cast<size_t>(root(face))] = root(use->face);
      switch (e.Current().Orientation()) {
        case TopAbs_FORWARD:
          ++use->forward;
          break;
        case TopAbs_REVERSED:
          ++use->reversed;
          break;
        default:  // an edge inside a face (where two holes touch): no boundary of the shell
          break;
      }
    }
  }
  if (parent.empty()) return false;
  for (NCollection_DataMap<TopoDS_Shape, Use, TopTools_ShapeMapHasher>::Iterator it(uses);
       it.More(); it.Next())
    if (it.Value().forward != it.Value().reversed) return false;  // (none: only inside faces)
  const int one = root(0);
  for (int f = 1; f < static_cast<int>(parent.size()); ++f)
    if (root(f) != one) return false;
  return true;
}

CheckFailure CheckSolid(const TopoDS_Shape& shape, const FaceHoles& faceHole, int jobs,
                        bool checkFaces) {
  auto holeOf = [&](const TopoDS_Shape& face) -> std::optional<HoleIndex> {
    const HoleIndex* h = faceHole.Seek(face);
    return h ? std::optional<HoleIndex>(*h) : std::nullopt;
  };
  // Faces in runs of a fixed length, each run noting its first bad face: the first bad face of
  // the part is then the same for any number of workers.
  TopTools_IndexedMapOfShape faces;
  if (checkFaces) TopExp::MapShapes(shape, TopAbs_FACE, faces);
  constexpr int kRun = 64;
  const int runs = (faces.Extent() + kRun - 1) / kRun;
  std::vector<int> firstBad(static_cast<size_t>(runs), 0);
  rt::RunOnWorkers(jobs, firstBad.size(), [&](size_t r) {
    const int end = std::min(faces.Extent(), static_cast<int>(r + 1) * kRun);
    for (int i = static_cast<int>(r) * kRun + 1; i <= end; ++i)
      if (!FaceValid(TopoDS::Face(faces(i)))) {
        firstBad[r] = i;
        return;
      }
  });
  for (int bad : firstBad)
    if (bad) return {true, holeOf(faces(bad)), "a face is not valid"};
  int solids = 0;
  for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next()) {
    ++solids;
    for (TopoDS_Iterator sh(s.Current()); sh.More(); sh.Next()) {
      if (sh.Value().ShapeType() != TopAbs_SHELL || !ShellValid(sh.Value())) {
        TopExp_Explorer f(sh.Value(), TopAbs_FACE);
        return {true, f.More() ? holeOf(f.Current()) : std::nullopt, "its faces do not close up"};
      }
    }
    Handle(BRepCheck_Solid) check = new BRepCheck_Solid(TopoDS::Solid(s.Current()));
    const BRepCheck_ListOfStatus& status = check->Status();
    if (status.IsEmpty() || status.First() != BRepCheck_NoError)
      return {true, std::nullopt, "its shells do not bound a solid"};
  }
  if (solids == 0) return {true, std::nullopt, "it holds no solid"};
  return {};
}

}  // namespace cavix::exporter::detail
