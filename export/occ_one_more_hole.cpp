// One more hole cut out of an already cut part, quickly: only the faces whose boxes meet the new
// tool are split against it (a general fuse of those faces and the tool), the pieces on the
// wrong side dropped, and the part's shell rebuilt from the rest of its faces as they were. A
// boolean over the whole part would rebuild every face of it: about a second at a thousand holes.

#include <BOPTools_AlgoTools3D.hxx>
#include <BRepAdaptor_Curve.hxx>
#include <BRepAlgoAPI_BuilderAlgo.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepGProp_Face.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <GeomAPI_ProjectPointOnSurf.hxx>
#include <IntTools_Context.hxx>
#include <NCollection_DataMap.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <set>

#include "export/occ_internal.h"

namespace cavix::exporter {
namespace {

using detail::At;
using detail::ForImages;
using detail::PreparedHole;

// Faces with more wires than this are split through a stand-in.
constexpr int kStandInWires = 8;

// A point just off a face, on the side its normal points to (sign +1) or away from it (-1).
bool PointBeside(const TopoDS_Face& face, double sign, double offset,
                 const Handle(IntTools_Context) & context, gp_Pnt& out) {
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
void Recount(CutResult& part, HoleIndex newHole, bool newHoleMissed) {
  std::set<HoleIndex> present;
  for (FaceHoles::Iterator it(part.faceHole); it.More(); it.Next()) present.insert(it.Value());
  std::vector<HoleIndex> gone;
  for (HoleIndex h : part.cut)
    if (!present.count(h)) gone.push_back(h);
  part.cut.assign(present.begin(), present.end());
  for (HoleIndex h : gone) {
    part.missed.push_back(h);
    part.missReasons.push_back("it lies within other holes");
  }
  if (newHoleMissed) {
    part.missed.push_back(newHole);
    part.missReasons.push_back("it misses the part or lies within other holes");
  }
  part.voids.erase(std::remove_if(part.voids.begin(), part.voids.end(),
                                  [&](HoleIndex h) { return !present.count(h); }),
                   part.voids.end());
}

// The whole part cut again by the new tools: for what the quick way does not handle (a tool
// that splits the part, or hollows it inside).
void CutWhole(CutResult& part, const PreparedHole& hole) {
  TopTools_ListOfShape objects, tools;
  objects.Append(part.shape);  // the caller's, kept to go back to
  for (const TopoDS_Shape& t : hole.tools) tools.Append(t);
  BRepAlgoAPI_Cut cut;
  if (!RunBoolean(cut, objects, tools, Inputs::kShared))
    throw ExportError("cutting the hole out of the part failed: " + BooleanErrors(cut));
  FaceHoles map;
  for (FaceHoles::Iterator it(part.faceHole); it.More(); it.Next())
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

bool Meets(const std::array<double, 6>& a, const std::array<double, 3>& lo,
           const std::array<double, 3>& hi) {
  for (int k = 0; k < 3; ++k)
    if (a[k + 3] < lo[k] || a[k] > hi[k]) return false;
  return true;
}

// The outward normal of a face (as oriented) at a point on it.
bool NormalAt(const TopoDS_Face& face, const gp_Pnt& at, const Handle(IntTools_Context) & context,
              gp_Vec& normal) {
  GeomAPI_ProjectPointOnSurf& project = context->ProjPS(face);
  project.Perform(at);
  if (!project.IsDone() || project.NbPoints() == 0) return false;
  double u, v;
  project.LowerDistanceParameters(u, v);
  BRepGProp_Face geometry(face);
  gp_Pnt on;
  geometry.Normal(u, v, on, normal);
  return normal.Magnitude() > 1e-12;
}

// Which side of the part a tool piece lies on, read off where it leaves an edge it shares with
// a face of the part: +1 inside (behind the face), -1 outside, 0 undecided (tangent, or faces
// that disagree).
int SideAtEdge(const TopoDS_Face& piece, const TopoDS_Edge& edge,
               const std::vector<TopoDS_Face>& partFaces,
               const Handle(IntTools_Context) & context) {
  double first, last;
  if (BRep_Tool::Degenerated(edge) || BRep_Tool::Curve(edge, first, last).IsNull()) return 0;
  const double t = (first + last) / 2;
  gp_Pnt onEdge, inPiece;
  gp_Pnt2d uv;
  BRepAdaptor_Curve curve(edge);
  onEdge = curve.Value(t);
  if (BOPTools_AlgoTools3D::PointInFace(piece, edge, t, 1e-4, inPiece, uv, context) != 0) return 0;
  const gp_Vec away(onEdge, inPiece);
  if (away.Magnitude() < 1e-9) return 0;
  int side = 0;
  for (const TopoDS_Face& f : partFaces) {
    gp_Vec n;
    if (!NormalAt(f, onEdge, context, n)) return 0;
    const double d = away.Normalized().Dot(n.Normalized());
    const int s = d < -1e-6 ? +1 : d > 1e-6 ? -1 : 0;
    if (s == 0 || (side != 0 && s != side)) return 0;
    side = s;
  }
  return side;
}

// The faces of the part near a new hole's tools, as they go into the split.
struct NearFaces {
  // Each near face and its hole (none: the part's own face).
  std::vector<std::pair<TopoDS_Shape, std::optional<HoleIndex>>> faces;
  // What of each face goes into the split: the face, or for a face with many wires (a plate's
  // top face with every hole in it) a stand-in with only its outer wire and the wires near the
  // tools, so that the split does not rebuild a face of a thousand wires. The far wires join the
  // stand-in's piece afterwards.
  std::vector<TopoDS_Shape> inSplit;
  std::vector<std::vector<TopoDS_Shape>> farWires;
  TopTools_MapOfShape isNear;
};

// The part's own faces whose boxes meet the tools', and the faces of holes whose boxes do.
NearFaces FindNearFaces(const CutResult& part, const PreparedHole& hole) {
  std::vector<char> nearHoles(part.holeBoxes.size(), 0);
  for (size_t h = 0; h < part.holeBoxes.size(); ++h)
    nearHoles[h] = Meets(part.holeBoxes[h], hole.lo, hole.hi);
  Bnd_Box reach;
  reach.Update(hole.lo[0], hole.lo[1], hole.lo[2], hole.hi[0], hole.hi[1], hole.hi[2]);
  NearFaces near;
  BRep_Builder b;
  for (TopExp_Explorer f(part.shape, TopAbs_FACE); f.More(); f.Next()) {
    const std::optional<HoleIndex> owner = part.HoleOf(f.Current());
    if (owner && (At(*owner) >= nearHoles.size() || !nearHoles[At(*owner)])) continue;
    Bnd_Box box;
    BRepBndLib::Add(f.Current(), box, Standard_False);
    if (box.IsOut(reach) || !near.isNear.Add(f.Current())) continue;
    near.faces.emplace_back(f.Current(), owner);
    near.farWires.emplace_back();
    int wires = 0;
    for (TopoDS_Iterator w(f.Current()); w.More(); w.Next()) ++wires;
    if (wires <= kStandInWires) {
      near.inSplit.push_back(f.Current());
      continue;
    }
    const TopoDS_Face& face = TopoDS::Face(f.Current());
    const TopoDS_Wire outer = BRepTools::OuterWire(face);
    TopoDS_Shape standIn = face.EmptyCopied();
    for (TopoDS_Iterator w(face, Standard_False, Standard_False); w.More(); w.Next()) {
      Bnd_Box wireBox;
      BRepBndLib::Add(w.Value(), wireBox, Standard_False);
      if (w.Value().IsSame(outer) || !wireBox.IsOut(reach))
        b.Add(standIn, w.Value());
      else
        near.farWires.back().push_back(w.Value());
    }
    near.inSplit.push_back(standIn);
  }
  return near;
}

// The one shell of the part that holds every near face, and its sense in the part; a null shape
// when they are not all in one (untransformed) shell.
std::pair<TopoDS_Shape, TopAbs_Orientation> ShellOf(const TopoDS_Shape& shape,
                                                    const NearFaces& near) {
  TopoDS_Shape shell;
  TopAbs_Orientation sense = TopAbs_FORWARD;
  for (TopExp_Explorer s(shape, TopAbs_SHELL); s.More() && shell.IsNull(); s.Next())
    for (TopExp_Explorer f(s.Current(), TopAbs_FACE); f.More(); f.Next())
      if (f.Current().IsSame(near.faces.front().first)) {
        shell = s.Current();
        sense = s.Current().Orientation();
        break;
      }
  if (shell.IsNull() || !shell.Location().IsIdentity()) return {};
  size_t inShell = 0;
  for (TopoDS_Iterator f(shell); f.More(); f.Next()) inShell += near.isNear.Contains(f.Value());
  if (inShell != near.faces.size()) return {};
  return {shell, sense};
}

// A piece of the new boundary and its hole (none: the part's own).
using Piece = std::pair<TopoDS_Shape, std::optional<HoleIndex>>;

// Pieces of the near faces stay where the material behind them is not the tool's. A stand-in's
// one piece gets its far wires back (and is checked then, noted in `checked`). False when a
// piece cannot be placed or a stand-in was cut in two.
bool KeepPartPieces(BRepAlgoAPI_BuilderAlgo& split, const NearFaces& near,
                    const PreparedHole& hole, const Handle(IntTools_Context) & context,
                    std::vector<Piece>& pieces, TopTools_MapOfShape& checked) {
  constexpr double kOffset = 1e-5;
  std::vector<std::unique_ptr<BRepClass3d_SolidClassifier>> inTool;
  for (const TopoDS_Shape& t : hole.tools) {
    inTool.push_back(std::make_unique<BRepClass3d_SolidClassifier>());
    inTool.back()->Load(t);
  }
  BRep_Builder b;
  for (size_t i = 0; i < near.faces.size(); ++i) {
    bool ok = true;
    std::vector<TopoDS_Shape> stay;
    ForImages(split, near.inSplit[i], [&](const TopoDS_Shape& img) {
      gp_Pnt behind;
      if (!PointBeside(TopoDS::Face(img), -1, kOffset, context, behind)) {
        ok = false;
        return;
      }
      for (auto& c : inTool) {
        c->Perform(behind, 1e-7);
        if (c->State() == TopAbs_IN) return;
      }
      stay.push_back(img);
    });
    if (!ok) return false;
    if (near.farWires[i].empty()) {
      for (const TopoDS_Shape& p : stay) pieces.emplace_back(p, near.faces[i].second);
      continue;
    }
    // The far wires belong to the one piece left of the stand-in; a face the tools cut in two
    // would have to share them out.
    if (stay.size() != 1 || !detail::FaceValid(TopoDS::Face(stay[0]))) return false;
    TopoDS_Shape whole = stay[0].EmptyCopied();
    for (TopoDS_Iterator w(stay[0], Standard_False, Standard_False); w.More(); w.Next())
      b.Add(whole, w.Value());
    for (const TopoDS_Shape& w : near.farWires[i]) b.Add(whole, w);
    pieces.emplace_back(whole, near.faces[i].second);
    checked.Add(whole);
  }
  return true;
}

// Pieces of the tools stay, turned to face the material, where they lie inside the part. A piece
// that meets a face of the part along an edge is inside where it leaves that edge behind the
// face; a piece that meets only other tool pieces is on the side they are on. False when some
// piece's side cannot be told, or the tools remove nothing.
bool KeepToolPieces(BRepAlgoAPI_BuilderAlgo& split, const NearFaces& near,
                    const PreparedHole& hole, const Handle(IntTools_Context) & context,
                    std::vector<Piece>& pieces) {
  std::vector<TopoDS_Face> toolPieces;
  TopTools_MapOfShape seen;
  for (const TopoDS_Shape& t : hole.tools)
    for (TopExp_Explorer f(t, TopAbs_FACE); f.More(); f.Next())
      ForImages(split, f.Current(), [&](const TopoDS_Shape& img) {
        if (seen.Add(img)) toolPieces.push_back(TopoDS::Face(img));
      });
  BRep_Builder b;
  TopoDS_Compound all;
  b.MakeCompound(all);
  std::vector<TopoDS_Shape> partPieces;  // every piece of the near faces, as they bound the part
  for (const TopoDS_Shape& face : near.inSplit)
    ForImages(split, face, [&](const TopoDS_Shape& img) {
      b.Add(all, img);
      partPieces.push_back(img);
    });
  for (const TopoDS_Face& t : toolPieces) b.Add(all, t);
  TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
  TopExp::MapShapesAndAncestors(all, TopAbs_EDGE, TopAbs_FACE, edgeFaces);
  TopTools_MapOfShape fromPart;
  for (const TopoDS_Shape& p : partPieces) fromPart.Add(p);

  std::vector<int> side(toolPieces.size(), 0);
  for (size_t i = 0; i < toolPieces.size(); ++i) {
    if (fromPart.Contains(toolPieces[i])) continue;  // lies on a face of the part
    for (TopExp_Explorer e(toolPieces[i], TopAbs_EDGE); e.More() && side[i] == 0; e.Next()) {
      std::vector<TopoDS_Face> partFaces;
      for (TopTools_ListIteratorOfListOfShape f(edgeFaces.FindFromKey(e.Current())); f.More();
           f.Next())
        if (fromPart.Contains(f.Value())) {
          // The part's face as it bounds the part.
          for (const TopoDS_Shape& p : partPieces)
            if (p.IsSame(f.Value())) partFaces.push_back(TopoDS::Face(p));
        }
      if (!partFaces.empty())
        side[i] = SideAtEdge(toolPieces[i], TopoDS::Edge(e.Current()), partFaces, context);
    }
  }
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t i = 0; i < toolPieces.size(); ++i) {
      if (side[i] != 0 || fromPart.Contains(toolPieces[i])) continue;
      for (TopExp_Explorer e(toolPieces[i], TopAbs_EDGE); e.More() && side[i] == 0; e.Next()) {
        const TopTools_ListOfShape& around = edgeFaces.FindFromKey(e.Current());
        bool onPart = false;
        for (TopTools_ListIteratorOfListOfShape f(around); f.More(); f.Next())
          onPart = onPart || fromPart.Contains(f.Value());
        if (onPart) continue;
        for (TopTools_ListIteratorOfListOfShape f(around); f.More(); f.Next())
          for (size_t j = 0; j < toolPieces.size(); ++j)
            if (j != i && side[j] != 0 && toolPieces[j].IsSame(f.Value())) {
              side[i] = side[j];
              changed = true;
            }
      }
    }
  }
  bool removes = false;
  for (size_t i = 0; i < toolPieces.size(); ++i) {
    if (fromPart.Contains(toolPieces[i])) {
      removes = true;  // a floor the tool shares with the part's face: kept once, as the part's
      continue;
    }
    if (side[i] == 0) return false;
    if (side[i] > 0) {
      pieces.emplace_back(toolPieces[i].Reversed(), hole.index);
      removes = true;
    }
  }
  return removes;
}

// The shell stays closed and oriented if, for each edge, the pieces change its uses as much in
// one direction as in the other (the rest of the shell used it evenly before), and every piece
// is a valid face.
bool StaysClosed(const NearFaces& near, const std::vector<Piece>& pieces,
                 const TopTools_MapOfShape& checked) {
  NCollection_DataMap<TopoDS_Shape, std::array<int, 2>, TopTools_ShapeMapHasher> balance;
  auto count = [&](const TopoDS_Shape& face, int sign) {
    for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
      const TopAbs_Orientation o = e.Current().Orientation();
      if (BRep_Tool::Degenerated(TopoDS::Edge(e.Current())) ||
          (o != TopAbs_FORWARD && o != TopAbs_REVERSED))
        continue;
      std::array<int, 2>* c = balance.ChangeSeek(e.Current());
      if (!c) c = balance.Bound(e.Current(), {0, 0});
      (*c)[o == TopAbs_REVERSED] += sign;
    }
  };
  for (const auto& [face, owner] : near.faces) count(face, -1);
  for (const auto& [piece, owner] : pieces) count(piece, +1);
  for (NCollection_DataMap<TopoDS_Shape, std::array<int, 2>, TopTools_ShapeMapHasher>::Iterator it(
           balance);
       it.More(); it.Next())
    if (it.Value()[0] != it.Value()[1]) return false;
  for (const auto& [piece, owner] : pieces)
    if (!checked.Contains(piece) && !detail::FaceValid(TopoDS::Face(piece))) return false;
  return true;
}

// The part with `shell` rebuilt: its faces that were not near, and the pieces in its sense.
TopoDS_Shape WithShellReplaced(const TopoDS_Shape& part, const TopoDS_Shape& shell,
                               TopAbs_Orientation sense, const NearFaces& near,
                               const std::vector<Piece>& pieces) {
  BRep_Builder b;
  TopoDS_Shell rebuilt;
  b.MakeShell(rebuilt);
  for (TopoDS_Iterator f(shell, Standard_False, Standard_False); f.More(); f.Next())
    if (!near.isNear.Contains(f.Value())) b.Add(rebuilt, f.Value());
  for (const auto& [piece, owner] : pieces) {
    TopoDS_Shape inShell = piece;
    if (sense == TopAbs_REVERSED) inShell.Reverse();
    b.Add(rebuilt, inShell);
  }
  rebuilt.Closed(Standard_True);
  // The solid that held the shell, and the part, copied around the new shell.
  auto replaced = [&](const TopoDS_Shape& container, auto&& self) -> TopoDS_Shape {
    if (container.IsSame(shell)) return rebuilt;
    TopoDS_Shape copy = container.EmptyCopied();
    for (TopoDS_Iterator c(container, Standard_False, Standard_False); c.More(); c.Next()) {
      bool contains = c.Value().IsSame(shell);
      for (TopExp_Explorer in(c.Value(), TopAbs_SHELL); !contains && in.More(); in.Next())
        contains = in.Current().IsSame(shell);
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
  return replaced(part, replaced);
}

// The quick way: the near faces split by the tools and the tools by them, the pieces that bound
// the new part kept, and the shell rebuilt around them. False when the case is one for CutWhole.
bool CutNear(CutResult& part, const PreparedHole& hole) {
  const NearFaces near = FindNearFaces(part, hole);
  if (near.faces.empty()) return false;  // misses the part, or lies inside it: CutWhole tells
  const auto [shell, sense] = ShellOf(part.shape, near);
  if (shell.IsNull()) return false;

  TopTools_ListOfShape args;
  for (const TopoDS_Shape& f : near.inSplit) args.Append(f);
  for (const TopoDS_Shape& t : hole.tools) args.Append(t);
  BRepAlgoAPI_BuilderAlgo split;
  split.SetArguments(args);
  split.SetRunParallel(Standard_False);
  split.Build();
  if (!split.IsDone() || split.HasErrors()) return false;

  const Handle(IntTools_Context) context = new IntTools_Context;
  std::vector<Piece> pieces;
  TopTools_MapOfShape checked;  // pieces whose check is done (a stand-in's, before its far wires)
  if (!KeepPartPieces(split, near, hole, context, pieces, checked) ||
      !KeepToolPieces(split, near, hole, context, pieces) || !StaysClosed(near, pieces, checked))
    return false;

  const TopoDS_Shape shape = WithShellReplaced(part.shape, shell, sense, near, pieces);
  for (const auto& [face, owner] : near.faces) part.faceHole.UnBind(face);
  for (const auto& [piece, owner] : pieces)
    if (owner) part.faceHole.Bind(piece, *owner);
  part.shape = shape;
  Recount(part, hole.index, false);
  return true;
}

}  // namespace

void CutOneMoreHole(CutResult& part, const HoleSolidInput& hole, HoleIndex holeIndex) {
  QuietKernelMessages();
  if (!part.base || part.shape.IsNull())
    throw ExportError("the part to cut the hole from has not been cut by CutHoles");
  if (static_cast<int32_t>(holeIndex) < 0)
    throw ExportError("a hole's index cannot be negative");
  std::vector<std::string> warnings;
  detail::ToolMaker maker(*part.base);
  const PreparedHole prepared = maker.Prepare(hole, holeIndex, warnings);
  if (prepared.tools.empty()) {
    part.warnings.insert(part.warnings.end(), warnings.begin(), warnings.end());
    return;
  }
  part.warnings.insert(part.warnings.end(), warnings.begin(), warnings.end());
  bool reaches = true;
  for (int k = 0; k < 3; ++k)
    reaches = reaches && prepared.lo[k] <= part.base->hi[k] && prepared.hi[k] >= part.base->lo[k];
  if (!reaches) {
    part.missed.push_back(holeIndex);
    part.missReasons.push_back("it misses the part");
    return;
  }
  CutResult before = part;
  const size_t at = At(holeIndex);
  if (part.holeBoxes.size() <= at) part.holeBoxes.resize(at + 1, {});
  part.holeBoxes[at] = {prepared.lo[0], prepared.lo[1], prepared.lo[2],
                        prepared.hi[0], prepared.hi[1], prepared.hi[2]};
  try {
    if (!CutNear(part, prepared)) {
      CutWhole(part, prepared);
      ++part.recuts;
    }
  } catch (const Standard_Failure& f) {
    part = std::move(before);
    throw ExportError("the geometry kernel failed while cutting " +
                      detail::HoleLabel(hole, holeIndex) + ": " + KernelFailure(f));
  } catch (const ExportError& e) {
    part = std::move(before);
    throw ExportError(detail::HoleLabel(hole, holeIndex) + ": " + e.what());
  }
}

}  // namespace cavix::exporter
