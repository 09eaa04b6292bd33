// The commands of `cavix`, one function each. To add one: write `int CmdName(Invocation&)` in a
// commands_*.cpp file, declare it here and add its row to the table in commands.cpp.
#pragma once

#include "app/cli.h"

namespace cavix::app {

int CmdNew(Invocation& inv);
int CmdShow(Invocation& inv);
// cmd_dialog.cpp
int CmdDrop(Invocation& inv);
int CmdEdit(Invocation& inv);
int CmdAssignEvent(Invocation& inv);

}  // namespace cavix::app
