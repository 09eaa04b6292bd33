// The controls' properties and events: every change is reported to the form's observers, and
// values set by code raise the same events a user's change does.
#include "forms/controls.h"

#include "forms/form.h"
#include "forms/keys.h"
#include "runtime/error.h"

namespace cavix::forms {

namespace {
[[noreturn]] void InvalidValue() { rt::Raise(380, "Invalid property value"); }
}  // namespace

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return "label";
    case ControlKind::Frame:
      return "frame";
    case ControlKind::TextBox:
      return "textbox";
    case ControlKind::CheckBox:
      return "checkbox";
    case ControlKind::OptionButton:
      return "option";
    case ControlKind::CommandButton:
      return "button";
    case ControlKind::ComboBox:
      return "combo";
    case ControlKind::DropDownList:
      return "list";
    case ControlKind::TabStrip:
      return "tabstrip";
    case ControlKind::ImageList:
      return "imagelist";
  }
  return "control";
}

// ---- Control ----

Control::Control(ControlKind kind, std::string name, int index)
    : kind_(kind), name_(std::move(name)), index_(index < 0 ? -1 : index) {
  tabStop_ = IsFocusable();
}

Control::~Control() = default;

std::string Control::FullName() const {
  if (index_ < 0) return name_;
  return name_ + "(" + std::to_string(index_) + ")";
}

void Control::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Notify(Change::Caption);
}

void Control::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Notify(Change::Enabled);
  if (form_) form_->ControlStateChanged(*this);
}

void Control::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  Notify(Change::Visible);
  if (form_) form_->ControlStateChanged(*this);
}

bool Control::EffectivelyEnabled() const {
  for (const Control* c = this; c; c = c->container_)
    if (!c->enabled_) return false;
  return true;
}

bool Control::EffectivelyVisible() const {
  for (const Control* c = this; c; c = c->container_)
    if (!c->visible_) return false;
  return true;
}

void Control::Move(int left, int top, int width, int height) {
  if (width < 0 || height < 0) InvalidValue();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Notify(Change::Geometry);
}

void Control::SetTabIndex(int i) {
  if (i < 0) InvalidValue();
  tabIndex_ = i;
  Notify(Change::TabOrder);
}

void Control::SetTabStop(bool on) {
  tabStop_ = on;
  Notify(Change::TabOrder);
}

void Control::SetTag(std::string tag) {
  if (tag == tag_) return;
  tag_ = std::move(tag);
  Notify(Change::Tag);
}

void Control::SetPicture(const ImageList& list, int number) {
  if (number < 0 || number > list.Count()) rt::Raise(35600, "Index out of bounds");
  if (number == 0) {
    ClearPicture();
    return;
  }
  if (pictureList_ == &list && picture_ == number) return;
  pictureList_ = &list;
  picture_ = number;
  Notify(Change::Picture);
}

void Control::ClearPicture() {
  if (!pictureList_ && picture_ == 0) return;
  pictureList_ = nullptr;
  picture_ = 0;
  Notify(Change::Picture);
}

bool Control::IsFocusable() const {
  switch (kind_) {
    case ControlKind::Label:
    case ControlKind::Frame:
    case ControlKind::ImageList:
      return false;
    default:
      return true;
  }
}

void Control::Refresh() { Notify(Change::Redraw); }

void Control::RaiseClick() {
  Form::EventScope scope(form_);
  if (onClick_) onClick_();
}

void Control::RaiseKeyPress(int16_t& key) {
  Form::EventScope scope(form_);
  if (onKeyPress_) onKeyPress_(key);
}

void Control::RaiseValidate(bool& cancel) {
  Form::EventScope scope(form_);
  if (onValidate_) onValidate_(cancel);
}

void Control::RaiseChange() {
  Form::EventScope scope(form_);
  if (onChange_) onChange_();
}

void Control::RaiseGotFocus() {
  Form::EventScope scope(form_);
  if (onGotFocus_) onGotFocus_();
}

void Control::RaiseLostFocus() {
  Form::EventScope scope(form_);
  if (onLostFocus_) onLostFocus_();
}

void Control::Notify(Change what) {
  if (form_) form_->Notify(this, what);
}

// ---- Simple kinds ----

Label::Label(std::string name, int index) : Control(ControlKind::Label, std::move(name), index) {}
Frame::Frame(std::string name, int index) : Control(ControlKind::Frame, std::move(name), index) {}

// ---- TextBox ----

TextBox::TextBox(std::string name, int index)
    : TextBox(ControlKind::TextBox, std::move(name), index) {}

TextBox::TextBox(ControlKind kind, std::string name, int index)
    : Control(kind, std::move(name), index) {}

void TextBox::SetText(std::string text) {
  const bool changed = text != text_;
  text_ = std::move(text);
  selStart_ = CharCount(text_);
  selLength_ = 0;
  caretByte_ = text_.size();
  if (!changed) return;
  TextEdited();
  Notify(Change::Text);
  RaiseChange();
}

void TextBox::SetTextQuietly(std::string text) {
  const bool changed = text != text_;
  text_ = std::move(text);
  selStart_ = CharCount(text_);
  selLength_ = 0;
  caretByte_ = text_.size();
  if (changed) Notify(Change::Text);
}

void TextBox::SetSelection(int start, int length) {
  const int n = CharCount(text_);
  if (start < 0) start = 0;
  if (start > n) start = n;
  if (length < 0) length = 0;
  if (length > n - start) length = n - start;
  selStart_ = start;
  selLength_ = length;
  caretByte_ = CharOffset(text_, selStart_);
}

void TextBox::ApplyKey(int16_t key) {
  const size_t from = caretByte_;
  const size_t to = from + CharOffset(std::string_view(text_).substr(from), selLength_);
  if (key == key::kBackspace) {
    if (selLength_ > 0) {
      text_.erase(from, to - from);
    } else if (selStart_ > 0) {
      const size_t before = PreviousCharOffset(text_, from);
      text_.erase(before, from - before);
      --selStart_;
      caretByte_ = before;
    } else {
      return;
    }
  } else {
    const std::string ch = Utf8OfAnsi(key);
    if (ch.empty()) return;  // a control code: no text
    const bool same = text_.compare(from, to - from, ch) == 0;
    text_.replace(from, to - from, ch);
    ++selStart_;
    caretByte_ = from + ch.size();
    selLength_ = 0;
    if (same) return;
  }
  selLength_ = 0;
  TextEdited();
  Notify(Change::Text);
  RaiseChange();
}

// ---- CheckBox ----

CheckBox::CheckBox(std::string name, int index)
    : Control(ControlKind::CheckBox, std::move(name), index) {}

void CheckBox::SetValue(int value) {
  if (value < 0 || value > 2) InvalidValue();
  if (value == value_) return;
  value_ = value;
  Notify(Change::Value);
  RaiseClick();
}

// ---- OptionButton ----

OptionButton::OptionButton(std::string name, int index)
    : Control(ControlKind::OptionButton, std::move(name), index) {}

void OptionButton::SetValue(bool on) {
  if (on == value_) return;
  if (!on) {
    value_ = false;
    Notify(Change::Value);
    return;
  }
  if (Form* f = Parent()) {
    for (const auto& c : f->Controls()) {
      auto* other = dynamic_cast<OptionButton*>(c.get());
      if (!other || other == this || other->Container() != Container() || !other->value_) continue;
      other->value_ = false;
      other->Notify(Change::Value);
    }
  }
  value_ = true;
  Notify(Change::Value);
  RaiseClick();
}

// ---- CommandButton ----

CommandButton::CommandButton(std::string name, int index)
    : Control(ControlKind::CommandButton, std::move(name), index) {}

void CommandButton::SetDefault(bool on) {
  if (on && Parent()) {
    for (const auto& c : Parent()->Controls()) {
      auto* b = dynamic_cast<CommandButton*>(c.get());
      if (b && b != this && b->default_) {
        b->default_ = false;
        b->Notify(Change::Default);
      }
    }
  }
  if (on == default_) return;
  default_ = on;
  Notify(Change::Default);
}

void CommandButton::SetCancel(bool on) {
  if (on && Parent()) {
    for (const auto& c : Parent()->Controls()) {
      auto* b = dynamic_cast<CommandButton*>(c.get());
      if (b && b != this && b->cancel_) {
        b->cancel_ = false;
        b->Notify(Change::Default);
      }
    }
  }
  if (on == cancel_) return;
  cancel_ = on;
  Notify(Change::Default);
}

// ---- ComboBox / DropDownList ----

ComboBox::ComboBox(std::string name, int index)
    : ComboBox(ControlKind::ComboBox, std::move(name), index) {}

ComboBox::ComboBox(ControlKind kind, std::string name, int index)
    : TextBox(kind, std::move(name), index) {
  SetOnIndexChanged([this] { RaiseClick(); });
}

void ComboBox::SetTag(std::string tag) { ListModel::SetTag(std::move(tag)); }

void ComboBox::SetIndexSilently(int i) {
  ListModel::SetIndexSilently(i);
  Notify(Change::ListIndex);
  // The edit part shows the picked entry; a pick is not typing, so no Change event.
  SetTextQuietly(SelectedText());
}

void ComboBox::ListChanged() { Notify(Change::List); }

void ComboBox::TextEdited() {
  // As the window system's combo box does: an edited text is no longer a pick from the list.
  if (ListIndex() == -1) return;
  ListModel::SetIndexSilently(-1);
  Notify(Change::ListIndex);
}

DropDownList::DropDownList(std::string name, int index)
    : ComboBox(ControlKind::DropDownList, std::move(name), index) {}

void DropDownList::SelectText(const std::string& text) {
  for (int i = 0; i < ListCount(); ++i) {
    if (List(i) == text) {
      SetListIndex(i);
      return;
    }
  }
  rt::Raise(383, "'Text' property is read-only");
}

// ---- TabStrip ----

TabStrip::TabStrip(std::string name, int index)
    : Control(ControlKind::TabStrip, std::move(name), index) {}

void TabStrip::SetTabs(int count) {
  if (count < 1) InvalidValue();
  const int old = Tabs();
  if (count == old) return;
  captions_.resize(static_cast<size_t>(count));
  for (int i = old; i < count; ++i) captions_[static_cast<size_t>(i)] = "Tab " + std::to_string(i);
  if (tab_ >= count) tab_ = count - 1;
  Notify(Change::Tabs);
}

void TabStrip::SetTabsPerRow(int n) {
  if (n < 1) InvalidValue();
  tabsPerRow_ = n;
  Notify(Change::Tabs);
}

void TabStrip::SetTab(int tab) {
  if (tab < 0 || tab >= Tabs()) InvalidValue();
  if (tab == tab_) return;
  tab_ = tab;
  Notify(Change::Tabs);
  RaiseClick();
}

const std::string& TabStrip::TabCaption(int tab) const {
  if (tab < 0 || tab >= Tabs()) InvalidValue();
  return captions_[static_cast<size_t>(tab)];
}

void TabStrip::SetTabCaption(int tab, std::string caption) {
  if (tab < 0 || tab >= Tabs()) InvalidValue();
  captions_[static_cast<size_t>(tab)] = std::move(caption);
  Notify(Change::Tabs);
}

// ---- ImageList ----

ImageList::ImageList(std::string name, int index)
    : Control(ControlKind::ImageList, std::move(name), index) {
  SetVisible(false);
}

int ImageList::Add(std::string key, std::string source) {
  images_.push_back({std::move(key), std::move(source)});
  Notify(Change::List);
  return Count();
}

const ImageList::Image& ImageList::Item(int number) const {
  if (number < 1 || number > Count()) rt::Raise(35600, "Index out of bounds");
  return images_[static_cast<size_t>(number - 1)];
}

void ImageList::Clear() {
  images_.clear();
  Notify(Change::List);
}

}  // namespace cavix::forms
