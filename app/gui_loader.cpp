// Loads the windows' module (gui_module.h) on first use.
#include <dlfcn.h>

#include <mutex>
#include <string>

#include "app/gui_module.h"
#include "runtime/error.h"
#include "runtime/module.h"

namespace cavix::app {
namespace {

GuiModule Load() {
  // Where an install puts it relative to the command: CAVIX_GUI_MODULE_FROM_BINDIR, e.g.
  // ../lib/x86_64-linux-gnu/cavix.
  const rt::Module module = rt::LoadModule(CAVIX_GUI_MODULE_NAME, CAVIX_GUI_MODULE_FROM_BINDIR);
  if (!module.handle) rt::Raise(rt::err::kFileNotFound, "the windows cannot be shown: " + module.why);
  GuiModule m;
  m.runInWindows =
      reinterpret_cast<RunInWindowsFunction>(::dlsym(module.handle, kRunInWindowsName));
  m.runHostWindow =
      reinterpret_cast<RunHostWindowFunction>(::dlsym(module.handle, kRunHostWindowName));
  if (!m.runInWindows || !m.runHostWindow)
    rt::Raise(rt::err::kFileNotFound,
              "the windows cannot be shown: " CAVIX_GUI_MODULE_NAME " is not Cavix's windows module");
  return m;
}

}  // namespace

const GuiModule& LoadGuiModule() {
  static std::once_flag once;
  static GuiModule module;
  std::call_once(once, [] { module = Load(); });
  return module;
}

}  // namespace cavix::app
