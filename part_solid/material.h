// The part's material along a hole's axis: where the axis line enters the part's solid, every
// exit and re-entry, and the last exit. The one place that measures the part; the block is made
// into a solid like any imported part before it is measured.
#pragma once

#include <TopoDS_Shape.hxx>
#include <array>

#include "host/axis_material.h"
#include "scene/scene.h"

namespace cavix::partsolid {

// The runs of material of `solid` along the line through `at` (mm) in direction `axis` (any
// length but zero), both sides of `at`, with the faces entered and left. Never raises: a kernel
// failure, a zero axis or a position that is not finite comes back in `failure`.
host::AxisMaterial MaterialAlong(const TopoDS_Shape& solid, const std::array<double, 3>& at,
                                 const std::array<double, 3>& axis);

// Gives `model` a material probe that measures its parts on their solids (a block made into one),
// in the page's length unit. The probe keeps the last solid it made and makes it again only when
// the part's solid or block changes. A part that cannot be made into a solid is a failure in the
// answer, not an error.
void InstallMaterialProbe(scene::Scene& model);

}  // namespace cavix::partsolid
