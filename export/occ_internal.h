// What the Open CASCADE files of the export share among themselves: the uncut part, hole tools
// ready to cut, the validity check and message helpers. Not for other layers (see occ_part.h).
#pragma once

#include <Bnd_Box.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <array>
#include <gp_Dir.hxx>
#include <gp_Pnt.hxx>
#include <TopoDS_Wire.hxx>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "export/export.h"
#include "export/occ_kernel.h"
#include "export/occ_part.h"
#include "export/tiling.h"

namespace cavix::exporter::detail {

using Pt = std::array<double, 2>;

std::string Num(double v);
// "hole 3 ("#5 \"Fori\"")": how messages name a hole.
std::string HoleLabel(const HoleSolidInput& hole, HoleIndex index);
inline size_t At(HoleIndex h) { return static_cast<size_t>(h); }

// Calls `f` with every image of `s` in the result of the boolean `op` (s itself when unchanged,
// nothing when deleted): how a face is followed through each step of the cut.
template <class Op, class F>
void ForImages(Op& op, const TopoDS_Shape& s, F f) {
  const TopTools_ListOfShape images = op.Modified(s);
  if (!images.IsEmpty()) {
    for (TopTools_ListOfShape::Iterator it(images); it.More(); it.Next()) f(it.Value());
  } else if (!op.IsDeleted(s)) {
    f(s);
  }
}

// The part before any hole is cut: the block, or the solid the caller gave as BRep text.
struct PartBase {
  TopoDS_Shape solid;
  // True when the solid is an axis-aligned box from lo to hi (the block always is): tiles of it
  // are then boxes themselves, with no boolean needed to make them.
  bool isBox = false;
  std::array<double, 3> lo{0, 0, 0}, hi{0, 0, 0};  // bounding box (exact for a box)
  // Planar faces with their boxes, to find the face a hole opens on (empty for a box).
  std::vector<TopoDS_Face> planarFaces;
  std::vector<Bnd_Box> planarFaceBoxes;
  double Size() const;  // length of the box's diagonal
};

// Throws ExportError for a block beyond a block's bounds (scene::BlockExtentsProblem) or BRep
// text without a valid solid.
PartBase MakePartBase(const PartInput& part);

// A hole ready to cut: its tools and what tiling needs to know about them.
struct PreparedHole {
  HoleIndex index{};                 // into PartInput::holes
  std::vector<TopoDS_Shape> tools;   // one solid per non-degenerate chain; empty: nothing to cut
  std::array<double, 3> lo{}, hi{};  // box around every tool
  std::array<double, 3> origin{}, axis{};
  // The profile vertices as revolved (depth below the position, radius), for keeping tile seams
  // clear of the tools' faces.
  std::vector<Pt> vertices;
  double smallestRadius = 0;  // of the circles the hole's faces meet in (0: none)
  double largestRadius = 0;
  // Built in closed form, a hole whose profile ends in the block's far face goes through: the
  // depth of that face below the position (0: blind).
  double exitDepth = 0;
  // What the tiling needs: the box, and where seams square to an axis would meet a face edge-on.
  HoleReach Reach() const;
};

// Makes hole tools, revolving each distinct profile once and placing deep copies of it: copies
// that share no geometry check and cut as fast as separately built solids, unlike located
// instances of one solid. With `placed`, the tools are such located instances, made in no time,
// for callers that cut only some of them: Realized gives one its own geometry first.
class ToolMaker {
 public:
  explicit ToolMaker(const PartBase& base, bool placed = false) : base_(base), placed_(placed) {}
  // Bad numbers or a profile that crosses itself raise ExportError naming the hole; chains that
  // remove nothing are skipped and described in `warnings`. Safe to call from several threads.
  PreparedHole Prepare(const HoleSolidInput& hole, HoleIndex index,
                       std::vector<std::string>& warnings);

 private:
  double Lift(const std::array<double, 3>& position, const std::array<double, 3>& axis,
              double topRadius) const;

  const PartBase& base_;
  const bool placed_;
  // Prepare runs on several workers at once: each profile is revolved once, by whichever needs
  // it first, and copied by all.
  std::mutex prototypesLock_;
  std::map<std::vector<double>, TopoDS_Shape> prototypes_;
};

// A tool of its own: a copy with its geometry moved where a located instance says, else `tool`.
TopoDS_Shape Realized(const TopoDS_Shape& tool);

// Holes built in closed form (occ_direct.cpp). A candidate is a hole of one chain drilled square
// into a face of a block-shaped part; it fits when its exact tool (not lifted) opens on the face
// with its mouth alone and stays inside the block with room to spare. PutDirectHoles puts such
// holes, which must meet nothing else, into the one shell of `solid`, noting their faces in
// `faceHole`, on `jobs` workers; false (and `solid` unchanged) when a mouth finds no face of the
// solid to open in.
bool DirectCandidate(const PartBase& base, const HoleSolidInput& hole);
bool DirectFits(const PartBase& base, const PreparedHole& exact);
// The depth below its position of the block's far face, when the profile of a hole that fits
// (DirectFits) ends in it (a through hole: its last step lies in that face); else 0.
double ExitDepth(const PartBase& base, const PreparedHole& exact);
// Identical holes that overlap one another, built in closed form (occ_overlaps.cpp): each a
// candidate that fits (OverlapFits), their profile stepped (bores and flat steps narrowing with
// depth to a flat bottom or a drill point). PlanOverlaps works out where their circles cross in
// the face of the block from `lo` to `hi`, or gives none when they do not qualify (another
// profile, circles that touch, coincide or cross three at a point within `tol`, a hole whose
// walls all lie inside its neighbours, drill points that three meet in, a corner of the face
// inside a hole). BuildOverlaps makes the faces: the loop the mouths cut into the part's face and
// the part's own faces standing between them, or, for holes that break out of the block's sides,
// the block's six faces with their notches; and the holes' faces with their holes. None when a
// face finds no outline.
struct OverlapPlan;
std::shared_ptr<const OverlapPlan> PlanOverlaps(const std::vector<const PreparedHole*>& holes,
                                                const std::array<double, 3>& lo,
                                                const std::array<double, 3>& hi, double tol);
struct BuiltOverlaps {
  gp_Pnt at;          // the centre of one mouth, on the part's face
  gp_Dir axis;        // into the part
  TopoDS_Wire mouth;  // as the part's face (facing against the axis) is bounded by it
  std::vector<TopoDS_Face> blockFaces;  // instead of the block's, when holes break out of it
  std::vector<TopoDS_Face> partFaces;
  std::vector<std::pair<TopoDS_Shape, HoleIndex>> holeFaces;
  double volume = 0;  // removed, mm^3
};
std::optional<BuiltOverlaps> BuildOverlaps(const OverlapPlan& plan, int jobs = 1);
int HolesIn(const OverlapPlan& plan);
double RemovedVolume(const OverlapPlan& plan);  // mm^3
bool BreaksOut(const OverlapPlan& plan);        // of the block's sides
// Whether a candidate's exact tool may be built with others that overlap it: it opens on the
// face with its mouth alone, its centre inside the face, and stops short of the far face.
bool OverlapFits(const PartBase& base, const PreparedHole& exact);

bool PutDirectHoles(TopoDS_Shape& solid, FaceHoles& faceHole,
                    const std::vector<const PreparedHole*>& holes,
                    const std::vector<BuiltOverlaps>& overlaps = {}, int jobs = 1);

// What the header of a STEP file says that depends on the file.
struct StepHeader {
  std::string name;     // the file's name
  std::string time;     // when it was written, as 2026-12-08T07:55:20
  std::string product;  // what a reader calls the part
};

// The AP214 STEP text of `shape`, in parts to be written one after the other (formatted on
// `jobs` workers, the same text for any number), when the shape is one solid of one shell whose
// surfaces and curves STEP names directly; none otherwise, for the kernel's translator to write.
std::optional<std::vector<std::string>> StepText(const TopoDS_Shape& shape,
                                                 const StepHeader& header, int jobs);

// A face of the cut part whose check failed, and the hole it belongs to (none: the part's own).
struct CheckFailure {
  bool failed = false;
  std::optional<HoleIndex> hole;
  std::string what;
};

// Checks a cut part as BRepCheck_Analyzer would, in time that grows linearly with the part: the
// analyzer's own wire classification and shell orientation are quadratic in the wires of one
// face, and a face of the part may hold thousands of holes. The faces are checked on `jobs`
// workers; which failure is reported does not depend on their number. Without `faces`, only the
// shells and solids are checked (for faces valid as they were made).
CheckFailure CheckSolid(const TopoDS_Shape& shape, const FaceHoles& faceHole, int jobs = 1,
                        bool faces = true);

// One face checked as BRepCheck_Analyzer checks it, in parts when it has many wires.
bool FaceValid(const TopoDS_Face& face);

// A shell closed and oriented: every edge but degenerate ones used as often in one direction as
// in the other by its faces (once each but where two holes touch along a line; edges inside a
// face do not count), and every face reachable from every other across edges.
bool ShellValid(const TopoDS_Shape& shell);

}  // namespace cavix::exporter::detail
