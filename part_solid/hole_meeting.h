// Whether two holes' solids cut into each other, on Open CASCADE: for holes whose axes are not
// parallel, which no closed form decides.
#pragma once

#include "export/export.h"

namespace cavix::partsolid {

// True when the revolved solids of `a` and `b` (their first chains, in millimetres) share more
// than `toleranceMm` cubed of volume. A hole whose solid cannot be made meets nothing; never raises.
bool HoleSolidsMeet(const exporter::HoleSolidInput& a, const exporter::HoleSolidInput& b,
                    double toleranceMm);

}  // namespace cavix::partsolid
