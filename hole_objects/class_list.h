// The hole classes of the component library, for the host's class registry.
#pragma once

#include <vector>

#include "host/services.h"

namespace cavix {

// "Cavix.HoleSimple", "Cavix.HoleCBore", "Cavix.HoleCSink", "Cavix.HoleCDrill" with their class
// identifiers and factories.
std::vector<host::ClassInfo> HoleClasses();

}  // namespace cavix
