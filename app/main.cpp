// The `cavix` command: places and edits parametric holes in a model file.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#ifdef CAVIX_WITH_QT
#include "forms/qt/window_driver.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  cavix::actions::WindowRunner windows;
#ifdef CAVIX_WITH_QT
  windows = [](const auto& call) { return cavix::qtview::RunInWindows(call); };
#endif
  return cavix::app::Run(args, std::cout, std::cerr, windows);
}
