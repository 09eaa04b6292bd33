// The hook through which a command shows dialogs in real windows when a window toolkit is built
// in (forms/qt fills it); without one the slot stays empty and callers report that.
#pragma once

#include <functional>

namespace cavix::forms {

// Runs `showDialog` (the host call that opens a dialog, e.g. a drop or a double click) with the
// forms it shows modally in windows and its message boxes as real ones, and returns when it
// returns, with the number of forms it showed (0: the call refused before any dialog). Errors of
// `showDialog` and of the forms' handlers go on to the caller.
using WindowRunner = int (*)(const std::function<void()>& showDialog);

// The runner in force, or null when no window toolkit was linked in.
inline WindowRunner& WindowRunnerSlot() noexcept {
  static WindowRunner runner = nullptr;
  return runner;
}

}  // namespace cavix::forms
