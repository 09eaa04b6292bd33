// Shape helpers shared by the hole classes and the catalog drop handler.
#pragma once

#include <string>

#include "host/host_model.h"

namespace cavix::holes {

// Binds `objHole` to a class: variables 3 and 4 of the first component of collection 25 take the
// long 5, variable 1 of the first component of collection 43 the class tag. Components are
// created when missing and reused otherwise.
void BindShapeToClass(host::IShape& objHole, std::string& tag);

}  // namespace cavix::holes
