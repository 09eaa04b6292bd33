// The controls of the headless form toolkit: their kinds, common properties (positions in twips,
// tab order, enabled, visible, tag, picture) and the events a form's handlers answer. No Qt here:
// a view observes a Form (forms/form.h) and forwards the user's input to it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/list_control.h"

namespace cavix::forms {

class Form;
class ImageList;

// Fixed values: they name the kinds in form dumps ("label", "frame", …, see KindName).
enum class ControlKind : int {
  Label = 0,
  Frame = 1,
  TextBox = 2,
  CheckBox = 3,
  OptionButton = 4,
  CommandButton = 5,
  ComboBox = 6,      // editable text with a drop-down list
  DropDownList = 7,  // a combo box that only allows picking
  TabStrip = 8,      // tab headers only
  ImageList = 9,     // an invisible store of pictures
};

// "label", "frame", "textbox", "checkbox", "option", "button", "combo", "list", "tabstrip",
// "imagelist".
const char* KindName(ControlKind kind);

// What changed, for observers (a view redraws what they name).
enum class Change {
  Caption,
  Text,
  Enabled,
  Visible,
  Geometry,
  TabOrder,
  Tag,
  Picture,
  Value,      // check box or option button value
  List,       // entries of a list (added, cleared, item data)
  ListIndex,  // selected entry of a list
  Tabs,       // tab count, tab captions, tabs per row, selected tab
  Redraw,     // Refresh() was called
  Default,    // default / cancel flags of a command button
  Focus,      // the active control of the form (control: the new one, may be null)
  Shown,      // the form was shown (control: null)
  Unloaded,   // the form was unloaded (control: null)
};

// Character codes that keys arrive as (16-bit ANSI codes; 0 discards a key).
namespace key {
inline constexpr int16_t kBackspace = 8;
inline constexpr int16_t kTab = 9;
inline constexpr int16_t kEnter = 13;
inline constexpr int16_t kEscape = 27;
}  // namespace key

// One control. Positions are in twips relative to the container (a frame, or the form).
// A control belongs to one Form, which owns it (Form::Add); handlers are plain functions the form's
// code sets. Events raised while the form is loading or shown run at once, to completion, nested
// as deep as the handlers chain them (error 28 "Out of stack space" past 256 levels).
class Control {
 public:
  Control(ControlKind kind, std::string name, int index);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  // Index in a control array, -1 for a control that is not in one.
  int Index() const { return index_; }
  // "Name", or "Name(index)" for an element of a control array.
  std::string FullName() const;
  Form* Parent() const { return form_; }
  // The frame that holds the control, or null when it sits on the form itself.
  Control* Container() const { return container_; }

  // Caption of labels, frames, buttons, check boxes, option buttons and of the selected tab;
  // for text boxes and combo boxes Caption is their Text.
  virtual const std::string& Caption() const { return caption_; }
  virtual void SetCaption(std::string caption);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  bool Visible() const { return visible_; }
  void SetVisible(bool on);
  // Enabled and visible, and so is every frame around it.
  bool EffectivelyEnabled() const;
  bool EffectivelyVisible() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Twips; negative sizes raise 380 "Invalid property value".
  void Move(int left, int top, int width, int height);

  int TabIndex() const { return tabIndex_; }
  void SetTabIndex(int i);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on);
  // Whether moving the focus to this control first validates the control that has it (default
  // true). The controls of our forms all leave it on; a control with it off lets the user leave
  // a refused field by moving to it.
  bool CausesValidation() const { return causesValidation_; }
  void SetCausesValidation(bool on) { causesValidation_ = on; }

  virtual const std::string& Tag() const { return tag_; }
  virtual void SetTag(std::string tag);

  // The picture shown: a picture number of an image list (from 1), 0 for none.
  int Picture() const { return picture_; }
  const ImageList* PictureList() const { return pictureList_; }
  // Shows picture `number` of `list`; 0 removes the picture. A number outside 0..Count raises
  // 35600 "Index out of bounds".
  void SetPicture(const ImageList& list, int number);
  void ClearPicture();

  // Kinds that can hold the focus (not labels, frames, image lists).
  bool IsFocusable() const;
  // Asks the view to redraw the control.
  void Refresh();

  // Event handlers. Click: buttons, check boxes, option buttons, lists (a pick), tab strips.
  // KeyPress: text boxes and combo boxes; the handler may change the key, 0 discards it.
  // Validate: the control is losing the focus; setting cancel keeps the focus in it.
  // Change: the text of a text box or combo box changed (typing or code).
  void OnClick(std::function<void()> f) { onClick_ = std::move(f); }
  void OnKeyPress(std::function<void(int16_t& key)> f) { onKeyPress_ = std::move(f); }
  void OnValidate(std::function<void(bool& cancel)> f) { onValidate_ = std::move(f); }
  void OnChange(std::function<void()> f) { onChange_ = std::move(f); }
  void OnGotFocus(std::function<void()> f) { onGotFocus_ = std::move(f); }
  void OnLostFocus(std::function<void()> f) { onLostFocus_ = std::move(f); }

  // Raising events (the form and the controls do this; tests may too).
  void RaiseClick();
  void RaiseKeyPress(int16_t& key);
  void RaiseValidate(bool& cancel);
  void RaiseChange();
  void RaiseGotFocus();
  void RaiseLostFocus();

 protected:
  void Notify(Change what);

 private:
  friend class Form;
  ControlKind kind_;
  std::string name_;
  int index_;
  Form* form_ = nullptr;
  Control* container_ = nullptr;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int tabIndex_ = 0;
  bool tabStop_ = true;
  bool causesValidation_ = true;
  std::string tag_;
  int picture_ = 0;
  const ImageList* pictureList_ = nullptr;
  std::function<void()> onClick_;
  std::function<void(int16_t&)> onKeyPress_;
  std::function<void(bool&)> onValidate_;
  std::function<void()> onChange_;
  std::function<void()> onGotFocus_;
  std::function<void()> onLostFocus_;
};

class Label : public Control {
 public:
  explicit Label(std::string name, int index = -1);
};

// A frame holds other controls (Form::Add with it as the container); disabling or hiding it
// disables or hides what it holds.
class Frame : public Control {
 public:
  explicit Frame(std::string name, int index = -1);
};

// Editable text with a caret. Text is UTF-8; SelStart and SelLength count characters.
class TextBox : public Control {
 public:
  explicit TextBox(std::string name, int index = -1);

  const std::string& Text() const { return text_; }
  // Replaces the text, puts the caret at its end and raises Change when the text differs.
  virtual void SetText(std::string text);
  const std::string& Caption() const override { return text_; }
  void SetCaption(std::string caption) override { SetText(std::move(caption)); }

  int SelStart() const { return selStart_; }
  int SelLength() const { return selLength_; }
  // Clamped to the text.
  void SetSelection(int start, int length);

  // Applies a key that passed the key-press event: a character replaces the selection at the
  // caret, backspace deletes the selection or the character before the caret; other control
  // codes do nothing. Raises Change when the text changed.
  void ApplyKey(int16_t key);

 protected:
  TextBox(ControlKind kind, std::string name, int index);
  // Replaces the text (caret at the end) without raising Change.
  void SetTextQuietly(std::string text);
  // The text was set or typed and differs from before; runs before the Change event.
  virtual void TextEdited() {}

 private:
  std::string text_;
  int selStart_ = 0;
  int selLength_ = 0;
  // Where the caret is in bytes, kept with selStart_: typing at the caret then costs the same
  // however long the text already is.
  size_t caretByte_ = 0;
};

// Value 0 unticked, 1 ticked, 2 greyed. Setting a different value (by code or click) raises
// Click; a user's click ticks an unticked box and unticks a ticked or greyed one.
class CheckBox : public Control {
 public:
  explicit CheckBox(std::string name, int index = -1);
  int Value() const { return value_; }
  // 0, 1 or 2; anything else raises 380 "Invalid property value".
  void SetValue(int value);

 private:
  int value_ = 0;
};

// Option buttons in the same container form one group: at most one of them is on. Picture style
// buttons show their Picture and no caption.
class OptionButton : public Control {
 public:
  explicit OptionButton(std::string name, int index = -1);
  bool Value() const { return value_; }
  // Turning a button on turns the others of its group off (without events on them) and raises
  // Click on it when it was off. Turning it off raises nothing.
  void SetValue(bool on);
  bool PictureStyle() const { return pictureStyle_; }
  void SetPictureStyle(bool on) { pictureStyle_ = on; }

 private:
  bool value_ = false;
  bool pictureStyle_ = false;
};

// Default: Enter anywhere but on another button presses it. Cancel: Escape presses it. At most one
// button of a form has each flag; setting it clears it on the others.
class CommandButton : public Control {
 public:
  explicit CommandButton(std::string name, int index = -1);
  bool IsDefault() const { return default_; }
  void SetDefault(bool on);
  bool IsCancel() const { return cancel_; }
  void SetCancel(bool on);

 private:
  friend class Form;
  bool default_ = false;
  bool cancel_ = false;
};

// An editable combo box: a text box over a list. The list (ListModel) belongs to the control:
// setting ListIndex (by code or a user's pick) puts the entry's text in the text (the empty text
// for -1, and Clear empties it too) and raises Click; the text can also be typed or set freely,
// which deselects the list entry (ListIndex -1, no Click, as the window system's combo box does)
// and raises Change. The control owns the list's index-changed reaction (do not call
// SetOnIndexChanged; use OnClick).
class ComboBox : public TextBox, public ListModel {
 public:
  explicit ComboBox(std::string name, int index = -1);

  const std::string& Tag() const override { return ListModel::Tag(); }
  void SetTag(std::string tag) override;
  void RedrawList() override { Refresh(); }

 protected:
  ComboBox(ControlKind kind, std::string name, int index);
  void SetIndexSilently(int i) override;
  void ListChanged() override;
  void TextEdited() override;
};

// A combo box whose text is always the selected entry's. Setting the text to an entry's text
// selects that entry (and raises Click); any other text raises 383 "'Text' property is
// read-only". Typing is not possible (no key handling).
class DropDownList : public ComboBox {
 public:
  explicit DropDownList(std::string name, int index = -1);
  void SelectText(const std::string& text);
  void SetText(std::string text) override { SelectText(text); }
};

// Tab headers. Tab counts from 0; there is always at least one tab. Caption is the caption of
// the selected tab. Selecting another tab (code or click) raises Click; the same tab raises none.
class TabStrip : public Control {
 public:
  explicit TabStrip(std::string name, int index = -1);

  int Tabs() const { return static_cast<int>(captions_.size()); }
  // At least 1 (else 380); new tabs are captioned "Tab n"; the selection stays within range
  // (moving it does not raise Click).
  void SetTabs(int count);
  int TabsPerRow() const { return tabsPerRow_; }
  void SetTabsPerRow(int n);
  int Tab() const { return tab_; }
  // 0..Tabs-1, else 380 "Invalid property value".
  void SetTab(int tab);
  const std::string& TabCaption(int tab) const;  // 380 outside the range
  void SetTabCaption(int tab, std::string caption);
  const std::vector<std::string>& TabCaptions() const { return captions_; }

  const std::string& Caption() const override { return captions_[static_cast<size_t>(tab_)]; }
  void SetCaption(std::string caption) override { SetTabCaption(tab_, std::move(caption)); }

 private:
  std::vector<std::string> captions_{"Tab 0"};
  int tab_ = 0;
  int tabsPerRow_ = 1;
};

// An invisible store of pictures numbered from 1. A picture is a key and the source the view
// loads it from (a file path or a generator's name); the headless toolkit only keeps them.
class ImageList : public Control {
 public:
  explicit ImageList(std::string name, int index = -1);

  struct Image {
    std::string key;
    std::string source;
  };
  int Count() const { return static_cast<int>(images_.size()); }
  // Adds a picture and returns its number.
  int Add(std::string key, std::string source = {});
  // 1..Count, else 35600 "Index out of bounds".
  const Image& Item(int number) const;
  void Clear();

 private:
  std::vector<Image> images_;
};

}  // namespace cavix::forms
