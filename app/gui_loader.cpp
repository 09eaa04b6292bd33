// Loads the windows' module (gui_module.h) on first use.
#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "app/gui_module.h"
#include "runtime/error.h"

namespace cavix::app {
namespace {

// Where the module may be: beside the command, as in a build tree, then where an install puts
// it relative to the command (CAVIX_GUI_MODULE_FROM_BINDIR, e.g. ../lib/x86_64-linux-gnu/cavix).
std::vector<std::filesystem::path> Candidates() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path dir = ec ? std::filesystem::path(".") : self.parent_path();
  return {dir / CAVIX_GUI_MODULE_NAME,
          dir / CAVIX_GUI_MODULE_FROM_BINDIR / CAVIX_GUI_MODULE_NAME};
}

GuiModule Load() {
  std::string why;
  for (const std::filesystem::path& path : Candidates()) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) continue;
    // Kept loaded for the rest of the process: its windows may outlive any one command.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      const char* error = ::dlerror();
      why = "cannot load \"" + path.string() + "\": " + (error ? error : "unknown reason");
      continue;
    }
    GuiModule m;
    m.runInWindows =
        reinterpret_cast<RunInWindowsFunction>(::dlsym(module, kRunInWindowsName));
    m.runHostWindow =
        reinterpret_cast<RunHostWindowFunction>(::dlsym(module, kRunHostWindowName));
    if (m.runInWindows && m.runHostWindow) return m;
    why = "\"" + path.string() + "\" is not Cavix's windows module";
  }
  if (why.empty())
    why = "\"" + Candidates().back().lexically_normal().string() + "\" is not installed";
  rt::Raise(rt::err::kFileNotFound, "the windows cannot be shown: " + why);
}

}  // namespace

const GuiModule& LoadGuiModule() {
  static std::once_flag once;
  static GuiModule module;
  std::call_once(once, [] { module = Load(); });
  return module;
}

}  // namespace cavix::app
