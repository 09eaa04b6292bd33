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
#include <TopTools_DataMapIteratorOfDataMapOfShapeInteger.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <optional>
#include <sstream>

#include "export/occ_internal.h"
#include "export/occ_part.h"

namespace cavix::exporter {

using detail::PartBase;
using detail::PreparedHole;
using detail::ForImages;

int CutResult::HoleOf(const TopoDS_Shape& face) const {
  const int* h = faceHole.Seek(face);
  return h ? *h : -1;
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

double SolidVolume(const TopoDS_Shape& shape) {
  // Each face's share of the divergence integral, all taken about one point near the solids.
  Bnd_Box box;
  BRepBndLib::Add(shape, box, Standard_False);
  if (box.IsVoid()) return 0;
  double x0, y0, z0, x1, y1, z1;
  box.Get(x0, y0, z0, x1, y1, z1);
  BRepGProp_Vinert integral;
  integral.SetLocation(gp_Pnt((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2));
  BRepGProp_Face surface;
  BRepGProp_Domain domain;
  double volume = 0;
  for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next())
    for (TopExp_Explorer f(s.Current(), TopAbs_FACE); f.More(); f.Next()) {
      const TopoDS_Face& face = TopoDS::Face(f.Current());
      if (face.Orientation() != TopAbs_FORWARD && face.Orientation() != TopAbs_REVERSED) continue;
      surface.Load(face);
      domain.Init(face);
      if (GaussExact(face))
        integral.Perform(surface, domain);
      else
        integral.Perform(surface, domain, 1e-10);
      volume += integral.Mass();
    }
  return volume;
}

namespace {

struct Region {
  std::array<double, 3> lo, hi;
};

struct Tile {
  Region region;
  std::vector<int> holes;  // into the prepared holes
};

// Splits the part's box into tiles of about `perTile` holes, as a k-d tree on the holes' centres.
// Each seam goes through a gap between holes where the holes leave one near the middle; where
// they do not, it goes between two centres, kept clear of every face of the tools it crosses
// (a seam tangent to a bore, or in the plane of a counterbore's floor, would leave slivers).
class Tiler {
 public:
  Tiler(const PartBase& base, const std::vector<PreparedHole>& holes, int perTile)
      : base_(base), holes_(holes), perTile_(std::max(perTile, 1)) {
    // Planar faces of an imported part square to an axis: seams keep clear of them too.
    for (const Bnd_Box& box : base.planarFaceBoxes) {
      double x0, y0, z0, x1, y1, z1;
      box.Get(x0, y0, z0, x1, y1, z1);
      const double lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
      for (int k = 0; k < 3; ++k)
        if (hi[k] - lo[k] < 1e-6) partPlanes_[k].push_back((lo[k] + hi[k]) / 2);
    }
  }

  std::vector<Tile> Make(const Region& root, const std::vector<int>& holes) {
    tiles_.clear();
    Split(root, holes, 0);
    return std::move(tiles_);
  }

 private:
  double Centre(int h, int axis) const { return (holes_[h].lo[axis] + holes_[h].hi[axis]) / 2; }

  void Split(const Region& region, const std::vector<int>& holes, int depth) {
    if (static_cast<int>(holes.size()) > perTile_ && depth < 64) {
      // Try the axis along which the centres spread most first.
      std::array<double, 3> spread{};
      for (int k = 0; k < 3; ++k) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (int h : holes) {
          lo = std::min(lo, Centre(h, k));
          hi = std::max(hi, Centre(h, k));
        }
        spread[k] = hi - lo;
      }
      std::array<int, 3> axes{0, 1, 2};
      std::stable_sort(axes.begin(), axes.end(),
                       [&](int a, int b) { return spread[a] > spread[b]; });
      for (int axis : axes) {
        if (spread[axis] <= 1e-9) break;
        std::vector<int> sorted = holes;
        const std::optional<double> at = FindSplit(axis, region, sorted);
        if (!at) continue;
        std::vector<int> below, above;
        for (int h : holes) {
          if (holes_[h].lo[axis] < *at) below.push_back(h);
          if (holes_[h].hi[axis] > *at) above.push_back(h);
        }
        if (below.size() == holes.size() || above.size() == holes.size()) continue;
        Region low = region, high = region;
        low.hi[axis] = *at;
        high.lo[axis] = *at;
        Split(low, below, depth + 1);
        Split(high, above, depth + 1);
        return;
      }
    }
    tiles_.push_back({region, holes});
  }

  bool Inside(const Region& region, int axis, double at) const {
    const double margin = 0.01 + 1e-9 * base_.Size();
    return at > region.lo[axis] + margin && at < region.hi[axis] - margin;
  }

  bool ClearOfPart(int axis, double at) const {
    for (double p : partPlanes_[axis])
      if (std::fabs(at - p) < 0.01) return false;
    return true;
  }

  // No tool that the plane crosses has a face tangent to it or lying in it.
  bool ClearOfTools(int axis, double at, const std::vector<int>& holes) const {
    for (int h : holes) {
      const PreparedHole& p = holes_[h];
      if (!(p.lo[axis] < at && at < p.hi[axis])) continue;
      const double eps = std::max(0.01, 0.02 * p.largestRadius);
      const double across = std::sqrt(std::max(0.0, 1 - p.axis[axis] * p.axis[axis]));
      for (const auto& v : p.vertices) {
        const double c = p.origin[axis] + v[1] * p.axis[axis], s = v[0] * across;
        if (std::fabs(at - (c - s)) < eps || std::fabs(at - (c + s)) < eps) return false;
      }
    }
    return true;
  }

  std::optional<double> FindSplit(int axis, const Region& region, std::vector<int>& holes) const {
    std::sort(holes.begin(), holes.end(),
              [&](int a, int b) { return Centre(a, axis) < Centre(b, axis); });
    const int n = static_cast<int>(holes.size());
    std::vector<double> highest(n), lowest(n);
    for (int i = 0; i < n; ++i)
      highest[i] = std::max(i ? highest[i - 1] : -HUGE_VAL, holes_[holes[i]].hi[axis]);
    for (int i = n - 1; i >= 0; --i)
      lowest[i] = std::min(i + 1 < n ? lowest[i + 1] : HUGE_VAL, holes_[holes[i]].lo[axis]);
    // Candidates from the middle outwards, no further than the quartiles.
    std::vector<int> order;
    for (int step = 0; step <= n / 4; ++step) {
      for (int i : {n / 2 - step, n / 2 + step})
        if (i >= 1 && i <= n - 1 && std::find(order.begin(), order.end(), i) == order.end())
          order.push_back(i);
    }
    for (int i : order) {
      if (!(highest[i - 1] < lowest[i])) continue;
      const double at = (highest[i - 1] + lowest[i]) / 2;
      if (Inside(region, axis, at) && ClearOfPart(axis, at)) return at;
    }
    for (int i : order) {
      const double a = Centre(holes[i - 1], axis), b = Centre(holes[i], axis);
      if (b - a <= 1e-9) continue;
      for (double f : {0.5, 0.3, 0.7, 0.15, 0.85}) {
        const double at = a + f * (b - a);
        if (Inside(region, axis, at) && ClearOfPart(axis, at) && ClearOfTools(axis, at, holes))
          return at;
      }
    }
    return std::nullopt;
  }

  const PartBase& base_;
  const std::vector<PreparedHole>& holes_;
  const int perTile_;
  std::vector<double> partPlanes_[3];
  std::vector<Tile> tiles_;
};

// How many other holes' boxes the box of a hole meets, on average (a grid of buckets the size of
// the largest hole keeps it linear).
int Crowding(const std::vector<PreparedHole>& holes, const std::vector<int>& which) {
  if (which.size() < 2) return 0;
  double cell = 0;
  for (int h : which)
    for (int k = 0; k < 3; ++k) cell = std::max(cell, holes[h].hi[k] - holes[h].lo[k]);
  cell = std::max(cell, 1e-6);
  std::map<std::array<long long, 3>, std::vector<int>> buckets;
  auto key = [&](int h) {
    std::array<long long, 3> k;
    for (int a = 0; a < 3; ++a) k[a] = static_cast<long long>(std::floor(holes[h].lo[a] / cell));
    return k;
  };
  for (int h : which) buckets[key(h)].push_back(h);
  long long meetings = 0;
  for (int h : which) {
    const auto k = key(h);
    for (long long dx = -1; dx <= 1; ++dx)
      for (long long dy = -1; dy <= 1; ++dy)
        for (long long dz = -1; dz <= 1; ++dz) {
          const auto it = buckets.find({k[0] + dx, k[1] + dy, k[2] + dz});
          if (it == buckets.end()) continue;
          for (int o : it->second) {
            if (o == h) continue;
            bool meet = true;
            for (int a = 0; a < 3; ++a)
              meet = meet && holes[o].lo[a] < holes[h].hi[a] && holes[h].lo[a] < holes[o].hi[a];
            meetings += meet;
          }
        }
  }
  return static_cast<int>(meetings / static_cast<long long>(which.size()));
}

bool Overlaps(const PreparedHole& h, const Region& r) {
  for (int k = 0; k < 3; ++k)
    if (h.hi[k] < r.lo[k] || h.lo[k] > r.hi[k]) return false;
  return true;
}

std::string BooleanErrors(BRepAlgoAPI_BuilderAlgo& op) {
  std::ostringstream os;
  op.DumpErrors(os);
  std::string s = os.str();
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "the kernel gave no reason" : s;
}

// One tile of the part: the box itself for a box-shaped part, else the part's solid within it.
TopoDS_Shape TileSolid(const PartBase& base, const Region& r, bool whole) {
  if (whole) return base.solid;
  const TopoDS_Shape box =
      BRepPrimAPI_MakeBox(gp_Pnt(r.lo[0], r.lo[1], r.lo[2]), gp_Pnt(r.hi[0], r.hi[1], r.hi[2]))
          .Shape();
  if (base.isBox) return box;
  BRepAlgoAPI_Common common(base.solid, box);
  if (!common.IsDone() || common.HasErrors())
    throw ExportError("cutting the part into tiles failed: " + BooleanErrors(common));
  return common.Shape();
}

struct Assembled {
  TopoDS_Shape shape;
  TopTools_DataMapOfShapeInteger faceHole;
};

Assembled Glue(const std::vector<TopoDS_Shape>& pieces,
               const std::vector<TopTools_DataMapOfShapeInteger>& pieceMaps);
Assembled Merged(const Assembled& in);

// Cuts each tile, glues the tiles and (optionally) merges the faces their seams split, following
// each tool face to the faces it became.
Assembled Assemble(const PartBase& base, const std::vector<PreparedHole>& holes,
                   const std::vector<Tile>& tiles, bool mergeFaces) {
  const bool single = tiles.size() == 1;
  std::vector<TopoDS_Shape> pieces;
  std::vector<TopTools_DataMapOfShapeInteger> pieceMaps;
  for (const Tile& tile : tiles) {
    const TopoDS_Shape solid = TileSolid(base, tile.region, single);
    TopExp_Explorer anySolid(solid, TopAbs_SOLID);
    if (!anySolid.More()) continue;  // no material in this tile (an imported part's notch)
    TopTools_DataMapOfShapeInteger map;
    if (tile.holes.empty()) {
      pieces.push_back(solid);
      pieceMaps.push_back(map);
      continue;
    }
    TopTools_ListOfShape args, tools;
    args.Append(solid);
    for (int h : tile.holes)
      for (const TopoDS_Shape& t : holes[h].tools) tools.Append(t);
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(args);
    cut.SetTools(tools);
    cut.SetRunParallel(Standard_False);
    cut.SetUseOBB(Standard_True);
    cut.SetNonDestructive(Standard_True);
    cut.SetCheckInverted(Standard_False);  // the tools are turned outwards when they are made
    cut.Build();
    if (!cut.IsDone() || cut.HasErrors())
      throw ExportError("cutting the holes out of the part failed: " + BooleanErrors(cut));
    // Where two tools' faces coincide the piece is both's: it goes to the first hole.
    for (int h : tile.holes)
      for (const TopoDS_Shape& t : holes[h].tools)
        for (TopExp_Explorer f(t, TopAbs_FACE); f.More(); f.Next())
          ForImages(cut, f.Current(), [&](const TopoDS_Shape& img) {
            int* was = map.ChangeSeek(img);
            if (!was)
              map.Bind(img, holes[h].index);
            else
              *was = std::min(*was, holes[h].index);
          });
    pieces.push_back(cut.Shape());
    pieceMaps.push_back(std::move(map));
  }
  if (pieces.empty())
    throw ExportError("the holes remove the whole part: nothing is left to export");
  Assembled out;
  if (pieces.size() == 1) {
    out = {pieces[0], pieceMaps[0]};
  } else {
    out = Glue(pieces, pieceMaps);
  }
  return mergeFaces ? Merged(out) : out;
}

// The tiles touch only along their seams: the glue option fuses them without intersecting
// anything but the coinciding faces.
Assembled Glue(const std::vector<TopoDS_Shape>& pieces,
               const std::vector<TopTools_DataMapOfShapeInteger>& pieceMaps) {
  TopTools_ListOfShape first, rest;
  first.Append(pieces[0]);
  for (size_t i = 1; i < pieces.size(); ++i) rest.Append(pieces[i]);
  BRepAlgoAPI_Fuse glue;
  glue.SetArguments(first);
  glue.SetTools(rest);
  glue.SetGlue(BOPAlgo_GlueShift);
  glue.SetRunParallel(Standard_False);
  glue.Build();
  if (!glue.IsDone() || glue.HasErrors())
    throw ExportError("joining the part's tiles failed: " + BooleanErrors(glue));
  Assembled out{glue.Shape(), {}};
  for (const auto& map : pieceMaps)
    for (TopTools_DataMapIteratorOfDataMapOfShapeInteger it(map); it.More(); it.Next())
      ForImages(glue, it.Key(),
                [&](const TopoDS_Shape& img) { out.faceHole.Bind(img, it.Value()); });
  return out;
}

// Faces that lie on one surface and meet, merged into one when they belong to the same hole (or
// both to the part): the faces tile seams split become one again. Where two holes' faces meet on
// one surface (the floors of two overlapping counterbores) the edge between them stays, so that
// a face picked in a view still tells its hole.
Assembled Merged(const Assembled& in) {
  auto owner = [&](const TopoDS_Shape& face) {
    const int* h = in.faceHole.Seek(face);
    return h ? *h : -1;
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
  TopTools_DataMapOfShapeInteger merged;
  auto bind = [&](const TopoDS_Shape& face, int hole) {
    int* was = merged.ChangeSeek(face);
    if (!was)
      merged.Bind(face, hole);
    else
      *was = std::min(*was, hole);
  };
  for (TopTools_DataMapIteratorOfDataMapOfShapeInteger it(in.faceHole); it.More(); it.Next()) {
    const TopTools_ListOfShape& images = history->Modified(it.Key());
    if (!images.IsEmpty()) {
      for (TopTools_ListIteratorOfListOfShape im(images); im.More(); im.Next())
        bind(im.Value(), it.Value());
    } else if (!history->IsRemoved(it.Key())) {
      bind(it.Key(), it.Value());
    }
  }
  return {unify.Shape(), std::move(merged)};
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
        const int h = r.HoleOf(f.Current());
        if (h < 0 || h >= static_cast<int>(present.size())) continue;
        present[h] = 1;
        (sh.Value().IsSame(outer) ? outside : inside)[h] = 1;
      }
  }
  r.cut.clear();
  r.missed.clear();
  r.voids.clear();
  r.missReasons.clear();
  for (const PreparedHole& p : holes) {
    if (p.tools.empty()) continue;
    const int h = p.index;
    if (present[h]) {
      r.cut.push_back(h);
      if (inside[h] && !outside[h]) r.voids.push_back(h);
    } else {
      r.missed.push_back(h);
      r.missReasons.push_back(reachedPart[h] ? "it misses the part or lies within other holes"
                                             : "it misses the part");
    }
  }
}

}  // namespace

CutResult CutHoles(const PartInput& part, const CutOptions& options) {
  detail::QuietKernelMessages();
  auto base = std::make_shared<PartBase>(detail::MakePartBase(part));
  CutResult result;
  result.base = base;

  detail::ToolMaker maker(*base);
  std::vector<PreparedHole> holes;
  for (size_t i = 0; i < part.holes.size(); ++i)
    holes.push_back(maker.Prepare(part.holes[i], static_cast<int>(i), result.warnings));

  // Tiles cover the part's box: exactly for a box, with room to spare around anything else so
  // that no seam lies in the plane of one of its faces.
  Region root{base->lo, base->hi};
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
      result.holeBoxes[static_cast<size_t>(h.index)] = {h.lo[0], h.lo[1], h.lo[2],
                                                        h.hi[0], h.hi[1], h.hi[2]};
  std::vector<int> reaching;
  std::vector<char> reachedPart(part.holes.size(), 0);
  for (size_t i = 0; i < holes.size(); ++i)
    if (!holes[i].tools.empty() && Overlaps(holes[i], root)) {
      reaching.push_back(static_cast<int>(i));
      reachedPart[i] = 1;
    }

  const std::vector<Tile> whole{{root, reaching}};
  std::vector<Tile> tiles = whole;
  // Holes that overlap their neighbours are cut in every tile they reach into, and cutting them
  // costs most where they meet each other: the tiles grow with the overlap so that fewer holes
  // straddle seams.
  const int perTile = options.tileHoles * std::max(1, Crowding(holes, reaching));
  if (options.tileHoles > 0 && static_cast<int>(reaching.size()) > perTile)
    tiles = Tiler(*base, holes, perTile).Make(root, reaching);

  auto attempt = [&](const std::vector<Tile>& t) {
    Assembled a = Assemble(*base, holes, t, options.mergeFaces);
    result.shape = a.shape;
    result.faceHole = std::move(a.faceHole);
    result.tiles = static_cast<int>(t.size());
    TopExp_Explorer anySolid(result.shape, TopAbs_SOLID);
    if (!anySolid.More())
      throw ExportError("the holes remove the whole part: nothing is left to export");
    const detail::CheckFailure bad = detail::CheckSolid(result.shape, result.faceHole);
    if (bad.failed) {
      std::string near;
      if (bad.hole >= 0)
        near = " near " + detail::HoleLabel(part.holes[static_cast<size_t>(bad.hole)], bad.hole);
      throw ExportError("cutting the holes out of the part gave an invalid solid" + near + " (" +
                        bad.what + "); nothing was written");
    }
  };
  try {
    try {
      attempt(tiles);
    } catch (const ExportError&) {
      if (tiles.size() == 1) throw;
      // Tiling is only a way to be quick: when its seams upset the kernel, the whole part in one
      // boolean is the answer to compare with.
      attempt(whole);
    } catch (const Standard_Failure&) {
      if (tiles.size() == 1) throw;
      attempt(whole);
    }
  } catch (const Standard_Failure& f) {
    throw ExportError("the geometry kernel failed while cutting the holes: " +
                      detail::KernelFailure(f));
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
