// From a scene to the writers: the facts of its holes, the main part's block and hole shapes as
// plain export data, each hole's section drawing, and `ExportModel`, which picks the writer by the
// output file's extension.
#pragma once

#include <string>
#include <vector>

#include "export/export.h"
#include "export/svg_drawing.h"
#include "hole_objects/hole_facts.h"
#include "scene/scene.h"

namespace cavix::exporter {

// The facts of the hole on `shape`, as its record and the part give them (holes::FactsOf).
holes::HoleFacts FactsOf(scene::Scene& scene, scene::Shape& shape);
// Whether the blind hole of `facts` on `shape` breaks out of the part as the part's solid is
// measured along its axis (HoleFacts::breaksOut); left as it is without a measure.
void MarkBreakingOut(holes::HoleFacts& facts, const scene::Shape& shape);
// The facts of every shape of the model that carries a hole record, in model order; with `marked`,
// each blind hole is marked when it breaks out (MarkBreakingOut, which measures the part along
// it). The design check measures each hole itself, once, and asks for them unmarked.
std::vector<holes::HoleFacts> HolesOf(scene::Scene& scene, bool marked = true);

// The hole on `shape` as the export cuts it, from its facts: its position, normal and profile
// chains in the page's unit, none when its facts say it is no hole.
HoleSolidInput HoleOf(const holes::HoleFacts& facts, const scene::Shape& shape);

// The main part: its first shape's extents (component 1, variables 1 to 3) as the block, and every
// other shape with a revolved feature as a hole at its position along its normal, named by its
// facts' label. A shape whose profile is still empty, or whose stored values make no hole
// (HoleSolidInput::problem), is passed on with no chains (the export skips it with a warning).
// Lengths are converted to millimetres when the page is in inches; the first shape's solid (a
// part made from a STEP file) goes along as it is, in millimetres.
PartInput PartFromScene(scene::Scene& scene);

// Drawing data of the holes of PartFromScene, in the same order, one section for the holes that
// draw and say the same (the first such hole's, counted in its callout). A dropped shape that is
// not a hole (no outline, no parameters) is left out and named in `warnings`. The callout and the
// thread are the hole's facts: the drilled bore and its depth below the recess (THRU for a
// through hole), the counterbore's diameter and depth, the countersink's diameter and included
// angle, the thread, the nominal size and standard. A hole whose record makes no hole is drawn
// without them and named in `warnings`.
std::vector<HoleDrawing> DrawingsFromScene(scene::Scene& scene, std::vector<std::string>& warnings);

// Whether this build writes solids (STEP, STL, glTF): they need Open CASCADE.
#ifdef CAVIX_WITH_OCCT
inline constexpr bool kWritesSolids = true;
#else
inline constexpr bool kWritesSolids = false;
#endif

// What ExportModel wrote.
struct ExportReport {
  std::string written;                // one line saying what was written where
  std::vector<std::string> warnings;  // one line each: holes skipped, missed or left out
  ExportSummary solid;                // of a solid (STEP, STL, glTF); all 0 for a sheet
};

// Writes `path` by its extension: ".step"/".stp" (STEP), ".stl" (binary STL), ".glb" (binary
// glTF) or ".svg" (section sheet), any letter case. Throws ExportError naming the file for an
// unknown extension, a solid without kWritesSolids, or a failed export, MissError for holes that
// cut nothing unless `options` allow them; the file is then left as it was.
ExportReport ExportModel(scene::Scene& scene, const std::string& path,
                         const std::string& modelName = {}, const ExportOptions& options = {});

}  // namespace cavix::exporter
