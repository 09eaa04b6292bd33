// `cavix export MODEL OUT.step|OUT.stl|OUT.svg`: the part with its holes cut out, or the section
// sheet of its holes. Built when the export library is (Open CASCADE for STEP and STL).
#pragma once

#include "app/cli.h"

namespace cavix::app {

int CmdExport(Invocation& inv);

}  // namespace cavix::app
