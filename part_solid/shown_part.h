// The part as the window shows it: its solid with every hole cut out, meshed for drawing, with
// each face known as the part's own or as a hole's.
//
// One boolean over the whole part costs about a second per thousand holes, and meshing a face
// that a thousand holes open on costs far more, so the part is shown in cells: the solid is
// divided by planes between the holes into boxes that each hold a few holes, and every cell is a
// solid of its own, cut on worker threads. A new hole is cut from the cells it reaches, as they
// are shown; a changed or removed hole re-cuts only its cells from their part of the solid; only
// a change of the part itself (its block or its solid) divides and cuts everything again. The dividing planes are
// inside the material, so the cells look like one solid; the edges they make on the part's faces
// are left out of the edges to draw.
#pragma once

#include <Bnd_Box.hxx>
#include <NCollection_DataMap.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Shape.hxx>
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/export.h"

namespace cavix::partsolid {

// A hole as the model knows it: the id of its shape. A type of its own, so that it is not mixed
// up with an index; where there may be no hole it is an std::optional<HoleId>.
enum class HoleId : int32_t {};

// Faces made by holes, to the id of their hole.
using FaceOwners = NCollection_DataMap<TopoDS_Shape, HoleId, TopTools_ShapeMapHasher>;

// A box-shaped piece of the part with the holes that reach into it cut out.
struct Cell {
  std::array<double, 3> lo{}, hi{};      // the box
  std::array<bool, 3> cutLo{}, cutHi{};  // sides on a dividing plane (the others lie outside)
  TopoDS_Shape base;                     // the part's solid within the box
  TopoDS_Shape shape;                    // base with its holes cut out, meshed
  std::vector<HoleId> holes;             // the holes reaching into the box
  FaceOwners faceHole;    // faces of `shape` made by a hole; the others are the part's
  TopoDS_Compound edges;  // the edges to draw: none on a dividing plane, no seams
  uint64_t version = 0;   // changes whenever `shape` does
};

// How many holes a cell is made for, and how many it may gather before it is divided again, where
// holes keep apart. Where they cut into each other these grow with how many neighbours a hole
// meets: such holes reach into several cells, and every cell works out again where they meet.
inline constexpr size_t kCellHoles = 4;
inline constexpr size_t kCellHolesMax = 8;

// How far a Show on another thread has come, and how that thread is told to give up. Shared
// between the thread that shows and the one that waits.
struct ShowProgress {
  std::atomic<size_t> done{0};   // cells cut
  std::atomic<size_t> total{0};  // cells to cut, once the part is divided
  std::atomic<bool> stop{false};
};

class ShownPart {
 public:
  // Cells are cut on this many workers (0: every core); what is shown does not depend on it.
  explicit ShownPart(int jobs = 0) : jobs_(jobs) {}

  // Cuts every hole of `part` (ids[i] is the model's id of part.holes[i]) out of its solid, from
  // scratch. A hole whose profile makes no solid is left out and named in Warnings(). Raises
  // 321 when the part's solid text is not a solid, 5 when its block is not one. With `progress`,
  // says how far it is there, and once told to stop cuts no more cells and raises 18 (what it
  // shows is then to be thrown away).
  void Show(const exporter::PartInput& part, const std::vector<HoleId>& ids,
            ShowProgress* progress = nullptr);
  // Brings the shown part to `part` with as little work as the change needs: new holes are cut
  // from the cells they reach, changed and removed ones re-cut their cells, a change of the part
  // itself shows everything anew. Returns the number of cells cut again.
  size_t Update(const exporter::PartInput& part, const std::vector<HoleId>& ids);

  const std::vector<Cell>& Cells() const { return cells_; }
  // The hole a face of a cell belongs to; none for the part's own faces.
  std::optional<HoleId> HoleOf(size_t cell, const TopoDS_Shape& face) const;
  // The faces of a hole in every cell it reaches, with their cell.
  std::vector<std::pair<size_t, TopoDS_Shape>> FacesOf(HoleId hole) const;
  // Every cell's solid in one compound (its volume is the cut part's).
  TopoDS_Shape Solid() const;
  // The mesh's largest distance from the true surface, mm.
  double Deflection() const { return deflection_; }
  // One line per hole that could not be cut, in id order.
  std::vector<std::string> Warnings() const;

 private:
  struct Tooling {
    exporter::HoleSolidInput input;
    std::vector<TopoDS_Shape> tools;  // the solids the hole removes
    Bnd_Box box;
    std::string warning;
  };
  // What one cell is to do: cut again from its base, or cut one more hole from its shape.
  struct Job {
    size_t cell;
    std::vector<HoleId> more;  // none: from the base
  };
  using Failures = std::map<HoleId, std::string>;  // hole -> what went wrong

  // A hole's tools as made and meshed for the first hole of its profile and axis, and where.
  struct Prototype {
    std::vector<TopoDS_Shape> tools;
    std::array<double, 3> position;
  };
  using ProfileAxis = std::pair<std::vector<exporter::ProfileChain>, std::array<double, 3>>;

  Tooling MakeTooling(const exporter::HoleSolidInput& hole, size_t index);
  bool Reaches(const Tooling& t, const Cell& c) const;
  // Divides a box into cells of about kCellHoles holes (times the crowding), as the export
  // divides a part into tiles.
  void Divide(const Cell& region, const std::vector<HoleId>& holes, std::vector<Cell>& out) const;
  void MakeBase(Cell& cell) const;
  void Run(const std::vector<Job>& jobs, ShowProgress* progress = nullptr);
  // Problems go to `failed`; the cell shows what could be cut.
  void CutFromBase(Cell& cell, Failures& failed) const;
  void CutMore(Cell& cell, HoleId id, Failures& failed) const;
  void Finish(Cell& cell) const;
  void DivideCrowdedCells();

  int jobs_ = 0;
  size_t crowding_ = 1;       // the factor kCellHoles and kCellHolesMax take for this part
  exporter::PartInput part_;  // without its holes
  TopoDS_Shape base_;
  bool block_ = true;
  std::array<double, 3> min_{}, max_{};       // the part's bounding box
  std::array<std::vector<double>, 3> avoid_;  // planes of the part's own faces, per axis
  double deflection_ = 0.1;
  std::map<HoleId, Tooling> tooling_;
  std::map<ProfileAxis, Prototype> prototypes_;
  std::vector<Cell> cells_;
  Failures cutFailed_;
  uint64_t versions_ = 0;
};

}  // namespace cavix::partsolid
