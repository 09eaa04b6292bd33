// The add-in's component library as the host registers it.
#pragma once

#include <vector>

#include "host/services.h"

namespace cavix::app {

// Every class of the add-in the scene can create by programmatic identifier: the hole classes
// and the catalog drop handler, as far as they are built into this program.
std::vector<host::ClassInfo> AddInClasses();

}  // namespace cavix::app
