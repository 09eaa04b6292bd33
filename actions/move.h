// Moving holes: each to a new place on the part, along a new axis if need be, and regenerated
// there as the host regenerates a hole whose placement changed (a through hole measures the part
// again along its axis; a blind one keeps its profile).
#pragma once

#include <utility>
#include <vector>

#include "actions/holes.h"

namespace cavix::actions {

// A shape bound to one of the four hole classes (a catalog item's drop handler is no hole).
bool IsHole(const scene::Scene& model, const scene::Shape& shape);

// Moves every hole to its placement (page units, the axis pointing into the part), then
// regenerates each. Everything is checked before anything moves: a shape that is no hole, a
// position that is not finite or an axis that is zero or not finite raise 5 naming the shape.
// A regeneration that fails raises its error with the holes before it already moved (the caller
// keeps or discards the model as a whole).
void MoveHoles(scene::Scene& model, const std::vector<std::pair<scene::Shape*, Placement>>& moves);

}  // namespace cavix::actions
