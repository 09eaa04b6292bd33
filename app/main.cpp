// The `cavix` command: places and edits parametric holes in a model file.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#ifdef CAVIX_WITH_QT
#include "app/gui_module.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  cavix::actions::WindowRunner windows;
  cavix::app::HostRunner host;
#ifdef CAVIX_WITH_QT
  // Loaded only by the commands that show a window.
  windows = [](const auto& call) { return cavix::app::LoadGuiModule().runInWindows(&call); };
  host = [](const std::string& model, const cavix::scene::ServiceConfig& services) {
    return cavix::app::LoadGuiModule().runHostWindow(&model, &services);
  };
#endif
  return cavix::app::Run(args, std::cout, std::cerr, windows, host);
}
