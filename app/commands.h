// The commands of `cavix`, one function each: each parses its options, calls the typed functions
// of actions/ (or the scene and export layers) and prints what they return. To add one: write
// `int CmdName(Invocation&)` in a cmd_*.cpp file, declare it here and add its row to the table in
// commands.cpp.
#pragma once

#include "app/cli.h"

namespace cavix::app {

// commands_model.cpp
int CmdNew(Invocation& inv);
int CmdShow(Invocation& inv);
// cmd_dialog.cpp
int CmdDrop(Invocation& inv);
int CmdEdit(Invocation& inv);
int CmdAssignEvent(Invocation& inv);
// cmd_geometry.cpp
int CmdMove(Invocation& inv);
int CmdRegen(Invocation& inv);
int CmdResize(Invocation& inv);
int CmdThreads(Invocation& inv);
// cmd_holes.cpp
int CmdHoles(Invocation& inv);
// cmd_check.cpp
int CmdCheck(Invocation& inv);
int CmdDelete(Invocation& inv);
// cmd_export.cpp
int CmdExport(Invocation& inv);
// cmd_tables.cpp
int CmdCheckTables(Invocation& inv);
int CmdPaths(Invocation& inv);
// cmd_demo.cpp
int CmdDemo(Invocation& inv);

// cmd_open.cpp (built with the host window)
int CmdOpen(Invocation& inv);

}  // namespace cavix::app
