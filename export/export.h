// Solid export of a part: every hole's revolved profile cut out of the part's block with Open
// CASCADE, written as STEP or STL. Plain data in, files out; no scene types and no OCCT types here,
// so the command line can call it without seeing the kernel.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace cavix::exporter {

// One closed chain of a hole profile: x is the distance from the hole axis (never negative), y the
// depth below the hole's top face (0 at the top, negative downwards). The chain starts and ends at
// (0, 0); the closing point may be repeated or left implicit.
using ProfileChain = std::vector<std::array<double, 2>>;

// A hole as the scene stores it. The hole goes into the part along `normal` from `position`: the
// profile point (x, y) lies at position + (-y) * normal + x * u, with u any unit vector at right
// angles to the normal, and the chain is revolved a full turn about the axis through `position`
// along `normal`. The normal need not be unit length, but must not be zero.
struct HoleSolidInput {
  std::vector<ProfileChain> chains;
  std::array<double, 3> position{0, 0, 0};
  std::array<double, 3> normal{0, 0, -1};
  std::string name;  // used in messages only; may be empty
};

// The part: a block from the origin to `block` (all three extents positive), and its holes.
struct PartInput {
  std::array<double, 3> block{100, 60, 20};
  // The part's own solid (a part made from a STEP file) as Open CASCADE BRep text in
  // millimetres, whose bounding box is `block`; empty for the block.
  std::string solidBrep;
  std::vector<HoleSolidInput> holes;
};

// What an export made, for the caller to report.
struct ExportSummary {
  double blockVolume = 0;  // mm^3
  double volume = 0;       // of the exported solid, mm^3
  int holesCut = 0;        // hole solids that went into the cut
  int solids = 0;          // solids in the result (more than 1 when holes split the block)
  std::vector<std::string> warnings;  // chains skipped as degenerate, one line each
};

// Any failure of an export: bad input (a non-finite number, a zero normal, a chain that crosses
// itself or the axis), a boolean that failed or gave an invalid solid, a file that could not be
// written. The message names the hole or the file and says what is wrong. When it is thrown, the
// output file is left as it was.
class ExportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Degenerate chains (fewer than three distinct points, no extent away from the axis, or no area)
// describe no material to remove: they are skipped and listed in ExportSummary::warnings rather
// than failing the export, so that a hole whose profile has not been built yet does not block the
// rest of the part.

// Cuts every hole out of the block (one boolean operation for all of them), checks the result and
// writes it as a STEP file (AP214, millimetres). The file is written to a temporary name beside
// `path` and renamed over it only when complete.
ExportSummary ExportStep(const PartInput& part, const std::string& path);

// The same solid as a binary STL mesh. `linearDeflection` is the largest distance in mm between
// the mesh and the true surface.
ExportSummary ExportStl(const PartInput& part, const std::string& path,
                        double linearDeflection = 0.01);

// Cuts the part and reports what the solid would be, without writing anything.
ExportSummary Measure(const PartInput& part);

}  // namespace cavix::exporter
