// The Open CASCADE side of the export, for callers that want the shapes themselves: the host
// window's 3D view (which face belongs to which hole, one more hole cut quickly), tests, benches.
//
// How the part is cut: one boolean over all holes grows faster than linearly with their number
// (the kernel's pave blocks, and the wires of one face classified against each other), so the
// part is cut in tiles of a few dozen holes each, the tiles are glued back into one solid, and
// the faces the tile seams split are merged again. Tile seams are placed in the gaps between
// holes where there are gaps, and kept clear of the tools' faces where holes straddle them. A
// part given as a solid is tiled too: each tile is the solid's common with the tile's box (a
// solid that is an axis-aligned box is tiled as the block is).
//
// For a 3D view of the part:
//   CutResult cut = CutHoles(part);              // once, and again when the part itself changes
//   ... display cut.shape; a picked face's hole is cut.HoleOf(face) (none: the part's own face)
//   CutOneMoreHole(cut, newHole, index);         // after a drop: about 40 ms at 1 000 holes
// With CutOptions::mergeFaces = false the faces stay split at the tile seams (the part's big
// faces show the seams as edges) and one more hole takes about 25 ms at 1 000 holes.
// Copying a CutResult is cheap: the copy shares the part's faces.
#pragma once

#include <NCollection_DataMap.hxx>
#include <TopTools_ShapeMapHasher.hxx>
#include <TopoDS_Shape.hxx>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/export.h"
#include "export/tiling.h"

namespace cavix::exporter {

namespace detail {
struct PartBase;
}

// Faces of a cut part made by holes, to their hole. Keys compare as TopoDS_Shape's IsSame.
using FaceHoles = NCollection_DataMap<TopoDS_Shape, HoleIndex, TopTools_ShapeMapHasher>;

struct CutOptions {
  // About this many holes per tile; 0 cuts every hole in one boolean over the whole part.
  int tileHoles = 24;
  // Workers that cut tiles side by side (0: every core); the result is the same for any number.
  int jobs = 1;
  // Build holes that meet nothing in closed form (a blind hole square into a block's face, apart
  // from the others and its face's edges) instead of cutting them: the same solid, without a
  // boolean. Off, every hole is cut.
  bool directHoles = true;
  // Merge the faces that tile seams split back into the faces the part really has (the top face
  // of a plate with a thousand holes is one face, as a STEP reader or a 3D view should show it).
  // Without it the faces keep the seams: the same solid, quicker to mesh, and quicker for
  // CutOneMoreHole, which then rebuilds only faces of one tile.
  bool mergeFaces = true;
  // Holes all built in closed form stay in one piece even without merging faces: for writers
  // that mesh such a part from the holes' profiles (CutResult::closedForm) rather than its faces.
  bool wholeWhenBuilt = false;
  // Identical stepped holes (bores and flat steps narrowing to a flat bottom) that overlap one
  // another built in closed form too, when every hole is: a floor several holes share is then
  // one face, where the boolean splits it among them, and `faceHole` gives it to the first hole
  // that bounds it (a view that tells holes by their faces splits it again: overlapGroups).
  bool overlapsInClosedForm = false;
};

// A hole built in closed form: its profile of (radius, depth) vertices, from the mouth's centre
// over its rim down to its end on the axis, revolved about `axis` (unit, into the material) from
// `origin` on the part's face.
struct ClosedFormHole {
  HoleIndex index{};
  std::array<double, 3> origin{}, axis{};
  std::vector<std::array<double, 2>> profile;
};

// A part with its holes cut out, and which hole each of its faces belongs to.
struct CutResult {
  TopoDS_Shape shape;  // a solid, or a compound of solids when holes split the part
  // Each face of `shape` that belongs to a hole -> the hole. The part's own faces (its block's or
  // solid's) are not in the map. A face picked in a view of `shape` finds its hole whatever its
  // orientation.
  FaceHoles faceHole;
  // The hole a face belongs to; none for the part's own faces (and for shapes not in the part).
  std::optional<HoleIndex> HoleOf(const TopoDS_Shape& face) const;
  // Lets go of the part's shapes on `jobs` workers, face by face (a solid of a hundred thousand
  // faces takes a tenth of a second to free on one thread); `shape` and `faceHole` are empty
  // after.
  void Release(int jobs);

  std::vector<HoleIndex> cut;     // holes that removed material, ascending
  std::vector<HoleIndex> missed;  // holes that removed nothing: they miss the part or lie in others
  std::vector<HoleIndex> voids;   // holes wholly inside the part: they hollow it, unseen outside
  std::vector<std::string> missReasons;  // for each of `missed`, why, as a message fragment
  int solids = 0;
  int tiles = 1;   // how many tiles the part was cut in
  int built = 0;   // holes built in closed form rather than cut
  // When every hole was built (none cut, nothing overlapping), the volume they remove, mm^3: the
  // sum of their revolved profiles, exactly.
  std::optional<double> removedVolume;
  // When every hole was built in closed form (the part a block), each of them, by hole index.
  std::vector<ClosedFormHole> closedForm;
  // Holes that overlap one another built as one piece (CutOptions::overlapsInClosedForm), each
  // group ascending. A face several of them share belongs to the first that bounds it.
  std::vector<std::vector<HoleIndex>> overlapGroups;
  int recuts = 0;  // holes CutOneMoreHole could not place among the faces near them and cut out
                   // of the whole part instead (as slow as a boolean over the part)
  std::vector<std::string> warnings;  // degenerate chains skipped, one line each

  // For CutOneMoreHole: the uncut part, and a box (x0, y0, z0, x1, y1, z1) around each hole's
  // tools by hole index (empty for holes with nothing to cut).
  std::shared_ptr<const detail::PartBase> base;
  std::vector<std::array<double, 6>> holeBoxes;
};

// Cuts every hole out of the part (its solid when PartInput::solidBrep is given, else its block)
// and checks the result. Bad input, a failed boolean, an invalid result or nothing left of the
// part raise ExportError naming the hole concerned where one is. Holes that cut nothing are
// listed, not refused: the writers decide (ExportOptions::allowMisses).
CutResult CutHoles(const PartInput& part, const CutOptions& options = {});

// Cuts one more hole out of an already cut part, rebuilding only the faces near it, and keeps
// `faceHole`, `cut`, `missed` and `voids` up to date; `index` is the index the hole is known
// by (PartInput::holes.size() for a hole just added). On a part with a thousand holes this takes
// a small fraction of cutting them all again: a view shows a new hole at once. The changed faces
// are checked; on any failure `part` is left as it was and ExportError is raised.
void CutOneMoreHole(CutResult& part, const HoleSolidInput& hole, HoleIndex index);

// The cut part's shape alone; `summary` (optional) receives the counts and warnings.
TopoDS_Shape CutPart(const PartInput& part, ExportSummary* summary = nullptr);

// The revolved solid of each non-degenerate chain of `hole`, exactly as profiled (not lifted out
// of any face). Degenerate chains are skipped and described in `warnings`; bad numbers or a chain
// that crosses itself raise ExportError.
std::vector<TopoDS_Shape> MakeHoleTools(const HoleSolidInput& hole, HoleIndex index,
                                        std::vector<std::string>& warnings);

// Volume of a shape in mm^3 (Gauss integration, exact for the planes, cylinders and cones of
// holes to far below 1e-9 of the part), its faces integrated on `jobs` workers; the sum is taken
// in the same order whatever their number, so the volume is too.
double SolidVolume(const TopoDS_Shape& shape, int jobs = 1);

}  // namespace cavix::exporter
