// Showing forms modally in Qt windows: the modal driver, and the runner that shows the dialogs of
// one host call in windows (the `cavix --gui` commands and the host window use it).
#pragma once

#include <functional>

#include "forms/form.h"
#include "forms/ui.h"

namespace cavix::qtview {

class FormView;

// Runs each modal form in a FormView: shows the window, runs an event loop until the form is
// unloaded, then closes the window. An error raised by the form's handlers ends the loop and
// goes on to the caller of ShowModal.
class QtModalDriver : public forms::IModalDriver {
 public:
  void Run(forms::Form& form) override;
  // Called with each window right after it is shown, before the event loop runs (tests drive
  // the window from here; whatever they leave open, the loop then serves).
  void SetOnShown(std::function<void(FormView&)> f) { onShown_ = std::move(f); }
  // Forms run so far.
  int Shown() const { return shown_; }

 private:
  std::function<void(FormView&)> onShown_;
  int shown_ = 0;
};

// Runs `showDialog` with a Ui whose modal driver is a QtModalDriver and whose message service is
// a QtMessageService, creating the application object when there is none. Without a display (no
// DISPLAY or WAYLAND_DISPLAY, and no QT_QPA_PLATFORM) it raises a clear error instead of letting
// Qt abort. `onShown` is handed to the driver. Returns the number of forms shown.
int RunInWindows(const std::function<void(forms::Ui&)>& showDialog,
                 const std::function<void(FormView&)>& onShown = {});

// The Qt application object, created on first use (with the Fusion style, so windows look the
// same on every desktop); raises the same error as RunInWindows without a display.
void EnsureApplication();

}  // namespace cavix::qtview
