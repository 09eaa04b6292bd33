// The hole classes of the component library, for the host's class registry.
#pragma once

#include <vector>

#include "hole_objects/hole.h"
#include "host/services.h"

namespace cavix {

// "Cavix.HoleSimple", "Cavix.HoleCBore", "Cavix.HoleCSink", "Cavix.HoleCDrill" with their class
// identifiers and factories; a double click on a shape bound to one of them reaches `edit`.
std::vector<host::ClassInfo> HoleClasses(holes::EditHoleHandler edit = {});

}  // namespace cavix
