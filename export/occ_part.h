// The Open CASCADE side of the solid export: hole tools from profiles, the one boolean that cuts
// them all, and the checks on its result. For callers that want the shape itself (tests, benches).
#pragma once

#include <TopoDS_Shape.hxx>
#include <string>
#include <vector>

#include "export/export.h"

namespace cavix::exporter {

// The revolved solid of each non-degenerate chain of `hole`. Degenerate chains are skipped and
// described in `warnings`; bad numbers or a chain that crosses itself raise ExportError. Given the
// block, a hole that opens on a face square to its axis starts a little outside that face (it
// removes the same material from the block, but is no longer the exact revolved profile).
std::vector<TopoDS_Shape> MakeHoleTools(const HoleSolidInput& hole, int holeIndex,
                                        std::vector<std::string>& warnings,
                                        const std::array<double, 3>* block = nullptr);

// The block with every hole removed in a single boolean cut. The result is checked with
// BRepCheck_Analyzer; an invalid or empty result raises ExportError. `summary` (optional) receives
// the counts and warnings; its volumes are filled by Measure only.
TopoDS_Shape CutPart(const PartInput& part, ExportSummary* summary = nullptr);

// Volume of a shape in mm^3, integrated to a relative accuracy far below 1e-9 of the part.
double SolidVolume(const TopoDS_Shape& shape);

}  // namespace cavix::exporter
