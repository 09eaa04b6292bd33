// A part's own solid: read from a STEP file, kept in the model file as BRep text on the part's
// first shape, and made back into a shape to cut the holes from. Open CASCADE only, no window, so
// that `cavix new --from` works in a build without Qt.
#pragma once

#include <TopoDS_Shape.hxx>
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "export/export.h"
#include "scene/scene.h"

namespace cavix::partsolid {

// The solid of a STEP file, where the file puts it (so that positions and exports are in the
// file's own frame), and the extents of its bounding box, which are the part's size.
struct ImportedSolid {
  std::string brep;                 // BRep text, millimetres
  std::array<double, 3> extents{};  // of its bounding box
};

// Reads the one solid of a STEP file, in millimetres whatever unit the file was written in.
// Raises 53 when the file does not exist and 321 naming the file and the problem when it cannot
// be read, holds no solid or several, or its solid is not valid.
ImportedSolid ReadStepSolid(const std::string& path);

// The text a solid is kept as, and the shape back from it (321 naming `where` when the text is
// not a shape with a solid in it).
std::string BrepText(const TopoDS_Shape& shape);
TopoDS_Shape ShapeFromBrep(const std::string& text, const std::string& where);

// The bounding box of a shape (x0, y0, z0, x1, y1, z1), none for a shape with no extent.
std::optional<std::array<double, 6>> BoxOf(const TopoDS_Shape& shape);

// The solid the holes of `part` are cut from: its own solid, or the block.
TopoDS_Shape BaseSolid(const exporter::PartInput& part);

// A new model as Scene::NewModel makes one, whose part is the solid of a STEP file: the solid on
// the part's first shape (named after the file) and its bounding box's extents as that shape's
// size. An inch page gets the extents in inches; the solid stays in millimetres.
std::unique_ptr<scene::Scene> NewModelFromStep(const std::string& stepPath,
                                               scene::Units units = scene::Units::Millimetre,
                                               int precision = 2);

}  // namespace cavix::partsolid
