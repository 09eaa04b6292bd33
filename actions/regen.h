// What the host does to hole shapes when the part changes: regenerating them, and resizing the
// part's block first.
#pragma once

#include <vector>

#include "scene/scene.h"

namespace cavix::actions {

// Regenerates one shape through the class bound to it; an error is raised again with its number
// and the shape named ("could not regenerate #2: …").
void RegenerateHole(scene::Scene& model, scene::Shape& shape);

// Regenerates every shape bound to a hole class (a shape bound to a class the scene does not know
// is regenerated too, so that the problem is reported) through its class, in model order; returns
// them.
std::vector<scene::Shape*> RegenerateAll(scene::Scene& model);

// Gives the part's first shape (its block) new extents, then regenerates every hole; returns the
// regenerated holes. Raises 9 when the part has no shapes, and 5 for extents out of a block's
// bounds (scene::BlockExtentsProblem) or a part made from a STEP file (its size is its solid's).
std::vector<scene::Shape*> ResizeBlock(scene::Scene& model, const scene::Vec3& extents);

}  // namespace cavix::actions
