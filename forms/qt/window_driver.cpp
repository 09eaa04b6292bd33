// The modal driver of the Qt window and the runner that puts it in force.
#include "forms/qt/window_driver.h"

#include <QApplication>
#include <QEventLoop>
#include <QStyleFactory>
#include <cstdlib>
#include <exception>

#include "forms/qt/form_view.h"
#include "forms/qt/message_box_qt.h"
#include "runtime/error.h"

namespace cavix::qtview {

void QtModalDriver::Run(forms::Form& form) {
  if (!form.IsShown()) return;
  ++shown_;
  FormView view(form);
  QEventLoop loop;
  std::exception_ptr error;
  bool unloaded = false;
  view.SetErrorSink([&](std::exception_ptr e) {
    if (!error) error = e;
    loop.exit(1);
  });
  view.SetOnUnloaded([&] {
    unloaded = true;
    loop.exit(0);
  });
  view.show();
  view.raise();
  view.activateWindow();
  if (onShown_) onShown_(view);
  if (!unloaded && !error) loop.exec();
  view.hide();
  if (error) std::rethrow_exception(error);
}

namespace {

bool HasDisplay() {
  for (const char* var : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(var);
    if (v && *v) return true;
  }
  return false;
}

}  // namespace

void EnsureApplication() {
  if (QApplication::instance()) return;
  if (!HasDisplay())
    rt::Raise(rt::err::kInvalidCall,
              "No display to open the window on: set DISPLAY (or QT_QPA_PLATFORM=offscreen)");
  // The application object lives until the process ends (destroying it among the static
  // destructors at exit would race Qt's own); its arguments must outlive it.
  static int argc = 1;
  static char name[] = "cavix";
  static char* argv[] = {name, nullptr};
  static QApplication* const app = new QApplication(argc, argv);
  (void)app;
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setApplicationName(QStringLiteral("Cavix"));
}

int RunInWindows(const std::function<void(forms::Ui&)>& showDialog,
                 const std::function<void(FormView&)>& onShown) {
  EnsureApplication();
  QtModalDriver driver;
  driver.SetOnShown(onShown);
  QtMessageService messages;
  forms::Ui ui(&driver, &messages);
  showDialog(ui);
  return driver.Shown();
}

}  // namespace cavix::qtview
