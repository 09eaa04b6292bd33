// The shown part's cells: dividing the solid between the holes, cutting a cell from its base or
// one more hole from what it shows, which hole made each face, the edges to draw, the mesh.
#include "part_solid/shown_part.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Common.hxx>
#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBndLib.hxx>
#include <BRepBuilderAPI_Copy.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRep_Builder.hxx>
#include <BRep_Tool.hxx>
#include <Standard_Failure.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedDataMapOfShapeListOfShape.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopTools_MapOfShape.hxx>
#include <TopoDS.hxx>
#include <gp_Trsf.hxx>
#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "export/occ_kernel.h"
#include "export/occ_part.h"
#include "export/tiling.h"
#include "runtime/workers.h"
#include "part_solid/part_solid.h"
#include "runtime/error.h"

namespace cavix::partsolid {

namespace {

using exporter::KernelFailure;

constexpr double kInf = std::numeric_limits<double>::infinity();
// Largest angle between the mesh's segments of a curved edge: about 20 degrees, so that the
// smallest hole is still drawn round.
constexpr double kMeshAngle = 0.35;

bool SameHole(const exporter::HoleSolidInput& a, const exporter::HoleSolidInput& b) {
  return a.chains == b.chains && a.position == b.position && a.normal == b.normal;
}

std::string IdText(HoleId id) { return std::to_string(static_cast<int32_t>(id)); }

TopoDS_Shape MakeBox(const std::array<double, 3>& lo, const std::array<double, 3>& hi) {
  return BRepPrimAPI_MakeBox(gp_Pnt(lo[0], lo[1], lo[2]), gp_Pnt(hi[0], hi[1], hi[2])).Shape();
}

// Cells are cut side by side (one per worker) and the kernel may widen the tolerances of what it
// is given: a shape other cells use too (the part's solid) is given as shared, and the cuts get
// copies of the hole tools (copying is far cheaper than a cut that must leave its arguments
// alone).
bool Build(BRepAlgoAPI_BooleanOperation& op, const TopoDS_Shape& object,
           const TopTools_ListOfShape& tools, exporter::Inputs inputs = exporter::Inputs::kOwned) {
  TopTools_ListOfShape objects;
  objects.Append(object);
  return exporter::RunBoolean(op, objects, tools, inputs);
}

// A cell's own copies of a hole's tools.
std::vector<TopoDS_Shape> Copies(const std::vector<TopoDS_Shape>& tools) {
  std::vector<TopoDS_Shape> copies;
  for (const TopoDS_Shape& t : tools)
    copies.push_back(BRepBuilderAPI_Copy(t, Standard_False, Standard_True).Shape());
  return copies;
}

// Notes what a face of a cut's input became in its result as made by hole `id`: the face itself
// when the cut left it whole, else its pieces.
void Record(BRepAlgoAPI_BooleanOperation& op, const TopoDS_Shape& face, HoleId id,
            FaceOwners& owners) {
  if (op.IsDeleted(face)) return;
  const TopTools_ListOfShape& pieces = op.Modified(face);
  if (pieces.IsEmpty()) {
    owners.Bind(face, id);
    return;
  }
  for (TopTools_ListIteratorOfListOfShape it(pieces); it.More(); it.Next())
    owners.Bind(it.Value(), id);
}

void RecordTools(BRepAlgoAPI_BooleanOperation& op, const std::vector<TopoDS_Shape>& tools,
                 HoleId id, FaceOwners& owners) {
  for (const TopoDS_Shape& tool : tools)
    for (TopExp_Explorer ex(tool, TopAbs_FACE); ex.More(); ex.Next())
      Record(op, ex.Current(), id, owners);
}

// The kernel's history may name pieces of a tool's face that did not make it into the result
// (where holes meet); only faces of the result are kept.
void KeepFacesOf(const TopoDS_Shape& result, FaceOwners& owners) {
  TopTools_IndexedMapOfShape faces;
  TopExp::MapShapes(result, TopAbs_FACE, faces);
  FaceOwners kept;
  for (FaceOwners::Iterator it(owners); it.More(); it.Next())
    if (faces.Contains(it.Key())) kept.Bind(it.Key(), it.Value());
  owners = std::move(kept);
}

std::array<double, 6> Extent(const Bnd_Box& box) {
  std::array<double, 6> e{};
  box.Get(e[0], e[1], e[2], e[3], e[4], e[5]);
  return e;
}

}  // namespace

// ---- holes ----

ShownPart::Tooling ShownPart::MakeTooling(const exporter::HoleSolidInput& hole, size_t index) {
  Tooling t;
  t.input = hole;
  // Holes of one profile along one axis are one solid moved: made and meshed once, their faces
  // that no cut touches keep that mesh in every cell (copies of a tool keep their mesh).
  const Prototype* proto = nullptr;
  if (!hole.chains.empty()) {
    const auto found = prototypes_.find({hole.chains, hole.normal});
    if (found != prototypes_.end()) proto = &found->second;
  }
  if (proto) {
    gp_Trsf move;
    move.SetTranslation(gp_Vec(hole.position[0] - proto->position[0],
                               hole.position[1] - proto->position[1],
                               hole.position[2] - proto->position[2]));
    for (const TopoDS_Shape& tool : proto->tools) t.tools.push_back(tool.Moved(TopLoc_Location(move)));
  } else {
    std::vector<std::string> warnings;
    try {
      t.tools = exporter::MakeHoleTools(hole, exporter::HoleIndex(index), warnings);
    } catch (const std::exception& e) {
      t.warning = e.what();
    }
    // A hole just dropped has no profile until its dialog makes one: nothing to say about it.
    if (t.warning.empty() && !hole.chains.empty() && !warnings.empty())
      t.warning = warnings.front();
    if (t.warning.empty() && !t.tools.empty()) {
      for (const TopoDS_Shape& tool : t.tools)
        BRepMesh_IncrementalMesh(tool, deflection_, Standard_False, kMeshAngle, Standard_False);
      prototypes_[{hole.chains, hole.normal}] = {t.tools, hole.position};
    }
  }
  for (const TopoDS_Shape& tool : t.tools) BRepBndLib::Add(tool, t.box);
  return t;
}

bool ShownPart::Reaches(const Tooling& t, const Cell& c) const {
  if (t.tools.empty() || t.box.IsVoid()) return false;
  const std::array<double, 6> e = Extent(t.box);
  for (size_t k = 0; k < 3; ++k) {
    const double lo = c.cutLo[k] ? c.lo[k] : -kInf, hi = c.cutHi[k] ? c.hi[k] : kInf;
    if (e[k + 3] < lo || e[k] > hi) return false;
  }
  return true;
}

// ---- dividing ----

void ShownPart::Divide(const Cell& region, const std::vector<HoleId>& holes,
                       std::vector<Cell>& out) const {
  // The export's tiling, with cells of a few holes: a cell is what a drop cuts and meshes again.
  std::vector<exporter::HoleReach> reach;
  std::vector<exporter::HoleIndex> which;
  for (HoleId id : holes) {
    const Tooling& t = tooling_.at(id);
    const std::array<double, 6> e = Extent(t.box);
    const auto& n = t.input.normal;
    const double len = std::hypot(n[0], n[1], n[2]);
    std::vector<std::array<double, 2>> vertices;  // (radius, depth)
    double largest = 0;
    for (const exporter::ProfileChain& chain : t.input.chains)
      for (const auto& p : chain) {
        vertices.push_back({p[0], -p[1]});
        largest = std::max(largest, p[0]);
      }
    which.push_back(exporter::HoleIndex(static_cast<int32_t>(reach.size())));
    reach.push_back(exporter::ReachOf({{e[0], e[1], e[2]}, {e[3], e[4], e[5]}}, t.input.position,
                                      {n[0] / len, n[1] / len, n[2] / len}, vertices, largest));
  }
  exporter::TilingRules rules;
  // Where holes cut into each other the seams cannot go between them, and every hole a seam
  // crosses is cut in the cells on both sides: such cells take twice as many.
  rules.holesPerTile = static_cast<int>(kCellHoles * crowding_ * (crowding_ > 1 ? 2 : 1));
  rules.partPlanes = avoid_;
  for (const exporter::Tile& tile :
       exporter::SplitAmongHoles({region.lo, region.hi}, reach, which, rules)) {
    Cell cell;
    cell.lo = tile.box.lo;
    cell.hi = tile.box.hi;
    for (size_t k = 0; k < 3; ++k) {
      cell.cutLo[k] = region.cutLo[k] || tile.box.lo[k] > region.lo[k];
      cell.cutHi[k] = region.cutHi[k] || tile.box.hi[k] < region.hi[k];
    }
    for (exporter::HoleIndex h : tile.holes) cell.holes.push_back(holes[static_cast<size_t>(h)]);
    out.push_back(std::move(cell));
  }
}

void ShownPart::MakeBase(Cell& cell) const {
  bool divided = false;
  for (size_t k = 0; k < 3; ++k) divided = divided || cell.cutLo[k] || cell.cutHi[k];
  if (!divided) {
    cell.base = base_;
  } else if (block_) {
    std::array<double, 3> lo{}, hi{};
    for (size_t k = 0; k < 3; ++k) {
      lo[k] = std::max(cell.lo[k], 0.0);
      hi[k] = std::min(cell.hi[k], part_.block[k]);
    }
    cell.base = MakeBox(lo, hi);
  } else {
    BRepAlgoAPI_Common common;
    TopTools_ListOfShape box;
    box.Append(MakeBox(cell.lo, cell.hi));
    if (!Build(common, base_, box, exporter::Inputs::kShared))
      rt::Raise(rt::err::kInvalidCall, "the part's solid could not be divided for the view",
                "View");
    cell.base = common.Shape();
  }
}

// ---- cutting ----

void ShownPart::CutFromBase(Cell& cell, Failures& failed) const {
  cell.faceHole.Clear();
  cell.shape = cell.base;
  std::vector<std::vector<TopoDS_Shape>> own;
  TopTools_ListOfShape tools;
  for (HoleId id : cell.holes) {
    own.push_back(Copies(tooling_.at(id).tools));
    for (const TopoDS_Shape& t : own.back()) tools.Append(t);
  }
  if (tools.IsEmpty()) return;
  try {
    // All at once: the kernel intersects the tools with each other too, so holes that meet come
    // out right without a cut per hole.
    BRepAlgoAPI_Cut cut;
    if (Build(cut, cell.base, tools)) {
      for (size_t i = 0; i < cell.holes.size(); ++i)
        RecordTools(cut, own[i], cell.holes[i], cell.faceHole);
      cell.shape = cut.Shape();
      KeepFacesOf(cell.shape, cell.faceHole);
      return;
    }
  } catch (const Standard_Failure&) {
  }
  // One at a time, leaving out what the kernel cannot cut.
  cell.faceHole.Clear();
  for (HoleId id : cell.holes) CutMore(cell, id, failed);
}

void ShownPart::CutMore(Cell& cell, HoleId id, Failures& failed) const {
  const std::vector<TopoDS_Shape> own = Copies(tooling_.at(id).tools);
  if (own.empty()) return;
  TopTools_ListOfShape tools;
  for (const TopoDS_Shape& t : own) tools.Append(t);
  try {
    BRepAlgoAPI_Cut cut;
    if (!Build(cut, cell.shape, tools)) {
      failed[id] = "the kernel could not cut it";
      return;
    }
    // The faces shown so far keep their holes through the cut; the new tool's faces are its.
    FaceOwners owners;
    for (FaceOwners::Iterator it(cell.faceHole); it.More(); it.Next())
      Record(cut, it.Key(), it.Value(), owners);
    RecordTools(cut, own, id, owners);
    cell.shape = cut.Shape();
    KeepFacesOf(cell.shape, owners);
    cell.faceHole = std::move(owners);
  } catch (const Standard_Failure& f) {
    failed[id] = "the kernel could not cut it (" + KernelFailure(f) + ")";
  }
}

void ShownPart::Finish(Cell& cell) const {
  // Faces met before keep their mesh; only new ones are meshed.
  BRep_Builder builder;
  TopoDS_Compound fresh;
  builder.MakeCompound(fresh);
  for (TopExp_Explorer ex(cell.shape, TopAbs_FACE); ex.More(); ex.Next()) {
    TopLoc_Location where;
    if (BRep_Tool::Triangulation(TopoDS::Face(ex.Current()), where).IsNull())
      builder.Add(fresh, ex.Current());
  }
  BRepMesh_IncrementalMesh(fresh, deflection_, Standard_False, kMeshAngle, Standard_False);

  const double tol =
      1e-7 * std::max(1.0, std::hypot(max_[0] - min_[0], max_[1] - min_[1], max_[2] - min_[2]));
  auto onDividingPlane = [&](const TopoDS_Face& face) {
    BRepAdaptor_Surface surface(face, Standard_False);
    if (surface.GetType() != GeomAbs_Plane) return false;
    const gp_Pln plane = surface.Plane();
    for (int k = 0; k < 3; ++k) {
      if (std::fabs(plane.Axis().Direction().Coord(k + 1)) < 1 - 1e-9) continue;
      const double at = plane.Location().Coord(k + 1);
      const size_t i = static_cast<size_t>(k);
      return (cell.cutLo[i] && std::fabs(at - cell.lo[i]) < tol) ||
             (cell.cutHi[i] && std::fabs(at - cell.hi[i]) < tol);
    }
    return false;
  };
  TopTools_MapOfShape dividing;
  for (TopExp_Explorer ex(cell.shape, TopAbs_FACE); ex.More(); ex.Next())
    if (onDividingPlane(TopoDS::Face(ex.Current()))) dividing.Add(ex.Current());
  TopTools_IndexedDataMapOfShapeListOfShape edgeFaces;
  TopExp::MapShapesAndAncestors(cell.shape, TopAbs_EDGE, TopAbs_FACE, edgeFaces);
  builder.MakeCompound(cell.edges);
  for (int i = 1; i <= edgeFaces.Extent(); ++i) {
    const TopoDS_Edge& edge = TopoDS::Edge(edgeFaces.FindKey(i));
    if (BRep_Tool::Degenerated(edge)) continue;
    bool draw = true;
    for (TopTools_ListIteratorOfListOfShape it(edgeFaces(i)); it.More() && draw; it.Next())
      draw = !dividing.Contains(it.Value()) && !BRep_Tool::IsClosed(edge, TopoDS::Face(it.Value()));
    if (draw) builder.Add(cell.edges, edge);
  }
}

void ShownPart::Run(const std::vector<Job>& jobs, ShowProgress* progress) {
  std::vector<Failures> failed(jobs.size());
  std::vector<std::string> errors(jobs.size());
  if (progress) progress->total = jobs.size();
  rt::RunOnWorkers(jobs_ > 0 ? jobs_ : rt::AllCores(), jobs.size(), [&](size_t i) {
    if (progress && progress->stop) return;
    const Job& job = jobs[i];
    Cell& cell = cells_[job.cell];
    try {
      if (cell.base.IsNull()) MakeBase(cell);
      if (job.more.empty())
        CutFromBase(cell, failed[i]);
      else
        for (HoleId id : job.more) CutMore(cell, id, failed[i]);
      Finish(cell);
    } catch (const rt::Error& e) {
      errors[i] = e.Description();
    } catch (const Standard_Failure& f) {
      errors[i] = "the view could not cut the part (" + KernelFailure(f) + ")";
    } catch (const std::exception& e) {
      errors[i] = e.what();
    }
    if (progress) ++progress->done;
  });
  if (progress && progress->stop) rt::Raise(rt::err::kUserInterrupt, "the cut was stopped", "View");
  for (size_t i = 0; i < jobs.size(); ++i) {
    Cell& cell = cells_[jobs[i].cell];
    cell.version = ++versions_;
    for (HoleId id : cell.holes) cutFailed_.erase(id);
  }
  for (size_t i = 0; i < jobs.size(); ++i) {
    for (auto& [id, why] : failed[i]) cutFailed_[id] = why;
    if (!errors[i].empty()) rt::Raise(rt::err::kInvalidCall, errors[i], "View");
  }
}

void ShownPart::DivideCrowdedCells() {
  std::vector<Job> jobs;
  const size_t count = cells_.size();
  for (size_t i = 0; i < count; ++i) {
    if (cells_[i].holes.size() <= kCellHolesMax * crowding_) continue;
    Cell region;
    region.lo = cells_[i].lo;
    region.hi = cells_[i].hi;
    region.cutLo = cells_[i].cutLo;
    region.cutHi = cells_[i].cutHi;
    std::vector<Cell> parts;
    Divide(region, cells_[i].holes, parts);
    if (parts.size() < 2) continue;  // the holes crowd one spot: nothing to divide between
    cells_[i] = std::move(parts[0]);
    jobs.push_back({i, {}});
    for (size_t p = 1; p < parts.size(); ++p) {
      jobs.push_back({cells_.size(), {}});
      cells_.push_back(std::move(parts[p]));
    }
  }
  if (!jobs.empty()) Run(jobs);
}

// ---- public ----

void ShownPart::Show(const exporter::PartInput& part, const std::vector<HoleId>& ids,
                     ShowProgress* progress) {
  if (ids.size() != part.holes.size())
    rt::Raise(rt::err::kInvalidCall, "one id per hole is needed", "View");
  part_ = part;
  part_.holes.clear();
  block_ = part.solidBrep.empty();
  base_ = BaseSolid(part);
  Bnd_Box box;
  BRepBndLib::AddOptimal(base_, box, Standard_False, Standard_False);
  const std::array<double, 6> e = Extent(box);
  min_ = {e[0], e[1], e[2]};
  max_ = {e[3], e[4], e[5]};
  const double diag = std::hypot(e[3] - e[0], e[4] - e[1], e[5] - e[2]);
  deflection_ = std::max(0.005, 1e-3 * diag);
  for (auto& planes : avoid_) planes.clear();
  if (!block_)
    for (TopExp_Explorer ex(base_, TopAbs_FACE); ex.More(); ex.Next()) {
      BRepAdaptor_Surface surface(TopoDS::Face(ex.Current()), Standard_False);
      if (surface.GetType() != GeomAbs_Plane) continue;
      const gp_Ax1 axis = surface.Plane().Axis();
      for (int k = 0; k < 3; ++k)
        if (std::fabs(axis.Direction().Coord(k + 1)) > 1 - 1e-9)
          avoid_[static_cast<size_t>(k)].push_back(axis.Location().Coord(k + 1));
    }

  tooling_.clear();
  prototypes_.clear();  // meshed for another part's size
  cutFailed_.clear();
  std::vector<HoleId> order;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (!tooling_.emplace(ids[i], MakeTooling(part.holes[i], i)).second)
      rt::Raise(rt::err::kInvalidCall, "the hole id " + IdText(ids[i]) + " is used twice", "View");
    if (!tooling_.at(ids[i]).tools.empty()) order.push_back(ids[i]);
  }
  std::vector<exporter::HoleReach> reach(order.size());
  std::vector<exporter::HoleIndex> which;
  for (size_t i = 0; i < order.size(); ++i) {
    const std::array<double, 6> e = Extent(tooling_.at(order[i]).box);
    reach[i].box = {{e[0], e[1], e[2]}, {e[3], e[4], e[5]}};
    which.push_back(exporter::HoleIndex(i));
  }
  crowding_ = static_cast<size_t>(std::max(1, exporter::Crowding(reach, which)));
  // The outer sides lie well outside the part: only dividing planes cut it.
  Cell whole;
  const double margin = 1 + 0.01 * diag;
  for (size_t k = 0; k < 3; ++k) {
    whole.lo[k] = min_[k] - margin;
    whole.hi[k] = max_[k] + margin;
  }
  cells_.clear();
  Divide(whole, order, cells_);
  std::vector<Job> jobs;
  for (size_t i = 0; i < cells_.size(); ++i) jobs.push_back({i, {}});
  Run(jobs, progress);
}

size_t ShownPart::Update(const exporter::PartInput& part, const std::vector<HoleId>& ids) {
  if (ids.size() != part.holes.size())
    rt::Raise(rt::err::kInvalidCall, "one id per hole is needed", "View");
  if (cells_.empty() || part.block != part_.block || part.solidBrep != part_.solidBrep) {
    Show(part, ids);
    return cells_.size();
  }
  std::map<HoleId, size_t> next;
  for (size_t i = 0; i < ids.size(); ++i)
    if (!next.emplace(ids[i], i).second)
      rt::Raise(rt::err::kInvalidCall, "the hole id " + IdText(ids[i]) + " is used twice", "View");

  // Holes gone or changed: their cells are cut again from their base, without them.
  std::set<size_t> again;
  for (auto it = tooling_.begin(); it != tooling_.end();) {
    const auto n = next.find(it->first);
    if (n != next.end() && SameHole(part.holes[n->second], it->second.input)) {
      ++it;
      continue;
    }
    for (size_t c = 0; c < cells_.size(); ++c) {
      auto& holes = cells_[c].holes;
      const auto at = std::find(holes.begin(), holes.end(), it->first);
      if (at == holes.end()) continue;
      holes.erase(at);
      again.insert(c);
    }
    cutFailed_.erase(it->first);
    it = tooling_.erase(it);
  }
  // New holes, and the changed ones anew: cut from what their cells show.
  std::map<size_t, std::vector<HoleId>> more;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (tooling_.count(ids[i])) continue;
    const Tooling& t = tooling_.emplace(ids[i], MakeTooling(part.holes[i], i)).first->second;
    for (size_t c = 0; c < cells_.size(); ++c) {
      if (!Reaches(t, cells_[c])) continue;
      cells_[c].holes.push_back(ids[i]);
      if (!again.count(c)) more[c].push_back(ids[i]);
    }
  }
  std::vector<Job> jobs;
  for (size_t c : again) jobs.push_back({c, {}});
  for (auto& [c, added] : more) jobs.push_back({c, added});
  Run(jobs);
  DivideCrowdedCells();
  return jobs.size();
}

std::optional<HoleId> ShownPart::HoleOf(size_t cell, const TopoDS_Shape& face) const {
  if (cell >= cells_.size()) return std::nullopt;
  const HoleId* id = cells_[cell].faceHole.Seek(face);
  return id ? std::optional<HoleId>(*id) : std::nullopt;
}

std::vector<std::pair<size_t, TopoDS_Shape>> ShownPart::FacesOf(HoleId hole) const {
  std::vector<std::pair<size_t, TopoDS_Shape>> faces;
  for (size_t c = 0; c < cells_.size(); ++c)
    for (FaceOwners::Iterator it(cells_[c].faceHole); it.More(); it.Next())
      if (it.Value() == hole) faces.emplace_back(c, it.Key());
  return faces;
}

TopoDS_Shape ShownPart::Solid() const {
  BRep_Builder builder;
  TopoDS_Compound all;
  builder.MakeCompound(all);
  for (const Cell& c : cells_)
    if (!c.shape.IsNull()) builder.Add(all, c.shape);
  return all;
}

std::vector<std::string> ShownPart::Warnings() const {
  std::vector<std::string> lines;
  for (const auto& [id, t] : tooling_) {
    if (!t.warning.empty()) lines.push_back(t.warning);
    if (const auto f = cutFailed_.find(id); f != cutFailed_.end())
      lines.push_back("hole #" + IdText(id) + " is not shown: " + f->second);
  }
  return lines;
}

}  // namespace cavix::partsolid
