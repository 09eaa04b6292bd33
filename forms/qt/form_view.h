// A Qt window that shows a headless form (forms/form.h) and forwards the user's input to it.
// The form stays the single truth: every click, pick, typed key and focus move goes to the form,
// and the widgets are redrawn from the form when it reports a change.
#pragma once

#include <QWidget>
#include <exception>
#include <functional>
#include <map>
#include <string>

#include "forms/form.h"
#include "forms/qt/looks.h"

class QButtonGroup;

namespace cavix::qtview {

// Twips per pixel at 96 dots per inch.
inline constexpr double kTwipsPerPixel = 15;

class FormView : public QWidget, public forms::IFormObserver {
 public:
  // Builds one widget per control of `form` (which must outlive the view) at its place, scaled
  // for the screen's logical dpi. The view observes the form until it is destroyed.
  explicit FormView(forms::Form& form, QWidget* parent = nullptr);
  ~FormView() override;
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  forms::Form& Model() const { return form_; }
  // The widget that shows `control` (null for an image list or a control of another form).
  QWidget* WidgetOf(const forms::Control& control) const;
  QWidget* WidgetOf(std::string_view name, int index = -1) const;
  // The control a widget (or one of its children, such as a combo box's edit field) shows.
  forms::Control* ControlOf(const QWidget* widget) const;

  // Pixels per twip on this screen (1/15 at 96 dpi).
  double PixelsPerTwip() const { return scale_; }
  int ToPixels(int twips) const;
  // Where a control is drawn, relative to the window's client area.
  QRect ClientRect(const forms::Control& control) const;

  // The form's handlers may throw; Qt cannot carry an exception through its event loop, so the
  // view catches it and hands it here (the modal driver ends the loop and rethrows it).
  void SetErrorSink(std::function<void(std::exception_ptr)> sink) { errorSink_ = std::move(sink); }
  // Called once when the form reports that it was unloaded.
  void SetOnUnloaded(std::function<void()> f) { onUnloaded_ = std::move(f); }

  // Redraws every control from the form.
  void SyncAll();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void FormChanged(const forms::Form& form, const forms::Control* control,
                   forms::Change what) override;
  void Build();
  QWidget* Create(forms::Control& c, QWidget* parent);
  void Watch(QWidget* w, forms::Control& c);
  void Sync(const forms::Control& c);
  void SyncPicture(const forms::Control& c, QWidget* w);
  void SyncFocus();
  void ApplyFont(const forms::Control& c, QWidget* w);
  // Moves the window to the form's position; a position where its title bar cannot be grabbed
  // (a monitor since unplugged, a hand-edited preferences file) centres it on the primary
  // screen instead.
  void Place();
  // The form's position in pixels; false when it is too far out to be a screen position.
  bool KeptPosition(QPoint& at) const;
  QString CaptionText(const forms::Control& c) const;
  // Runs one forwarded action; an exception goes to the error sink and counts as refused.
  bool Forward(const std::function<bool()>& action);
  bool OnKey(forms::Control& c, QWidget* w, QKeyEvent* e);
  bool OnMousePress(forms::Control& c, QWidget* w, QMouseEvent* e);
  void OnFocusIn(forms::Control& c);
  bool BackTab();

  forms::Form& form_;
  double scale_ = 1.0 / kTwipsPerPixel;
  const std::map<std::string, ControlLook>& looks_;
  std::map<const forms::Control*, QWidget*> widgets_;
  std::map<const QObject*, forms::Control*> controls_;
  std::map<const forms::Control*, QButtonGroup*> groups_;  // container -> its option group
  int syncing_ = 0;          // redrawing from the form: widget signals are not user input
  bool focusing_ = false;    // moving the Qt focus to follow the form
  bool forwarding_ = false;  // an action is with the form (its message boxes run event loops)
  bool unloaded_ = false;
  bool positioning_ = false;  // window and form position following each other
  std::function<void(std::exception_ptr)> errorSink_;
  std::function<void()> onUnloaded_;
};

}  // namespace cavix::qtview
