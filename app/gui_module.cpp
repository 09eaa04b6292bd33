// The windows' module: the dialog's Qt window and the host window behind two C names, for the
// command to load when it first shows a window (gui_module.h).
#include "app/gui_module.h"
#include "forms/qt/window_driver.h"
#ifdef CAVIX_GUI_HOST_WINDOW
#include "host_window/host_window.h"
#endif
#include "runtime/error.h"

extern "C" __attribute__((visibility("default"))) int cavix_run_in_windows(
    const std::function<void(cavix::forms::Ui&)>* call) {
  return cavix::qtview::RunInWindows(*call);
}

extern "C" __attribute__((visibility("default"))) int cavix_run_host_window(
    const std::string* model, const cavix::scene::ServiceConfig* services) {
#ifdef CAVIX_GUI_HOST_WINDOW
  return cavix::hostwindow::RunHostWindow({*model, *services});
#else
  (void)model, (void)services;
  cavix::rt::Raise(cavix::rt::err::kInvalidCall, "this program has no host window");
#endif
}
