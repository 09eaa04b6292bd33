// From a scene to the writers: the main part's block and hole shapes as plain export data, each
// hole's drawing data (section, thread from the drawing thread query, callout read off the
// profile), and `ExportModel`, which picks the writer by the output file's extension.
#pragma once

#include <string>
#include <vector>

#include "export/export.h"
#include "export/svg_drawing.h"
#include "scene/scene.h"

namespace cavix::exporter {

// The main part: its first shape's extents (component 1, variables 1 to 3) as the block, and every
// other shape with a revolved feature as a hole at its position along its normal. A shape whose
// profile is still empty, or whose stored values make no hole (HoleSolidInput::problem), is
// passed on with no chains (the export skips it with a warning).
// Lengths are converted to millimetres when the page is in inches; the first shape's solid (a part
// made from a STEP file) goes along as it is, in millimetres.
PartInput PartFromScene(scene::Scene& scene);

// Depth of material along a hole's axis from its position to where the axis leaves the block;
// 0 when the axis misses it.
double MaterialAlongAxis(const std::array<double, 3>& block, const HoleSolidInput& hole);

// Drawing data of the holes of PartFromScene, in the same order, one section for the holes that
// draw and say the same (the first such hole's, counted in its callout). A dropped shape that is
// not a hole (no outline, no parameters) is left out and named in `warnings`. The thread comes
// from the hole
// class bound to the shape, as a drawing view would ask it; a shape whose class cannot answer is
// drawn without a thread and named in `warnings`. The callout is read off the profile itself, so
// that it states what the solid has: the bore's diameter and its depth below the recess (THRU
// when it reaches the far side of the part), the counterbore's diameter and depth, the
// countersink's diameter and included angle, and for a counterdrill its cone's angle; the
// nominal size and standard come from the stored record.
std::vector<HoleDrawing> DrawingsFromScene(scene::Scene& scene, std::vector<std::string>& warnings);

// Writes `path` by its extension: ".step"/".stp" (STEP), ".stl" (binary STL), ".glb" (binary
// glTF) or ".svg" (section sheet), any letter case. Returns the lines of a short report (what was
// written, then warnings, each starting "warning: "). Throws ExportError naming the file for an
// unknown extension or a failed export, MissError for holes that cut nothing unless `options`
// allow them; the file is then left as it was.
std::vector<std::string> ExportModel(scene::Scene& scene, const std::string& path,
                                     const std::string& modelName = {},
                                     const ExportOptions& options = {});

}  // namespace cavix::exporter
