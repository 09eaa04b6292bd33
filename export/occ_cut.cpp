// Cutting the holes out of the part: the part split into tiles of a few dozen holes, each tile cut
// on its own, the tiles glued back into one solid and the faces the seams split merged again;
// which hole each face of the result belongs to, followed through every step's history.

#include <BOPAlgo_GlueEnum.hxx>
#include <BRepAdaptor_Curve2d.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBndLib.hxx>
#include <BRepClass3d.hxx>
#include <BRepGProp_Domain.hxx>
#include <BRepGProp_Face.hxx>
#include <BRepGProp_Vinert.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepTools_History.hxx>
#include <BRep_Builder.hxx>
#include <ShapeUpgrade_UnifySameDomain.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>

#include "export/occ_internal.h"
#include "runtime/workers.h"

namespace cavix::exporter {

using detail::At;
using detail::ForImages;
using detail::PartBase;
using detail::PreparedHole;

std::optional<HoleIndex> CutResult::HoleOf(const TopoDS_Shape& face) const {
  const HoleIndex* h = faceHole.Seek(face);
  return h ? std::optional<HoleIndex>(*h) : std::nullopt;
}

void CutResult::Release(int jobs) {
  faceHole.Clear(Standard_True);
  std::vector<TopoDS_Shape> faces;
  for (TopExp_Explorer f(shape, TopAbs_FACE); f.More(); f.Next()) faces.push_back(f.Current());
  shape.Nullify();
  // Faces that share an edge may be let go of on two workers: the kernel counts its references
  // atomically, and the last one frees the edge.
  constexpr size_t kChunk = 512;
  rt::RunOnWorkers(jobs, (faces.size() + kChunk - 1) / kChunk, [&](size_t c) {
    for (size_t i = c * kChunk; i < std::min(faces.size(), (c + 1) * kChunk); ++i)
      faces[i].Nullify();
  });
}

namespace {

// A face whose volume integral a fixed Gauss rule gets exactly: an elementary surface bounded by
// lines and circles in its parameters. Faces bounded by intersection curves (a bore drilled
// across another) need the adaptive rule, four times slower.
bool GaussExact(const TopoDS_Face& face) {
  switch (BRepAdaptor_Surface(face, Standard_False).GetType()) {
    case GeomAbs_Plane:
    case GeomAbs_Cylinder:
    case GeomAbs_Cone:
    case GeomAbs_Sphere:
    case GeomAbs_Torus:
      break;
    default:
      return false;
  }
  for (TopExp_Explorer e(face, TopAbs_EDGE); e.More(); e.Next()) {
    const GeomAbs_CurveType t = BRepAdaptor_Curve2d(TopoDS::Edge(e.Current()), face).GetType();
    if (t != GeomAbs_Line && t != GeomAbs_Circle) return false;
  }
  return true;
}

}  // namespace

double SolidVolume(const TopoDS_Shape& shape, int jobs) {
  // Each face's share of the divergence integral, all taken about one point near the solids.
  Bnd_Box box;
  BRepBndLib::Add(shape, box, Standard_False);
  if (box.IsVoid()) return 0;
  double x0, y0, z0, x1, y1, z1;
  box.Get(x0, y0, z0, x1, y1, z1);
  const gp_Pnt centre((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2);
  std::vector<TopoDS_Face> faces;
  for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next())
    for (TopExp_Explorer f(s.Current(), TopAbs_FACE); f.More(); f.Next()) {
      const TopAbs_Orientation o = f.Current().Orientation();
      if (o == TopAbs_FORWARD || o == TopAbs_REVERSED) faces.push_back(TopoDS::Face(f.Current()));
    }
  // Runs of a fixed length, added up in order: the same sum for any number of workers.
  constexpr size_t kRun = 128;
  std::vector<double> sums((faces.size() + kRun - 1) / kRun, 0.0);
  rt::RunOnWorkers(jobs, sums.size(), [&](size_t r) {
    BRepGProp_Vinert integral;
    integral.SetLocation(centre);
    BRepGProp_Face surface;
    BRepGProp_Domain domain;
    for (size_t i = r * kRun; i < std::min(faces.size(), (r + 1) * kRun); ++i) {
      surface.Load(faces[i]);
      domain.Init(faces[i]);
      if (GaussExact(faces[i]))
        integral.Perform(surface, domain);
      else
        integral.Perform(surface, domain, 1e-10);
      sums[r] += integral.Mass();
    }
  });
  double volume = 0;
  for (double v : sums) volume += v;
  return volume;
}

namespace {

// One tile of the part: the box itself for a box-shaped part, else the part's solid within it.
TopoDS_Shape TileSolid(const PartBase& base, const Box3& r, bool whole) {
  if (whole) return base.solid;
  const TopoDS_Shape box =
      BRepPrimAPI_MakeBox(gp_Pnt(r.lo[0], r.lo[1], r.lo[2]), gp_Pnt(r.hi[0], r.hi[1], r.hi[2]))
          .Shape();
  if (base.isBox) return box;
  BRepAlgoAPI_Common common;
  TopTools_ListOfShape objects, tools;
  objects.Append(base.solid);  // every tile's: left as it is
  tools.Append(box);
  if (!RunBoolean(common, objects, tools, Inputs::kShared))
    throw ExportError("cutting the part into tiles failed: " + BooleanErrors(common));
  return common.Shape();
}

// A piece of the cut part and which hole each of its faces belongs to.
struct Assembled {
  TopoDS_Shape shape;
  FaceHoles faceHole;
  bool empty = false;  // no material (a tile in an imported part's notch)
  int built = 0;       // holes built in closed form
  bool allBuilt = false;  // every face made in closed form: no boolean, no seam
};

// Notes `image` as a face of `hole`; where two tools' faces coincide, the face goes to the first.
void BindFirst(FaceHoles& map, const TopoDS_Shape& image, HoleIndex hole) {
  HoleIndex* was = map.ChangeSeek(image);
  if (!was)
    map.Bind(image, hole);
  else if (At(hole) < At(*was))
    *was = hole;
}

// The holes that may be built in closed form (empty for the others), and how to tell them.
struct Direct {
  std::vector<PreparedHole> exact;  // by hole: its exact tool, for the holes built in closed form
  // Identical holes that overlap, each group built as one piece (only in a tile of the whole
  // part), and by hole the group it is in (-1: none; empty when there are none).
  std::vector<std::shared_ptr<const detail::OverlapPlan>> overlaps;
  std::vector<int> overlapOf;
  bool Overlapping(HoleIndex h) const { return At(h) < overlapOf.size() && overlapOf[At(h)] >= 0; }
  // Built alone.
  bool On(HoleIndex h) const {
    return At(h) < exact.size() && !exact[At(h)].tools.empty() && !Overlapping(h);
  }
};

// Whether a hole built in closed form lies in `box` with room to spare, its mouth on the box's
// side (the part's face it opens on) and its other ends clear of the box's sides.
bool Inside(const PreparedHole& h, const Box3& box, double margin) {
  for (int k = 0; k < 3; ++k) {
    const double a = h.axis[k];
    if (std::fabs(a) < 0.5) {
      if (h.lo[k] < box.lo[k] + margin || h.hi[k] > box.hi[k] - margin) return false;
      continue;
    }
    const double side = a > 0 ? box.lo[k] : box.hi[k];
    const double far = a > 0 ? h.hi[k] : h.lo[k];
    if (std::fabs(h.origin[k] - side) > margin / 10) return false;
    if (h.exitDepth > 0) {
      // A hole that goes through ends in the tile's far face, which must be the block's.
      if (std::fabs(side + a * h.exitDepth - (a > 0 ? box.hi[k] : box.lo[k])) > margin / 10)
        return false;
    } else if (far < box.lo[k] + margin || far > box.hi[k] - margin) {
      return false;
    }
  }
  return true;
}

// Cuts the holes of one tile out of its part of the solid, and builds in closed form those that
// may be and lie wholly inside it. Each tile makes its own copies of the tools it cuts, so that no
// two workers ever read one shape; a tile alone builds on `jobs` workers.
Assembled CutTile(const PartBase& base, const std::vector<PreparedHole>& holes, const Tile& tile,
                  bool whole, const std::vector<int>& tilesOf, const Direct& direct,
                  bool shared, int jobs) {
  Assembled out;
  TopoDS_Shape solid = TileSolid(base, tile.box, whole);
  if (!TopExp_Explorer(solid, TopAbs_SOLID).More()) {
    out.empty = true;
    return out;
  }
  std::vector<HoleIndex> cutHere;
  std::vector<const PreparedHole*> builtHere;
  std::vector<char> groupHere(direct.overlaps.size(), 0);
  const double margin = std::max(0.01, 1e-6 * base.Size());
  for (HoleIndex h : tile.holes)
    if (whole && direct.Overlapping(h))
      groupHere[static_cast<size_t>(direct.overlapOf[At(h)])] = 1;
    else if (direct.On(h) && tilesOf[At(h)] == 1 && Inside(direct.exact[At(h)], tile.box, margin))
      builtHere.push_back(&direct.exact[At(h)]);
    else
      cutHere.push_back(h);
  // Groups of overlapping holes, each built on a worker of its own (one alone on them all).
  std::vector<size_t> groupsHere;
  for (size_t g = 0; g < groupHere.size(); ++g)
    if (groupHere[g]) groupsHere.push_back(g);
  std::vector<std::optional<detail::BuiltOverlaps>> built(groupsHere.size());
  rt::RunOnWorkers(jobs, groupsHere.size(), [&](size_t i) {
    built[i] = detail::BuildOverlaps(*direct.overlaps[groupsHere[i]],
                                     groupsHere.size() == 1 ? jobs : 1);
  });
  std::vector<detail::BuiltOverlaps> groups;
  int grouped = 0;
  for (size_t i = 0; i < groupsHere.size(); ++i) {
    if (!built[i]) throw ExportError("overlapping holes found no closed form");
    groups.push_back(std::move(*built[i]));
    grouped += detail::HolesIn(*direct.overlaps[groupsHere[i]]);
  }
  if (!cutHere.empty()) {
    std::vector<std::vector<TopoDS_Shape>> tools;
    TopTools_ListOfShape objects, toolList;
    objects.Append(solid);
    for (HoleIndex h : cutHere) {
      tools.push_back(holes[At(h)].tools);
      for (TopoDS_Shape& t : tools.back()) t = detail::Realized(t);
      for (const TopoDS_Shape& t : tools.back()) toolList.Append(t);
    }
    BRepAlgoAPI_Cut cut;
    if (!RunBoolean(cut, objects, toolList, Inputs::kShared, shared))
      throw ExportError("cutting the holes out of the part failed: " + BooleanErrors(cut));
    for (size_t i = 0; i < cutHere.size(); ++i)
      for (const TopoDS_Shape& t : tools[i])
        for (TopExp_Explorer f(t, TopAbs_FACE); f.More(); f.Next())
          ForImages(cut, f.Current(),
                    [&](const TopoDS_Shape& img) { BindFirst(out.faceHole, img, cutHere[i]); });
    solid = cut.Shape();
  }
  if (!detail::PutDirectHoles(solid, out.faceHole, builtHere, groups, jobs))
    throw ExportError("a hole built in closed form found no face of the part to open in");
  out.shape = solid;
  out.built = static_cast<int>(builtHere.size()) + grouped;
  return out;
}

// The tiles, which touch only along their seams, fused into one with the glue option: nothing is
// intersected but the coinciding faces. One glue of all the tiles: a tree of glues (pairs or runs
// of neighbours side by side on the workers, then their results) rebuilds every face once a
// round, and its last round alone rebuilds them all; measured on 1 600 holes it cost 9 % more
// processor time with runs of 8 and 36 % with pairs, for the same file.
Assembled Glue(std::vector<Assembled>& pieces, bool shared) {
  if (pieces.size() == 1) return std::move(pieces.front());
  int built = 0;
  for (const Assembled& piece : pieces) built += piece.built;
  TopTools_ListOfShape objects, tools;
  objects.Append(pieces.front().shape);
  for (size_t i = 1; i < pieces.size(); ++i) tools.Append(pieces[i].shape);
  BRepAlgoAPI_Fuse glue;
  glue.SetGlue(BOPAlgo_GlueShift);
  if (!RunBoolean(glue, objects, tools, Inputs::kOwned, shared))
    throw ExportError("joining the part's tiles failed: " + BooleanErrors(glue));
  Assembled out{glue.Shape(), {}, false, built};
  for (const Assembled& piece : pieces)
    for (FaceHoles::Iterator it(piece.faceHole); it.More(); it.Next())
      ForImages(glue, it.Key(), [&](const TopoDS_Shape& img) { out.faceHole.Bind(img, it.Value()); });
  return out;
}

// Faces that lie on one surface and meet, merged into one when they belong to the same hole (or
// both to the part): the faces tile seams split become one again. Where two holes' faces meet on
// one surface (the floors of two overlapping counterbores) the edge between them stays, so that
// a face picked in a view still tells its hole.
Assembled Merged(const Assembled& in) {
  auto owner = [&](const TopoDS_Shape& face) {
    const HoleIndex* h = in.faceHole.Seek(face);
    return h ? static_cast<int64_t>(*h) : -1;
  };
  TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
  TopExp::MapShapesAndAncestors(in.shape, TopAbs_EDGE, TopAbs_FACE, edgeFaces);
  TopTools_MapOfShape keep;
  for (int e = 1; e <= edgeFaces.Extent(); ++e) {
    const TopTools_ListOfShape& faces = edgeFaces(e);
    for (TopTools_ListIteratorOfListOfShape f(faces); f.More(); f.Next())
      if (owner(f.Value()) != owner(faces.First())) {
        keep.Add(edgeFaces.FindKey(e));
        break;
      }
  }
  ShapeUpgrade_UnifySameDomain unify(in.shape, Standard_True, Standard_True, Standard_False);
  unify.KeepShapes(keep);
  unify.AllowInternalEdges(Standard_False);
  unify.Build();
  const Handle(BRepTools_History) history = unify.History();
  FaceHoles merged;
  for (FaceHoles::Iterator it(in.faceHole); it.More(); it.Next()) {
    const TopTools_ListOfShape& images = history->Modified(it.Key());
    if (!images.IsEmpty()) {
      for (TopTools_ListIteratorOfListOfShape im(images); im.More(); im.Next())
        BindFirst(merged, im.Value(), it.Value());
    } else if (!history->IsRemoved(it.Key())) {
      BindFirst(merged, it.Key(), it.Value());
    }
  }
  return {unify.Shape(), std::move(merged), false, in.built};
}

// Cuts the tiles on `jobs` workers, glues them and (optionally) merges the faces their seams
// split, following each tool face to the faces it became.
Assembled Assemble(const PartBase& base, const std::vector<PreparedHole>& holes,
                   const std::vector<Tile>& tiles, const Direct& direct, bool mergeFaces,
                   int jobs) {
  std::vector<int> tilesOf(holes.size(), 0);
  for (const Tile& t : tiles)
    for (HoleIndex h : t.holes) ++tilesOf[At(h)];
  // Fewer tiles than workers (crowded holes make large tiles): the kernel shares each tile's
  // boolean among the cores instead.
  const bool shared = jobs > 1 && tiles.size() < static_cast<size_t>(jobs);
  std::vector<Assembled> cut(tiles.size());
  rt::RunOnWorkers(jobs, tiles.size(), [&](size_t i) {
    // A tile alone has the workers to itself.
    cut[i] = CutTile(base, holes, tiles[i], tiles.size() == 1, tilesOf, direct, shared,
                     tiles.size() == 1 ? jobs : 1);
  });
  std::erase_if(cut, [](const Assembled& a) { return a.empty; });
  if (cut.empty()) throw ExportError("the holes remove the whole part: nothing is left to export");
  // One tile whose holes were all built has no seams and no faces a boolean split.
  if (tiles.size() == 1 && cut.size() == 1 &&
      cut.front().built == static_cast<int>(tiles.front().holes.size())) {
    cut.front().allBuilt = true;
    return std::move(cut.front());
  }
  Assembled out = Glue(cut, jobs > 1);
  std::vector<Assembled>().swap(cut);  // the tiles' own shapes go before the merge makes more
  return mergeFaces ? Merged(out) : out;
}

// Holes, solids, misses and voids of a cut part, from its face map.
void Tally(CutResult& r, const std::vector<PreparedHole>& holes,
           const std::vector<char>& reachedPart) {
  std::vector<char> present(reachedPart.size(), 0), outside(reachedPart.size(), 0),
      inside(reachedPart.size(), 0);
  r.solids = 0;
  for (TopExp_Explorer s(r.shape, TopAbs_SOLID); s.More(); s.Next()) {
    ++r.solids;
    const TopoDS_Solid& solid = TopoDS::Solid(s.Current());
    const TopoDS_Shell outer = BRepClass3d::OuterShell(solid);
    for (TopoDS_Iterator sh(solid); sh.More(); sh.Next())
      for (TopExp_Explorer f(sh.Value(), TopAbs_FACE); f.More(); f.Next()) {
        const std::optional<HoleIndex> h = r.HoleOf(f.Current());
        if (!h || At(*h) >= present.size()) continue;
        present[At(*h)] = 1;
        (sh.Value().IsSame(outer) ? outside : inside)[At(*h)] = 1;
      }
  }
  r.cut.clear();
  r.missed.clear();
  r.voids.clear();
  r.missReasons.clear();
  for (const PreparedHole& p : holes) {
    if (p.tools.empty()) continue;
    const size_t h = At(p.index);
    if (present[h]) {
      r.cut.push_back(p.index);
      if (inside[h] && !outside[h]) r.voids.push_back(p.index);
    } else {
      r.missed.push_back(p.index);
      r.missReasons.push_back(reachedPart[h] ? "it misses the part or lies within other holes"
                                             : "it misses the part");
    }
  }
}

// The tiles of the part's box among the holes that reach it. Holes that overlap their neighbours
// are cut in every tile they reach into, and cutting them costs most where they meet each other:
// the tiles grow with the overlap so that fewer holes straddle seams.
std::vector<Tile> Tiles(const PartBase& base, const std::vector<PreparedHole>& holes,
                        const Box3& root, const std::vector<HoleIndex>& reaching, int tileHoles) {
  std::vector<HoleReach> reach;
  for (const PreparedHole& h : holes) reach.push_back(h.Reach());
  TilingRules rules;
  rules.holesPerTile = tileHoles * std::max(1, Crowding(reach, reaching));
  if (tileHoles <= 0 || static_cast<int>(reaching.size()) <= rules.holesPerTile)
    return {{root, reaching}};
  // Planar faces of an imported part square to an axis: seams keep clear of them too.
  for (const Bnd_Box& box : base.planarFaceBoxes) {
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    const double lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
    for (int k = 0; k < 3; ++k)
      if (hi[k] - lo[k] < 1e-6) rules.partPlanes[k].push_back((lo[k] + hi[k]) / 2);
  }
  return SplitAmongHoles(root, reach, reaching, rules);
}

// The volume a profile of (radius, depth) vertices sweeps about its axis: the frustums under its
// edges, added with their signs.
double ProfileVolume(const std::vector<detail::Pt>& v) {
  double sum = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    const detail::Pt& a = v[i];
    const detail::Pt& b = v[(i + 1) % v.size()];
    sum += (a[0] * a[0] + a[0] * b[0] + b[0] * b[0]) * (b[1] - a[1]);
  }
  return std::fabs(sum) * M_PI / 3;
}

// The holes of `reaching` that may be built in closed form: candidates whose exact tools fit
// the block, apart from every other hole.
Direct DirectHoles(const PartInput& part, const PartBase& base,
                   const std::vector<PreparedHole>& holes, const std::vector<HoleIndex>& reaching,
                   bool overlaps, int jobs) {
  Direct direct;
  detail::PartBase none;  // no part to lift the mouth out of: the tools as profiled
  detail::ToolMaker exactMaker(none);
  std::vector<HoleReach> reach;
  for (const PreparedHole& h : holes) reach.push_back(h.Reach());
  const double margin = std::max(0.01, 1e-6 * base.Size());
  const std::vector<std::vector<HoleIndex>> groups =
      MeetingGroups(reach, reaching, margin);
  std::vector<char> grouped(holes.size(), 0);
  for (const std::vector<HoleIndex>& g : groups)
    for (HoleIndex h : g) grouped[At(h)] = g.size() > 1 ? 2 : 1;  // 1: apart
  std::atomic<bool> any{false};
  std::vector<PreparedHole> exact(holes.size());
  rt::RunOnWorkers(jobs, reaching.size(), [&](size_t i) {
    const HoleIndex h = reaching[i];
    if ((grouped[At(h)] != 1 && !overlaps) || !detail::DirectCandidate(base, part.holes[At(h)]))
      return;
    std::vector<std::string> ignored;  // said when the hole was prepared
    PreparedHole e = exactMaker.Prepare(part.holes[At(h)], h, ignored);
    if (!(grouped[At(h)] == 1 ? detail::DirectFits(base, e) : detail::OverlapFits(base, e)))
      return;
    if (grouped[At(h)] == 1) e.exitDepth = detail::ExitDepth(base, e);
    exact[At(h)] = std::move(e);
    any = true;
  });
  if (!any) return direct;
  direct.exact = std::move(exact);
  if (!overlaps) return direct;
  // Groups of overlapping holes that may be built as one: every hole a candidate that fits, and
  // nothing else within the group's box (a hole standing in the material between them).
  std::vector<std::pair<std::vector<const PreparedHole*>, Box3>> candidates;
  for (const std::vector<HoleIndex>& g : groups) {
    if (g.size() < 2) continue;
    std::vector<const PreparedHole*> members;
    Box3 box = reach[At(g.front())].box;
    for (HoleIndex h : g) {
      if (direct.exact[At(h)].tools.empty()) break;
      members.push_back(&direct.exact[At(h)]);
      for (int k = 0; k < 3; ++k) {
        box.lo[k] = std::min(box.lo[k], reach[At(h)].box.lo[k]);
        box.hi[k] = std::max(box.hi[k], reach[At(h)].box.hi[k]);
      }
    }
    if (members.size() == g.size()) candidates.emplace_back(std::move(members), box);
  }
  direct.overlapOf.assign(holes.size(), -1);
  // The reaching holes by the low x of their boxes: those that may meet a group's box lie in a
  // stretch of that order no wider than the widest box.
  std::vector<HoleIndex> byX = reaching;
  std::sort(byX.begin(), byX.end(), [&](HoleIndex a, HoleIndex b) {
    return reach[At(a)].box.lo[0] < reach[At(b)].box.lo[0];
  });
  double widest = 0;
  for (HoleIndex h : reaching) widest = std::max(widest, reach[At(h)].box.hi[0] - reach[At(h)].box.lo[0]);
  std::vector<char> member(holes.size(), 0);
  bool brokenOut = false;  // the block's faces can be rebuilt round one group only
  for (const auto& [members, box] : candidates) {
    const int group = static_cast<int>(direct.overlaps.size());
    for (const PreparedHole* m : members) member[At(m->index)] = 1;
    bool alone = true;
    auto from = std::lower_bound(byX.begin(), byX.end(), box.lo[0] - widest,
                                 [&](HoleIndex h, double x) { return reach[At(h)].box.lo[0] < x; });
    for (auto it = from; it != byX.end() && reach[At(*it)].box.lo[0] < box.hi[0] && alone; ++it) {
      const Box3& b = reach[At(*it)].box;
      bool meets = true;
      for (int k = 0; k < 3; ++k) meets = meets && b.lo[k] < box.hi[k] && b.hi[k] > box.lo[k];
      alone = !meets || member[At(*it)];
    }
    for (const PreparedHole* m : members) member[At(m->index)] = 0;
    if (!alone) continue;
    std::shared_ptr<const detail::OverlapPlan> plan =
        detail::PlanOverlaps(members, base.lo, base.hi, 1e-5);
    if (!plan || (detail::BreaksOut(*plan) && brokenOut)) continue;
    brokenOut = brokenOut || detail::BreaksOut(*plan);
    direct.overlaps.push_back(std::move(plan));
    for (const PreparedHole* m : members) direct.overlapOf[At(m->index)] = group;
  }
  // Holes that overlap but found no group to be built with are cut.
  for (HoleIndex h : reaching)
    if (grouped[At(h)] == 2 && !direct.Overlapping(h)) direct.exact[At(h)] = PreparedHole{};
  return direct;
}

}  // namespace

CutResult CutHoles(const PartInput& part, const CutOptions& options) {
  QuietKernelMessages();
  const int jobs = options.jobs > 0 ? options.jobs : rt::AllCores();
  auto base = std::make_shared<PartBase>(detail::MakePartBase(part));
  CutResult result;
  result.base = base;

  // Holes built in closed form are never cut: their tools are made when a tile cuts them.
  detail::ToolMaker maker(*base, /*placed=*/true);
  std::vector<PreparedHole> holes(part.holes.size());
  std::vector<std::vector<std::string>> warned(part.holes.size());
  rt::RunOnWorkers(jobs, holes.size(), [&](size_t i) {
    holes[i] = maker.Prepare(part.holes[i], HoleIndex(i), warned[i]);
  });
  for (const std::vector<std::string>& w : warned)
    result.warnings.insert(result.warnings.end(), w.begin(), w.end());

  // Tiles cover the part's box: exactly for a box, with room to spare around anything else so
  // that no seam lies in the plane of one of its faces.
  Box3 root{base->lo, base->hi};
  if (!base->isBox) {
    const double pad = 1 + 0.01 * base->Size();
    for (int k = 0; k < 3; ++k) {
      root.lo[k] -= pad;
      root.hi[k] += pad;
    }
  }
  result.holeBoxes.assign(holes.size(), {});
  for (const PreparedHole& h : holes)
    if (!h.tools.empty())
      result.holeBoxes[At(h.index)] = {h.lo[0], h.lo[1], h.lo[2], h.hi[0], h.hi[1], h.hi[2]};
  std::vector<HoleIndex> reaching;
  std::vector<char> reachedPart(part.holes.size(), 0);
  for (const PreparedHole& h : holes) {
    bool meets = !h.tools.empty();
    for (int k = 0; k < 3; ++k) meets = meets && h.hi[k] >= root.lo[k] && h.lo[k] <= root.hi[k];
    if (!meets) continue;
    reaching.push_back(h.index);
    reachedPart[At(h.index)] = 1;
  }

  const std::vector<Tile> whole{{root, reaching}};
  const Direct direct =
      options.directHoles
          ? DirectHoles(part, *base, holes, reaching, options.overlapsInClosedForm, jobs)
          : Direct{};
  // Holes all built in closed form need no tiles to keep booleans small; the faces stay whole
  // unless a mesh wants them split (meshing a face of a thousand holes at once is slow).
  const bool allDirect = !direct.exact.empty() &&
                         std::all_of(reaching.begin(), reaching.end(),
                                     [&](HoleIndex h) {
                                       return direct.On(h) || direct.Overlapping(h);
                                     });
  const std::vector<Tile> tiles = allDirect && (options.mergeFaces || options.wholeWhenBuilt)
                                      ? whole
                                      : Tiles(*base, holes, root, reaching, options.tileHoles);
  auto attempt = [&](const std::vector<Tile>& t, const Direct& d) {
    Assembled a = Assemble(*base, holes, t, d, options.mergeFaces, jobs);
    result.built = a.built;
    result.removedVolume.reset();
    result.closedForm.clear();
    result.overlapGroups.clear();
    if (a.allBuilt) {
      result.overlapGroups.resize(d.overlaps.size());
      double removed = 0;
      bool blind = true;
      for (HoleIndex h : t.front().holes) {
        if (d.Overlapping(h)) {
          result.overlapGroups[static_cast<size_t>(d.overlapOf[At(h)])].push_back(h);
          continue;
        }
        const PreparedHole& e = d.exact[At(h)];
        removed += ProfileVolume(e.vertices);
        blind = blind && e.exitDepth == 0;
        result.closedForm.push_back({h, e.origin, e.axis, e.vertices});
      }
      // The profile mesher takes blind holes one by one: only a part without groups or holes
      // that go through is its.
      if (!d.overlaps.empty() || !blind) result.closedForm.clear();
      for (const auto& plan : d.overlaps) removed += detail::RemovedVolume(*plan);
      result.removedVolume = removed;
    }
    result.shape = a.shape;
    result.faceHole = std::move(a.faceHole);
    result.tiles = static_cast<int>(t.size());
    if (!TopExp_Explorer(result.shape, TopAbs_SOLID).More())
      throw ExportError("the holes remove the whole part: nothing is left to export");
    // Faces built in closed form are valid as made: only how they close up is checked. (Holes
    // built together too: checking their walls and floors face by face would take twice as long
    // as building them.)
    const detail::CheckFailure bad =
        detail::CheckSolid(result.shape, result.faceHole, jobs, !a.allBuilt);
    if (bad.failed) {
      std::string near;
      if (bad.hole) near = " near " + detail::HoleLabel(part.holes[At(*bad.hole)], *bad.hole);
      throw ExportError("cutting the holes out of the part gave an invalid solid" + near + " (" +
                        bad.what + "); nothing was written");
    }
  };
  // Closed forms and tiling are only ways to be quick: when they fail, every hole cut in the
  // tiles, then in one boolean over the whole part, are the answers to compare with.
  std::vector<std::pair<const std::vector<Tile>*, Direct>> ways;
  if (!direct.exact.empty()) ways.push_back({&tiles, direct});
  ways.push_back({&tiles, Direct{}});
  if (tiles.size() > 1) ways.push_back({&whole, Direct{}});
  try {
    for (size_t w = 0;; ++w) {
      try {
        attempt(*ways[w].first, ways[w].second);
        break;
      } catch (const ExportError&) {
        if (w + 1 == ways.size()) throw;
      } catch (const Standard_Failure&) {
        if (w + 1 == ways.size()) throw;
      }
    }
  } catch (const Standard_Failure& f) {
    throw ExportError("the geometry kernel failed while cutting the holes: " + KernelFailure(f));
  }
  Tally(result, holes, reachedPart);
  if (result.solids == 0)
    throw ExportError("the holes remove the whole part: nothing is left to export");
  return result;
}

TopoDS_Shape CutPart(const PartInput& part, ExportSummary* summary) {
  CutResult r = CutHoles(part);
  if (summary) {
    summary->holesCut = static_cast<int>(r.cut.size());
    summary->solids = r.solids;
    summary->warnings = std::move(r.warnings);
  }
  return r.shape;
}

}  // namespace cavix::exporter
