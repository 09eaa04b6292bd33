// One more hole cut out of an already cut part, quickly: only the faces whose boxes meet the new
// tool are split against it (a general fuse of those faces and the tool), the pieces on the
// wrong side dropped, and the part's shell rebuilt from the rest of its faces as they were. A
// boolean over the whole part would rebuild every face of it: about a second at a thousand holes.

#include <BRepAlgoAPI_BuilderAlgo.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp_Face.hxx>
#include <BOPTools_AlgoTools3D.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <IntTools_Context.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapIteratorOfDataMapOfShapeInteger.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <algorithm>
#include <set>

#include "export/occ_internal.h"
#include "export/occ_part.h"

namespace cavix::exporter {
namespace {

using detail::PreparedHole;

template <class Op, class F>
void ForImages(Op& op, const TopoDS_Shape& s, F f) {
  const TopTools_ListOfShape images = op.Modified(s);
  if (!images.IsEmpty()) {
    for (TopTools_ListIteratorOfListOfShape it(images); it.More(); it.Next()) f(it.Value());
  } else if (!op.IsDeleted(s)) {
    f(s);
  }
}

// A point just off a face, on the side its normal points to (sign +1) or away from it (-1).
bool PointBeside(const TopoDS_Face& face, double sign, double offset,
                 const Handle(IntTools_Context)& context, gp_Pnt& out) {
  gp_Pnt p;
  gp_Pnt2d uv;
  if (BOPTools_AlgoTools3D::PointInFace(face, p, uv, context) != 0) return false;
  BRepGProp_Face geometry(face);
  gp_Pnt on;
  gp_Vec normal;
  geometry.Normal(uv.X(), uv.Y(), on, normal);
  if (normal.Magnitude() < 1e-12) return false;
  out = p.Translated(normal.Normalized() * (sign * offset));
  return true;
}

// What the part's lists say after its faces changed: a hole is cut while any face is its.
void Recount(CutResult& part, int newHole, bool newHoleMissed) {
  std::set<int> present;
  for (TopTools_DataMapIteratorOfDataMapOfShapeInteger it(part.faceHole); it.More(); it.Next())
    present.insert(it.Value());
  std::vector<int> gone;
  for (int h : part.cut)
    if (!present.count(h)) gone.push_back(h);
  part.cut.assign(present.begin(), present.end());
  for (int h : gone) {
    part.missed.push_back(h);
    part.missReasons.push_back("it lies within other holes");
  }
  if (newHoleMissed) {
    part.missed.push_back(newHole);
    part.missReasons.push_back("it misses the part or lies within other holes");
  }
  part.voids.erase(std::remove_if(part.voids.begin(), part.voids.end(),
                                  [&](int h) { return !present.count(h); }),
                   part.voids.end());
}

// The whole part cut again by the new tools: for what the quick way does not handle (a tool
// that splits the part, or hollows it inside).
void CutWhole(CutResult& part, const PreparedHole& hole) {
  TopTools_ListOfShape args, tools;
  args.Append(part.shape);
  for (const TopoDS_Shape& t : hole.tools) tools.Append(t);
  BRepAlgoAPI_Cut cut;
  cut.SetArguments(args);
  cut.SetTools(tools);
  cut.SetRunParallel(Standard_False);
  cut.SetNonDestructive(Standard_True);
  cut.Build();
  if (!cut.IsDone() || cut.HasErrors())
    throw ExportError("cutting the hole out of the part failed");
  TopTools_DataMapOfShapeInteger map;
  for (TopTools_DataMapIteratorOfDataMapOfShapeInteger it(part.faceHole); it.More(); it.Next())
    ForImages(cut, it.Key(), [&](const TopoDS_Shape& img) { map.Bind(img, it.Value()); });
  bool kept = false;
  for (const TopoDS_Shape& t : hole.tools)
    for (TopExp_Explorer f(t, TopAbs_FACE); f.More(); f.Next())
      ForImages(cut, f.Current(), [&](const TopoDS_Shape& img) {
        map.Bind(img, hole.index);
        kept = true;
      });
  const TopoDS_Shape shape = cut.Shape();
  const detail::CheckFailure bad = detail::CheckSolid(shape, map);
  if (bad.failed) throw ExportError("cutting the hole out of the part gave an invalid solid");
  int solids = 0;
  for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next()) ++solids;
  if (solids == 0) throw ExportError("the hole removes the whole part");
  part.shape = shape;
  part.faceHole = std::move(map);
  part.solids = solids;
  // A hole whose faces all bound a shell of their own only hollows the part.
  if (kept) {
    for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next()) {
      int shells = 0;
      for (TopoDS_Iterator sh(s.Current()); sh.More(); sh.Next()) ++shells;
      if (shells < 2) continue;
      for (TopoDS_Iterator sh(s.Current()); sh.More(); sh.Next()) {
        bool all = true, any = false;
        for (TopExp_Explorer f(sh.Value(), TopAbs_FACE); f.More(); f.Next()) {
          const bool mine = part.HoleOf(f.Current()) == hole.index;
          all = all && mine;
          any = any || mine;
        }
        if (all && any) part.voids.push_back(hole.index);
      }
    }
  }
  Recount(part, hole.index, !kept);
}

// The quick way; false when the case is one for CutWhole.
bool CutNear(CutResult& part, const PreparedHole& hole) {
  Bnd_Box reach;
  reach.Update(hole.lo[0], hole.lo[1], hole.lo[2], hole.hi[0], hole.hi[1], hole.hi[2]);
  TopTools_IndexedMapOfShape faces;
  TopExp::MapShapes(part.shape, TopAbs_FACE, faces);
  std::vector<int> near;
  for (int i = 1; i <= faces.Extent(); ++i) {
    Bnd_Box box;
    BRepBndLib::Add(faces(i), box, Standard_True);
    if (!box.IsOut(reach)) near.push_back(i);
  }
  if (near.empty()) return false;  // misses the part, or lies inside it

  // Every near face must lie in the same shell: that shell is the one rebuilt.
  TopTools_IndexedDataMapOfShapeListOfShape faceShells;
  TopExp::MapShapesAndAncestors(part.shape, TopAbs_FACE, TopAbs_SHELL, faceShells);
  TopoDS_Shape shell;
  for (int i : near) {
    const TopTools_ListOfShape& shells = faceShells.FindFromKey(faces(i));
    if (shells.Extent() != 1) return false;
    if (shell.IsNull()) shell = shells.First();
    if (!shell.IsSame(shells.First())) return false;
  }

  // The near faces, oriented as they bound the part, split by the tools and the tools by them.
  TopTools_MapOfShape isNear;
  TopTools_ListOfShape args;
  for (TopExp_Explorer f(part.shape, TopAbs_FACE); f.More(); f.Next())
    if (std::binary_search(near.begin(), near.end(), faces.FindIndex(f.Current())) &&
        isNear.Add(f.Current()))
      args.Append(f.Current());
  for (const TopoDS_Shape& t : hole.tools) args.Append(t);
  BRepAlgoAPI_BuilderAlgo split;
  split.SetArguments(args);
  split.SetRunParallel(Standard_False);
  split.Build();
  if (!split.IsDone() || split.HasErrors()) return false;

  const Handle(IntTools_Context) context = new IntTools_Context;
  const double offset = 1e-5;
  auto insideOfTools = [&](const gp_Pnt& p) {
    for (const TopoDS_Shape& t : hole.tools) {
      BRepClass3d_SolidClassifier c(t, p, 1e-7);
      if (c.State() == TopAbs_IN) return true;
    }
    return false;
  };
  BRepClass3d_SolidClassifier inPart;
  inPart.Load(part.shape);

  // Pieces of the near faces stay where the material behind them is not the tool's.
  std::vector<std::pair<TopoDS_Shape, int>> pieces;
  for (TopTools_MapIteratorOfMapOfShape it(isNear); it.More(); it.Next()) {
    const int owner = part.HoleOf(it.Key());
    bool ok = true;
    ForImages(split, it.Key(), [&](const TopoDS_Shape& img) {
      gp_Pnt behind;
      if (!PointBeside(TopoDS::Face(img), -1, offset, context, behind)) ok = false;
      else if (!insideOfTools(behind)) pieces.emplace_back(img, owner);
    });
    if (!ok) return false;
  }
  // Pieces of the tools stay, turned to face the material, where the part is outside them.
  bool kept = false;
  for (const TopoDS_Shape& t : hole.tools)
    for (TopExp_Explorer f(t, TopAbs_FACE); f.More(); f.Next()) {
      bool ok = true;
      ForImages(split, f.Current(), [&](const TopoDS_Shape& img) {
        gp_Pnt outside;
        if (!PointBeside(TopoDS::Face(img), +1, offset, context, outside)) {
          ok = false;
          return;
        }
        inPart.Perform(outside, 1e-7);
        if (inPart.State() != TopAbs_IN) return;
        kept = true;
        // A piece where the tool's face lies on a face of the part (two counterbore floors at
        // one depth) is one face, kept once, as the part's.
        if (std::any_of(pieces.begin(), pieces.end(),
                        [&](const auto& p) { return p.first.IsSame(img); }))
          return;
        pieces.emplace_back(img.Reversed(), hole.index);
      });
      if (!ok) return false;
    }
  if (!kept) return false;

  // The shell's sense as seen from the part: the pieces were taken as they bound the part, and
  // within the shell they must be relative to it.
  TopAbs_Orientation shellSense = TopAbs_FORWARD;
  for (TopExp_Explorer s(part.shape, TopAbs_SHELL); s.More(); s.Next())
    if (s.Current().IsSame(shell)) {
      if (!s.Current().Location().IsIdentity()) return false;
      shellSense = s.Current().Orientation();
    }

  // The shell again: its faces that were not near, and the pieces.
  BRep_Builder b;
  TopoDS_Shell rebuilt;
  b.MakeShell(rebuilt);
  for (TopoDS_Iterator f(shell, Standard_False, Standard_False); f.More(); f.Next())
    if (!isNear.Contains(f.Value())) b.Add(rebuilt, f.Value());
  for (auto& [piece, owner] : pieces) {
    TopoDS_Shape inShell = piece;
    if (shellSense == TopAbs_REVERSED) inShell.Reverse();
    b.Add(rebuilt, inShell);
  }
  rebuilt.Closed(Standard_True);
  rebuilt.Orientation(shell.Orientation());
  if (!detail::ShellValid(rebuilt)) return false;
  for (const auto& [piece, owner] : pieces)
    if (!BRepCheck_Analyzer(piece).IsValid()) return false;

  // The solid that held the shell, and the part, with the shell replaced.
  auto replaced = [&](const TopoDS_Shape& container, auto&& self) -> TopoDS_Shape {
    if (container.IsSame(shell)) return rebuilt;
    TopoDS_Shape copy = container.EmptyCopied();
    for (TopoDS_Iterator c(container, Standard_False, Standard_False); c.More(); c.Next()) {
      TopExp_Explorer holds(c.Value(), TopAbs_SHELL);
      bool contains = c.Value().IsSame(shell);
      for (; !contains && holds.More(); holds.Next()) contains = holds.Current().IsSame(shell);
      if (contains) {
        TopoDS_Shape inner = self(c.Value(), self);
        inner.Orientation(c.Value().Orientation());
        b.Add(copy, inner);
      } else {
        b.Add(copy, c.Value());
      }
    }
    return copy;
  };
  const TopoDS_Shape shape = replaced(part.shape, replaced);

  TopTools_DataMapOfShapeInteger map;
  for (TopTools_DataMapIteratorOfDataMapOfShapeInteger it(part.faceHole); it.More(); it.Next())
    if (!isNear.Contains(it.Key())) map.Bind(it.Key(), it.Value());
  for (const auto& [piece, owner] : pieces)
    if (owner >= 0) map.Bind(piece, owner);
  part.shape = shape;
  part.faceHole = std::move(map);
  Recount(part, hole.index, false);
  return true;
}

}  // namespace

void CutOneMoreHole(CutResult& part, const HoleSolidInput& hole, int holeIndex) {
  detail::QuietKernelMessages();
  if (!part.base || part.shape.IsNull())
    throw ExportError("the part to cut the hole from has not been cut by CutHoles");
  std::vector<std::string> warnings;
  detail::ToolMaker maker(*part.base);
  const PreparedHole prepared = maker.Prepare(hole, holeIndex, warnings);
  if (prepared.tools.empty()) {
    part.warnings.insert(part.warnings.end(), warnings.begin(), warnings.end());
    return;
  }
  CutResult before = part;
  try {
    if (!CutNear(part, prepared)) {
      part = before;
      CutWhole(part, prepared);
    }
  } catch (const Standard_Failure& f) {
    part = std::move(before);
    throw ExportError("the geometry kernel failed while cutting " +
                      detail::HoleLabel(hole, holeIndex) + ": " + detail::KernelFailure(f));
  } catch (const ExportError& e) {
    part = std::move(before);
    throw ExportError(detail::HoleLabel(hole, holeIndex) + ": " + e.what());
  }
  part.warnings.insert(part.warnings.end(), warnings.begin(), warnings.end());
}

}  // namespace cavix::exporter
