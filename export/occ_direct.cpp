// Holes built in closed form instead of cut by a boolean. A blind hole drilled square into a face
// of a block, that meets no other hole and keeps off the face's edges, removes exactly its
// revolved profile: the face gets the mouth's circle as one more inner wire, and the hole's faces
// are the tool's own faces but its mouth, turned to face the material. A through hole whose
// profile ends in the far face (as a through hole's does, its length the block's thickness) is
// built the same way, its last step's circle going into the far face. Nothing is intersected.

#include <BRepAdaptor_Surface.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepLib.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Iterator.hxx>
#include <TopoDS_Shell.hxx>
#include <TopoDS_Solid.hxx>
#include <TopoDS_Wire.hxx>
#include <cmath>
#include <map>
#include <unordered_set>

#include "export/occ_internal.h"
#include "runtime/workers.h"

namespace cavix::exporter::detail {
namespace {

// The planar face of `shape` that lies in the plane through `at` square to `axis`, facing along
// or against it; a null face when there is none.
TopoDS_Face FaceInPlane(const TopoDS_Shape& shape, const gp_Pnt& at, const gp_Dir& axis,
                        double tol, bool containing) {
  for (TopExp_Explorer f(shape, TopAbs_FACE); f.More(); f.Next()) {
    const TopoDS_Face& face = TopoDS::Face(f.Current());
    const BRepAdaptor_Surface surface(face, Standard_False);
    if (surface.GetType() != GeomAbs_Plane) continue;
    const gp_Pln plane = surface.Plane();
    if (!plane.Axis().Direction().IsParallel(axis, 1e-9) || plane.Distance(at) > tol) continue;
    if (containing && BRepClass_FaceClassifier(face, at, tol).State() != TopAbs_IN) continue;
    return face;
  }
  return {};
}

}  // namespace

bool DirectCandidate(const PartBase& base, const HoleSolidInput& hole) {
  if (!base.isBox || hole.chains.size() != 1) return false;
  const double len = std::hypot(hole.normal[0], hole.normal[1], hole.normal[2]);
  if (!(len > 0)) return false;
  const double tol = 1e-9 * std::max(1.0, base.Size());
  int along = -1;
  for (int k = 0; k < 3; ++k)
    if (std::fabs(hole.normal[k]) / len > 1 - 1e-12) along = k;
  if (along < 0) return false;
  // On the face the axis goes into: the low side for a positive axis, the high side else.
  const double face = hole.normal[along] > 0 ? base.lo[along] : base.hi[along];
  return std::fabs(hole.position[along] - face) <= tol;
}

namespace {

double Margin(const PartBase& base) { return std::max(0.01, 1e-6 * base.Size()); }

// The depth of the far face below the hole's position, along its axis (the block's thickness
// there).
double FarFace(const PartBase& base, const PreparedHole& exact) {
  for (int k = 0; k < 3; ++k)
    if (std::fabs(exact.axis[k]) > 0.5) return base.hi[k] - base.lo[k];
  return 0;
}

// Whether the profile's last step, back to the axis, lies in the far face at `depth`, wider than
// the margin, and nothing else of the profile comes within the margin of that face: the far face
// is then cut by that circle alone. (Profiles come without their closing point.)
bool EndsIn(const std::vector<Pt>& v, double depth, double margin) {
  const size_t last = v.size() - 1;
  if (last < 3 || v[last][0] != 0 || !(v[last - 1][0] > margin)) return false;
  const double tol = 1e-9 * (1 + depth);
  if (std::fabs(v[last][1] - depth) > tol || std::fabs(v[last - 1][1] - depth) > tol) return false;
  for (size_t i = 2; i + 1 < last; ++i)
    if (!(v[i][1] < depth - margin)) return false;
  return true;
}

// Whether an exact tool opens on the face with its mouth alone and stops short of the far face,
// or (`through`) ends in it with its last step; across the axis, its whole box (`whole`) or only
// its centre inside the block, with room to spare.
bool Fits(const PartBase& base, const PreparedHole& exact, bool whole, bool through) {
  if (exact.tools.size() != 1 || exact.vertices.size() < 3) return false;
  const double margin = Margin(base);
  // The profile opens on the face with its mouth, (0, 0) to (R, 0), and nothing else of it
  // reaches the face: the face is then cut by that circle alone.
  const auto& v = exact.vertices;  // (radius, depth)
  if (v[0][0] != 0 || v[0][1] != 0 || !(v[1][0] > margin) || v[1][1] != 0) return false;
  for (size_t i = 2; i < v.size(); ++i)
    if (!(v[i][1] > margin)) return false;
  const bool exits = through && EndsIn(v, FarFace(base, exact), margin);
  for (int k = 0; k < 3; ++k) {
    const double a = exact.axis[k];
    if (std::fabs(a) < 0.5) {
      const double lo = whole ? exact.lo[k] : exact.origin[k];
      const double hi = whole ? exact.hi[k] : exact.origin[k];
      if (lo < base.lo[k] + margin || hi > base.hi[k] - margin) return false;
    } else if (!exits &&
               (a > 0 ? exact.hi[k] > base.hi[k] - margin : exact.lo[k] < base.lo[k] + margin)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool DirectFits(const PartBase& base, const PreparedHole& exact) {
  return Fits(base, exact, true, true);
}

double ExitDepth(const PartBase& base, const PreparedHole& exact) {
  const double depth = FarFace(base, exact);
  return EndsIn(exact.vertices, depth, Margin(base)) ? depth : 0;
}

bool OverlapFits(const PartBase& base, const PreparedHole& exact) {
  return Fits(base, exact, false, false);
}

bool PutDirectHoles(TopoDS_Shape& solid, FaceHoles& faceHole,
                    const std::vector<const PreparedHole*>& holes,
                    const std::vector<BuiltOverlaps>& overlaps, int jobs) {
  if (holes.empty() && overlaps.empty()) return true;
  TopExp_Explorer solids(solid, TopAbs_SOLID);
  if (!solids.More()) return false;
  const TopoDS_Shape only = solids.Current();
  solids.Next();
  int shells = 0;
  for (TopoDS_Iterator s(only); s.More(); s.Next()) ++shells;
  if (solids.More() || shells != 1) return false;

  // Each hole's mouth wire goes into the face of the part it opens in; the hole's other faces,
  // turned inside out, join the shell.
  std::map<int, std::vector<TopoDS_Wire>> wiresOf;  // by face number in `faces`
  std::vector<TopoDS_Face> faces;
  TopTools_MapOfShape seen;
  for (TopExp_Explorer f(only, TopAbs_FACE); f.More(); f.Next())
    if (seen.Add(f.Current())) faces.push_back(TopoDS::Face(f.Current()));
  // Holes that break out of the block come with the block's faces: the block must be whole.
  for (const BuiltOverlaps& o : overlaps) {
    if (o.blockFaces.empty()) continue;
    if (faces.size() != 6 || !faceHole.IsEmpty()) return false;
    faces = o.blockFaces;
  }
  auto tolAt = [](const gp_Pnt& at) {
    return 1e-7 * (1 + std::fabs(at.X()) + std::fabs(at.Y()) + std::fabs(at.Z()));
  };
  // The part's face a mouth centred at `at` opens in, by its number in `faces`; -1: none.
  auto targetFor = [&](const gp_Pnt& at, const gp_Dir& axis) {
    for (size_t i = 0; i < faces.size(); ++i)
      if (!faceHole.IsBound(faces[i]) && !FaceInPlane(faces[i], at, axis, tolAt(at), true).IsNull())
        return static_cast<int>(i);
    return -1;
  };
  std::vector<std::pair<TopoDS_Shape, HoleIndex>> holeFaces;
  BRep_Builder b;
  // The circle of a tool's disc at `at` (its other edges are the disc's seam and centre), to go
  // into the part's face in that plane as a hole in it: against the disc's own sense, as the face
  // bounds the part. A null disc when the tool or the part has no face there.
  struct Opening {
    TopoDS_Face disc;
    int target = -1;
    TopoDS_Wire circle;
  };
  auto opening = [&](const PreparedHole& h, const gp_Pnt& at, const gp_Dir& axis) {
    Opening o;
    const TopoDS_Face disc = FaceInPlane(h.tools.front(), at, axis, tolAt(at), false);
    o.target = disc.IsNull() ? -1 : targetFor(at, axis);
    if (o.target < 0) return o;
    o.disc = disc;
    BRep_Builder builder;
    builder.MakeWire(o.circle);
    for (TopExp_Explorer e(disc, TopAbs_EDGE); e.More(); e.Next()) {
      const TopoDS_Edge& edge = TopoDS::Edge(e.Current());
      if (!BRep_Tool::Degenerated(edge) && !BRep_Tool::IsClosed(edge, disc))
        builder.Add(o.circle, edge.Reversed());
    }
    return o;
  };
  // Each hole's openings and faces found on the workers (each reads its own tool and the part's
  // faces), then put in in the holes' order.
  struct Placed {
    Opening mouth, exit;
  };
  std::vector<Placed> placed(holes.size());
  rt::RunOnWorkers(jobs, holes.size(), [&](size_t i) {
    const PreparedHole& h = *holes[i];
    const gp_Pnt at(h.origin[0], h.origin[1], h.origin[2]);
    const gp_Dir axis(h.axis[0], h.axis[1], h.axis[2]);
    Placed& p = placed[i];
    p.mouth = opening(h, at, axis);
    // A hole that goes through leaves by its last step's circle the same way, into the far face.
    if (!p.mouth.disc.IsNull() && h.exitDepth > 0)
      p.exit = opening(h, at.Translated(gp_Vec(axis) * h.exitDepth), axis);
  });
  for (size_t i = 0; i < holes.size(); ++i) {
    const Placed& p = placed[i];
    if (p.mouth.disc.IsNull() || (holes[i]->exitDepth > 0 && p.exit.disc.IsNull())) return false;
    wiresOf[p.mouth.target].push_back(p.mouth.circle);
    if (!p.exit.disc.IsNull()) wiresOf[p.exit.target].push_back(p.exit.circle);
    for (TopExp_Explorer f(holes[i]->tools.front(), TopAbs_FACE); f.More(); f.Next())
      if (!f.Current().IsSame(p.mouth.disc) &&
          (p.exit.disc.IsNull() || !f.Current().IsSame(p.exit.disc)))
        holeFaces.emplace_back(f.Current().Reversed(), holes[i]->index);
  }
  std::vector<TopoDS_Face> partFaces;
  for (const BuiltOverlaps& o : overlaps) {
    partFaces.insert(partFaces.end(), o.partFaces.begin(), o.partFaces.end());
    holeFaces.insert(holeFaces.end(), o.holeFaces.begin(), o.holeFaces.end());
    if (!o.blockFaces.empty()) continue;
    const int target = targetFor(o.at, o.axis);
    if (target < 0) return false;
    wiresOf[target].push_back(o.mouth);
  }

  TopoDS_Shell shell;
  b.MakeShell(shell);
  // Each new edge gets its curve in the face it now bounds, on the workers: every edge is its
  // own hole's (one wire's) and only it changes.
  std::vector<std::pair<TopoDS_Edge, TopoDS_Face>> pcurves;
  std::unordered_set<const void*> edgesSeen;
  bool edgesApart = true;
  for (size_t i = 0; i < faces.size(); ++i) {
    const auto more = wiresOf.find(static_cast<int>(i));
    if (more == wiresOf.end()) {
      b.Add(shell, faces[i]);
      continue;
    }
    // The face rebuilt in its own sense, with its wires and the new ones.
    const TopoDS_Face forward = TopoDS::Face(faces[i].Oriented(TopAbs_FORWARD));
    TopoDS_Face rebuilt = TopoDS::Face(forward.EmptyCopied());
    for (TopoDS_Iterator w(forward); w.More(); w.Next()) b.Add(rebuilt, w.Value());
    for (const TopoDS_Wire& w : more->second) {
      TopoDS_Shape inFace = w;
      if (faces[i].Orientation() == TopAbs_REVERSED) inFace.Reverse();
      b.Add(rebuilt, inFace);
      for (TopExp_Explorer e(w, TopAbs_EDGE); e.More(); e.Next()) {
        pcurves.emplace_back(TopoDS::Edge(e.Current()), rebuilt);
        edgesApart = edgesSeen.insert(e.Current().TShape().get()).second && edgesApart;
      }
    }
    b.Add(shell, rebuilt.Oriented(faces[i].Orientation()));
  }
  rt::RunOnWorkers(edgesApart ? jobs : 1, pcurves.size(), [&](size_t i) {
    BRepLib::BuildPCurveForEdgeOnPlane(pcurves[i].first, pcurves[i].second);
  });
  for (const TopoDS_Face& face : partFaces) b.Add(shell, face);
  for (const auto& [face, hole] : holeFaces) {
    b.Add(shell, face);
    faceHole.Bind(face, hole);
  }
  shell.Closed(Standard_True);
  TopoDS_Solid out;
  b.MakeSolid(out);
  b.Add(out, shell);
  solid = out;
  return true;
}

}  // namespace cavix::exporter::detail
