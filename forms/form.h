// A headless form: owns its controls by name, holds the focus (with validation on leave), takes
// the user's input (clicks, picks, typed keys, focus moves, closing through the frame) and shows
// modally under a driver (a dialog script, or the Qt window's event loop). It is the single truth
// a view observes and redraws from.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "forms/controls.h"

namespace cavix::forms {

// Receives every change of a form and of its controls.
class IFormObserver {
 public:
  virtual ~IFormObserver() = default;
  // `control` is null for changes of the form itself (Shown, Unloaded, Caption, Focus to none).
  virtual void FormChanged(const Form& form, const Control* control, Change what) = 0;
};

// Why a form is being unloaded, passed to QueryUnload (the classic codes).
enum class UnloadMode : int { FormControlMenu = 0, FormCode = 1 };

// Runs a modal form until it is unloaded: a dialog script, or a window's event loop.
class IModalDriver {
 public:
  virtual ~IModalDriver() = default;
  // Drives `form`, which is shown; returns once the form is unloaded. May throw: the form is then
  // unloaded without its events and the exception goes on to the caller of ShowModal.
  virtual void Run(Form& form) = 0;
};

class Ui;

class Form {
 public:
  explicit Form(std::string name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // Client area in twips.
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);
  // The window's position on the screen in twips (its outer top-left corner). The form keeps it
  // between showings; a view places its window there and records where the user moves it.
  float Left() const { return left_; }
  float Top() const { return top_; }
  void SetPosition(float left, float top);

  // Adds a control named `name` (element `index` of a control array when index >= 0) inside
  // `container` (a Frame of this form, or null for the form itself). A name that is already
  // taken (or an array name used without index, or the reverse) raises 360 "Object already
  // loaded"; a container that is not a frame of this form raises 5.
  template <class T>
  T& Add(std::string name, int index = -1, Control* container = nullptr) {
    static_assert(std::is_base_of_v<Control, T>);
    auto c = std::make_unique<T>(std::move(name), index);
    T& ref = *c;
    Adopt(std::move(c), container);
    return ref;
  }

  // The control named `name` (array element `index`), or null.
  Control* Find(std::string_view name, int index = -1) const;
  // Same, raising 730 "Control '<name>' not found" when there is none.
  Control& Get(std::string_view name, int index = -1) const;
  // Typed lookup; a control of another kind raises 13 "Type mismatch".
  template <class T>
  T& Get(std::string_view name, int index = -1) const {
    auto* t = dynamic_cast<T*>(&Get(name, index));
    if (!t) RaiseTypeMismatch(name, index);
    return *t;
  }
  // The elements of a control array in index order (empty when there is no such array).
  std::vector<Control*> Array(std::string_view name) const;
  // Every control, in the order they were added.
  const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
  // The controls that take the focus with the Tab key, by TabIndex (then order of adding).
  std::vector<Control*> TabOrder() const;

  // ---- Focus ----
  Control* ActiveControl() const { return active_; }
  // True when `c` can take the focus now: a focusable kind, enabled and visible (frames around it
  // too), on this form, which is shown.
  bool CanFocus(const Control& c) const;
  // Moves the focus to `c`. When `c` CausesValidation, the control that has the focus raises
  // Validate first; if it refuses, the focus stays where it was and the result is false.
  // A control that cannot take the focus raises 5 "Invalid procedure call or argument".
  bool SetFocus(Control& c);

  // ---- The user's input (what a person does; a view or a script forwards it) ----
  // Each moves the focus to the control first (as SetFocus: false when the control that had it
  // refused to let it go, and then nothing else happens). A control the user cannot reach
  // (CanFocus false, or a label/frame) is left alone and the result is false.
  //
  // A click: a check box toggles, an option button turns on (and raises Click even when it was
  // on already), a command button raises Click, a tab strip selects tab `tab` (or raises nothing
  // for the selected tab).
  bool UserClick(Control& c, int tab = -1);
  // Picks entry `index` of a list or combo box (raises 380 when out of range).
  bool UserSelect(ComboBox& list, int index);
  // Sets a check box to `value` (0 or 1); nothing more when it has that value already.
  bool UserCheck(CheckBox& box, int value);
  // Replaces the whole text of a text box or editable combo box (as pasting over all of it).
  bool UserReplaceText(TextBox& box, std::string text);
  // One key typed into the control that has the focus, or into `c` after moving the focus there.
  // Enter presses the default button and Escape the cancel button (each validating the control
  // that has the focus first, as moving to the button would); Tab moves to the next tab stop.
  // Other keys go through the control's KeyPress event and then into its text.
  bool UserKey(Control& c, int16_t key);
  // Moves the focus as a user's click or Tab would (false when refused or unreachable).
  bool UserFocus(Control& c);
  // Tab: the next control of the tab order that can take the focus.
  bool UserTab();
  // Closing through the window frame: QueryUnload (mode FormControlMenu), then unloads unless
  // refused. No validation runs. True when the form was unloaded.
  bool UserClose();

  // ---- Lifetime ----
  // Raises the Load event once (ShowModal does it when nobody did).
  void Load();
  bool IsShown() const { return shown_; }
  // Loads the form, shows it, puts the focus on the first tab stop, and hands it to the modal
  // driver of `ui` until it is unloaded. Only one form is shown modally in a Ui at a time:
  // another ShowModal while one runs raises 400 "Form already displayed; can't show modally";
  // without a driver it raises 5. Each form shows once: a new showing needs a new form.
  void ShowModal(Ui& ui);
  // Loads and shows the form without waiting (modeless), focus on the first tab stop. A form
  // that was unloaded raises 5.
  void Show();
  // Unloads the form: QueryUnload(mode FormCode) and Unload may refuse; otherwise the form is no
  // longer shown and ShowModal returns when its driver sees that. True when unloaded.
  bool Unload();
  // The buttons with the default / cancel flag, or null.
  CommandButton* DefaultButton() const;
  CommandButton* CancelButton() const;

  // Form events. QueryUnload and Unload receive a refuse flag.
  void OnLoad(std::function<void()> f) { onLoad_ = std::move(f); }
  void OnQueryUnload(std::function<void(bool& cancel, UnloadMode mode)> f) {
    onQueryUnload_ = std::move(f);
  }
  void OnUnload(std::function<void(bool& cancel)> f) { onUnload_ = std::move(f); }

  // ---- Observers (not owned; remove before destroying them) ----
  void AddObserver(IFormObserver* o);
  void RemoveObserver(IFormObserver* o);
  void Notify(const Control* c, Change what);

  // Counts nested event handlers (Control raises events through it); 28 "Out of stack space"
  // past 256 levels, so that handlers that chain forever end with an error, not a crash.
  class EventScope {
   public:
    explicit EventScope(Form* f);
    ~EventScope();
    EventScope(const EventScope&) = delete;
    EventScope& operator=(const EventScope&) = delete;

   private:
    Form* f_;
  };

 private:
  friend class Control;
  friend class OptionButton;
  friend class CommandButton;
  void Adopt(std::unique_ptr<Control> c, Control* container);
  [[noreturn]] static void RaiseTypeMismatch(std::string_view name, int index);
  void ControlStateChanged(Control& c);  // focus leaves a control that became unreachable
  bool PressButton(CommandButton& b);
  // Validates the control with the focus before the focus (or Enter/Escape) goes to `target`.
  bool ValidateActiveFor(Control& target);
  void MoveFocus(Control* c);
  // Asks the query-unload handler, then the unload handler; either may cancel. True when the
  // form ends up unloaded.
  bool RunUnload(UnloadMode mode);
  void FinishUnload();

  std::string name_;
  std::string caption_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  float left_ = 0, top_ = 0;
  std::vector<std::unique_ptr<Control>> controls_;
  Control* active_ = nullptr;
  bool loaded_ = false;
  bool shown_ = false;
  bool unloaded_ = false;
  bool validating_ = false;
  int depth_ = 0;
  std::vector<IFormObserver*> observers_;
  std::function<void()> onLoad_;
  std::function<void(bool&, UnloadMode)> onQueryUnload_;
  std::function<void(bool&)> onUnload_;
};

}  // namespace cavix::forms
