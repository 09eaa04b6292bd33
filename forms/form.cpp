// The form: its controls, the focus with validation on leave, the user's input, modal showing and
// unloading, and the observers that a view redraws through.
#include "forms/form.h"

#include <algorithm>
#include <cctype>

#include "forms/ui.h"
#include "runtime/error.h"

namespace cavix::forms {

namespace {

constexpr int kMaxEventDepth = 256;

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

Form::EventScope::EventScope(Form* f) : f_(f) {
  if (!f_) return;
  if (f_->depth_ >= kMaxEventDepth) {
    f_ = nullptr;
    rt::Raise(28, "Out of stack space");
  }
  ++f_->depth_;
}

Form::EventScope::~EventScope() {
  if (f_) --f_->depth_;
}

Form::Form(std::string name) : name_(std::move(name)) {}

Form::~Form() = default;

void Form::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Notify(nullptr, Change::Caption);
}

void Form::SetClientSize(int width, int height) {
  if (width < 0 || height < 0) rt::Raise(380, "Invalid property value");
  clientWidth_ = width;
  clientHeight_ = height;
  Notify(nullptr, Change::Geometry);
}

void Form::SetPosition(float left, float top) {
  if (left == left_ && top == top_) return;
  left_ = left;
  top_ = top;
  Notify(nullptr, Change::Geometry);
}

void Form::Adopt(std::unique_ptr<Control> c, Control* container) {
  if (container && (container->form_ != this || container->Kind() != ControlKind::Frame))
    rt::Raise(rt::err::kInvalidCall, "A control can only be placed in a frame of its own form");
  for (const auto& other : controls_) {
    if (!SameName(other->Name(), c->Name())) continue;
    if (other->Index() < 0 || c->Index() < 0 || other->Index() == c->Index())
      rt::Raise(360, "Object already loaded", c->FullName());
  }
  c->form_ = this;
  c->container_ = container;
  controls_.push_back(std::move(c));
}

Control* Form::Find(std::string_view name, int index) const {
  for (const auto& c : controls_)
    if (c->Index() == (index < 0 ? -1 : index) && SameName(c->Name(), name)) return c.get();
  return nullptr;
}

Control& Form::Get(std::string_view name, int index) const {
  if (Control* c = Find(name, index)) return *c;
  std::string full(name);
  if (index >= 0) full += "(" + std::to_string(index) + ")";
  rt::Raise(730, "Control '" + full + "' not found");
}

void Form::RaiseTypeMismatch(std::string_view name, int index) {
  std::string full(name);
  if (index >= 0) full += "(" + std::to_string(index) + ")";
  rt::Raise(rt::err::kTypeMismatch, {}, full);
}

std::vector<Control*> Form::Array(std::string_view name) const {
  std::vector<Control*> out;
  for (const auto& c : controls_)
    if (c->Index() >= 0 && SameName(c->Name(), name)) out.push_back(c.get());
  std::sort(out.begin(), out.end(),
            [](const Control* a, const Control* b) { return a->Index() < b->Index(); });
  return out;
}

std::vector<Control*> Form::TabOrder() const {
  std::vector<Control*> out;
  for (const auto& c : controls_)
    if (c->IsFocusable() && c->TabStop()) out.push_back(c.get());
  std::stable_sort(out.begin(), out.end(), [](const Control* a, const Control* b) {
    return a->TabIndex() < b->TabIndex();
  });
  return out;
}

// ---- Focus ----

bool Form::CanFocus(const Control& c) const {
  return c.form_ == this && shown_ && c.IsFocusable() && c.EffectivelyEnabled() &&
         c.EffectivelyVisible();
}

bool Form::ValidateActiveFor(Control& target) {
  if (!active_ || active_ == &target || !target.CausesValidation() || validating_) return true;
  bool cancel = false;
  validating_ = true;
  try {
    active_->RaiseValidate(cancel);
  } catch (...) {
    validating_ = false;
    throw;
  }
  validating_ = false;
  return !cancel;
}

bool Form::SetFocus(Control& c) {
  if (!CanFocus(c)) rt::Raise(rt::err::kInvalidCall, {}, c.FullName());
  if (&c == active_) return true;
  if (!ValidateActiveFor(c)) return false;
  // The validation may have changed the form (disabled the target, unloaded the form).
  if (!CanFocus(c)) return false;
  MoveFocus(&c);
  return true;
}

void Form::MoveFocus(Control* c) {
  if (c == active_) return;
  Control* old = active_;
  active_ = c;
  if (old) old->RaiseLostFocus();
  Notify(c, Change::Focus);
  if (c && active_ == c) c->RaiseGotFocus();
}

void Form::ControlStateChanged(Control&) {
  if (!shown_ || !active_ || CanFocus(*active_)) return;
  // The control with the focus became unreachable: the focus goes on to the next tab stop, as
  // the window system moves it, without validating what cannot be edited any more.
  const std::vector<Control*> order = TabOrder();
  auto at = std::find(order.begin(), order.end(), active_);
  Control* next = nullptr;
  if (at != order.end()) {
    for (size_t k = 1; k < order.size() && !next; ++k) {
      Control* cand = order[(static_cast<size_t>(at - order.begin()) + k) % order.size()];
      if (CanFocus(*cand)) next = cand;
    }
  } else {
    for (Control* cand : order)
      if (!next && CanFocus(*cand)) next = cand;
  }
  MoveFocus(next);
}

// ---- The user's input ----

bool Form::UserFocus(Control& c) {
  if (!CanFocus(c)) return false;
  return SetFocus(c);
}

bool Form::UserClick(Control& c, int tab) {
  if (!UserFocus(c)) return false;
  switch (c.Kind()) {
    case ControlKind::CheckBox: {
      auto& box = static_cast<CheckBox&>(c);
      box.SetValue(box.Value() == 0 ? 1 : 0);
      break;
    }
    case ControlKind::OptionButton: {
      auto& opt = static_cast<OptionButton&>(c);
      if (opt.Value())
        opt.RaiseClick();
      else
        opt.SetValue(true);
      break;
    }
    case ControlKind::CommandButton:
      c.RaiseClick();
      break;
    case ControlKind::TabStrip:
      if (tab >= 0) static_cast<TabStrip&>(c).SetTab(tab);
      break;
    default:
      break;
  }
  return true;
}

bool Form::UserSelect(ComboBox& list, int index) {
  if (index < -1 || index >= list.ListCount()) rt::Raise(380, "Invalid property value");
  if (!UserFocus(list)) return false;
  list.SetListIndex(index);
  return true;
}

bool Form::UserCheck(CheckBox& box, int value) {
  if (value != 0 && value != 1) rt::Raise(380, "Invalid property value");
  if (!UserFocus(box)) return false;
  if (box.Value() != value) box.SetValue(value);
  return true;
}

bool Form::UserReplaceText(TextBox& box, std::string text) {
  if (!UserFocus(box)) return false;
  box.SetText(std::move(text));
  return true;
}

bool Form::PressButton(CommandButton& b) {
  if (!CanFocus(b)) return false;
  if (!ValidateActiveFor(b)) return false;
  b.RaiseClick();
  return true;
}

bool Form::UserKey(Control& c, int16_t key) {
  if (&c != active_ && !UserFocus(c)) return false;
  if (key == key::kTab) return UserTab();
  if (key == key::kEnter) {
    if (c.Kind() == ControlKind::CommandButton) {
      c.RaiseClick();
      return true;
    }
    if (CommandButton* b = DefaultButton()) return PressButton(*b);
  }
  if (key == key::kEscape) {
    if (CommandButton* b = CancelButton()) return PressButton(*b);
  }
  c.RaiseKeyPress(key);
  if (key == 0) return true;
  switch (c.Kind()) {
    case ControlKind::TextBox:
    case ControlKind::ComboBox:
      static_cast<TextBox&>(c).ApplyKey(key);
      break;
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
    case ControlKind::CommandButton:
      if (key == ' ') UserClick(c);
      break;
    default:
      break;
  }
  return true;
}

bool Form::UserTab() {
  const std::vector<Control*> order = TabOrder();
  if (order.empty()) return false;
  size_t start = 0;
  auto at = std::find(order.begin(), order.end(), active_);
  if (at != order.end()) start = static_cast<size_t>(at - order.begin()) + 1;
  for (size_t k = 0; k < order.size(); ++k) {
    Control* cand = order[(start + k) % order.size()];
    if (cand == active_) return false;
    if (CanFocus(*cand)) return SetFocus(*cand);
  }
  return false;
}

bool Form::UserClose() {
  if (!shown_) return false;
  return RunUnload(UnloadMode::FormControlMenu);
}

CommandButton* Form::DefaultButton() const {
  for (const auto& c : controls_)
    if (auto* b = dynamic_cast<CommandButton*>(c.get()); b && b->IsDefault()) return b;
  return nullptr;
}

CommandButton* Form::CancelButton() const {
  for (const auto& c : controls_)
    if (auto* b = dynamic_cast<CommandButton*>(c.get()); b && b->IsCancel()) return b;
  return nullptr;
}

// ---- Lifetime ----

void Form::Load() {
  if (loaded_ || unloaded_) return;
  loaded_ = true;
  EventScope scope(this);
  if (onLoad_) onLoad_();
}

void Form::ShowModal(Ui& ui) {
  if (ui.modal_) rt::Raise(400, "Form already displayed; can't show modally");
  if (unloaded_) rt::Raise(rt::err::kInvalidCall, "The form was unloaded; show a new one", name_);
  IModalDriver* driver = ui.driver_;
  if (!driver)
    rt::Raise(rt::err::kInvalidCall, "No window or dialog script to show the form in", name_);

  struct ModalGuard {
    Ui& ui;
    ModalGuard(Ui& u, Form* form) : ui(u) { ui.modal_ = form; }
    ~ModalGuard() { ui.modal_ = nullptr; }
  } guard(ui, this);

  try {
    Show();
    if (unloaded_) return;  // the load handler unloaded it
    driver->Run(*this);
  } catch (...) {
    if (!unloaded_) FinishUnload();
    throw;
  }
  if (!unloaded_) FinishUnload();
}

void Form::Show() {
  if (unloaded_) rt::Raise(rt::err::kInvalidCall, "The form was unloaded; show a new one", name_);
  Load();
  if (unloaded_ || shown_) return;
  shown_ = true;
  Notify(nullptr, Change::Shown);
  for (Control* c : TabOrder()) {
    if (CanFocus(*c)) {
      MoveFocus(c);
      break;
    }
  }
}

bool Form::Unload() {
  if (unloaded_) return true;
  return RunUnload(UnloadMode::FormCode);
}

bool Form::RunUnload(UnloadMode mode) {
  bool cancel = false;
  {
    EventScope scope(this);
    if (onQueryUnload_) onQueryUnload_(cancel, mode);
  }
  if (cancel || unloaded_) return unloaded_;
  {
    EventScope scope(this);
    if (onUnload_) onUnload_(cancel);
  }
  if (cancel || unloaded_) return unloaded_;
  FinishUnload();
  return true;
}

void Form::FinishUnload() {
  shown_ = false;
  loaded_ = false;
  unloaded_ = true;
  active_ = nullptr;
  Notify(nullptr, Change::Unloaded);
}

// ---- Observers ----

void Form::AddObserver(IFormObserver* o) {
  if (o && std::find(observers_.begin(), observers_.end(), o) == observers_.end())
    observers_.push_back(o);
}

void Form::RemoveObserver(IFormObserver* o) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void Form::Notify(const Control* c, Change what) {
  // A copy: an observer may remove itself while being told.
  const std::vector<IFormObserver*> observers = observers_;
  for (IFormObserver* o : observers)
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end())
      o->FormChanged(*this, c, what);
}

}  // namespace cavix::forms
