// Solid export of a part: every hole's revolved profile cut out of the part (its block, or a solid
// imported from STEP) with Open CASCADE, written as STEP, STL or binary glTF. Plain data in, files
// out; no scene types and no OCCT types here, so the command line can call it without seeing the
// kernel.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace cavix::exporter {

// A hole's place in PartInput::holes, from 0: a type of its own, so that it is neither mixed up
// with a count nor with the id the model knows the hole by. Where there may be no hole, it is an
// std::optional<HoleIndex>.
enum class HoleIndex : int32_t {};

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
  // Why the shape's stored values make no hole: then it has no chains and is not cut, and the
  // export says so. "" for a hole.
  std::string problem;
};

// The part and its holes. The part is the solid in `solidBrep` when that is given: Open CASCADE
// BRep text (BRepTools::Write to a stream) of a solid, or of a compound of solids, in millimetres,
// as a part imported from a STEP file has it. Otherwise it is the block from the origin to
// `block` (all three extents positive).
struct PartInput {
  std::array<double, 3> block{100, 60, 20};
  std::string solidBrep;
  std::vector<HoleSolidInput> holes;
};

struct ExportOptions {
  // Write the part even when some holes remove no material (they miss the part, or lie within
  // other holes) or lie wholly inside it (a void no one sees); they are then named in the
  // summary's `misses`. Without it such holes fail the export with MissError.
  bool allowMisses = false;
  // Meshes (STL, glTF): the largest distance in mm between the mesh and the part's surfaces. 0
  // chooses it from the smallest hole, so that its circle gets 32 chords and stays round.
  double linearDeflection = 0;
  // Workers that cut the part's tiles side by side; 0 takes every core. The file written is the
  // same, byte for byte, whatever the number.
  int jobs = 0;
  // STEP: also write each edge's curve on the faces it bounds (p-curves), through the kernel's
  // translator. Readers work them out when they are missing, as they are by default; a file with
  // them is about twice the size and takes several times as long to write.
  bool stepPCurves = false;
};

// What an export made, for the caller to report.
struct ExportSummary {
  double blockVolume = 0;   // of the part before any hole is cut (block or solid), mm^3
  double volume = 0;        // of what was written, mm^3: the solid, or for a mesh the mesh's own
  double solidVolume = 0;   // of the cut solid, mm^3 (the same as `volume` for STEP)
  int holesCut = 0;         // holes that removed material
  int solids = 0;           // solids in the result (more than 1 when holes split the part)
  long long triangles = 0;  // meshes: triangles written
  double deflection = 0;    // meshes: the largest distance between mesh and surfaces, mm
  std::vector<std::string> misses;    // holes that cut nothing or only hollow the part, one each
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

// Holes that remove no material, or only hollow the part inside, without
// ExportOptions::allowMisses: the message names each hole and why.
class MissError : public ExportError {
 public:
  using ExportError::ExportError;
};

// Degenerate chains (fewer than three distinct points, no extent away from the axis, or no area)
// describe no material to remove: they are skipped and listed in ExportSummary::warnings rather
// than failing the export, so that a hole whose profile has not been built yet does not block the
// rest of the part.

// Cuts every hole out of the part, checks the result and writes it as a STEP file (AP214,
// millimetres, the product named after the file), with the part's faces as they are (one face for
// the top of a plate, however many holes it has). Files are written to a temporary name beside `path` and renamed over it only
// when complete; a failure to write names the file and the system's reason.
ExportSummary ExportStep(const PartInput& part, const std::string& path,
                         const ExportOptions& options = {});

// The same solid as a binary STL mesh: closed (every edge shared by exactly two triangles, wound
// consistently outwards) with no zero-area triangles. Written as it is meshed, a few hundred faces
// at a time, so memory stays small. The summary's volume is the mesh's own.
ExportSummary ExportStl(const PartInput& part, const std::string& path,
                        const ExportOptions& options = {});

// The same solid as binary glTF (.glb): one node per hole that removed material, named after the
// hole and holding the hole's faces, and one node "part" with the rest, coloured apart.
ExportSummary ExportGltf(const PartInput& part, const std::string& path,
                         const ExportOptions& options = {});

// Cuts the part and reports what the solid would be, without writing anything.
ExportSummary Measure(const PartInput& part, const ExportOptions& options = {});

}  // namespace cavix::exporter
