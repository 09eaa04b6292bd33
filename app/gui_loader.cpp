// Loads the windows' module (gui_module.h) on first use.
#include <string>

#include "app/gui_module.h"
#include "runtime/error.h"
#include "runtime/module.h"

namespace cavix::app {
namespace {

GuiModule Load() {
  // Where an install puts it relative to the command: CAVIX_GUI_MODULE_FROM_BINDIR, e.g.
  // ../lib/x86_64-linux-gnu/cavix.
  const rt::Module module = rt::LoadModule(CAVIX_GUI_MODULE_NAME, CAVIX_GUI_MODULE_FROM_BINDIR,
                                           {kRunInWindowsName, kRunHostWindowName});
  if (!module.handle) rt::Raise(rt::err::kFileNotFound, "the windows cannot be shown: " + module.why);
  return {module.Get<RunInWindowsFunction>(kRunInWindowsName),
          module.Get<RunHostWindowFunction>(kRunHostWindowName)};
}

}  // namespace

const GuiModule& LoadGuiModule() {
  // Loaded by the first caller; one that fails is tried again by the next.
  static const GuiModule module = Load();
  return module;
}

}  // namespace cavix::app
