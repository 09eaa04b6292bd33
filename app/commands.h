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

// cmd_geometry.cpp
int CmdRegen(Invocation& inv);
int CmdResize(Invocation& inv);
int CmdThreads(Invocation& inv);

// cmd_tables.cpp
int CmdCheckTables(Invocation& inv);

// cmd_open.cpp (built with the host window)
int CmdOpen(Invocation& inv);

}  // namespace cavix::app
