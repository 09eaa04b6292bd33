// `cavix export MODEL OUT.step|OUT.stl|OUT.glb|OUT.svg [--allow-misses]`: the part with its holes
// cut out, or the section sheet of its holes. Built when the export library is (Open CASCADE for
// STEP, STL and glTF).
#pragma once

#include "app/cli.h"

namespace cavix::app {

int CmdExport(Invocation& inv);

}  // namespace cavix::app
