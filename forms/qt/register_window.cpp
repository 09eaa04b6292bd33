// Linked into a program (target cavix_qt_window), fills the forms' window hook with the Qt window.
#include "forms/qt/window_driver.h"
#include "forms/window_hook.h"

namespace {

int RunQt(const std::function<void()>& showDialog) {
  return cavix::qtview::RunInWindows(showDialog);
}

const bool kRegistered = [] {
  cavix::forms::WindowRunnerSlot() = &RunQt;
  return true;
}();

}  // namespace
