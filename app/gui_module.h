// The windows (the dialog's for --gui, the host window of `cavix open`) live in a module of their
// own, loaded the first time a command shows a window: every other command starts without
// loading Qt and the 3D viewer, which was a third of the command's start-up. The module and the
// command are built from the same sources by the same compiler; these are the two functions it
// offers, by name.
#pragma once

#include <functional>
#include <string>

#include "forms/ui.h"
#include "scene/scene.h"

namespace cavix::app {

extern "C" {
// RunInWindows of the Qt toolkit: shows the dialogs `call` opens in windows.
using RunInWindowsFunction = int (*)(const std::function<void(forms::Ui&)>* call);
// The host window on a model file; returns when it is closed.
using RunHostWindowFunction = int (*)(const std::string* model,
                                      const scene::ServiceConfig* services);
}
inline constexpr const char* kRunInWindowsName = "cavix_run_in_windows";
inline constexpr const char* kRunHostWindowName = "cavix_run_host_window";

// The module's functions, loaded once: from beside the command (a build tree), else from where
// an install puts it. Raises 53 naming the module and the loader's reason when it cannot be
// loaded.
struct GuiModule {
  RunInWindowsFunction runInWindows = nullptr;
  RunHostWindowFunction runHostWindow = nullptr;
};
const GuiModule& LoadGuiModule();

}  // namespace cavix::app
