// The list part of list boxes and combo boxes: entries with a text and an integer item datum, one
// free text tag and a selected index (-1 for none). Setting the index runs the control's click
// reaction, as a user's pick does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace cavix::forms {

struct ListEntry {
  std::string text;
  int32_t itemData = 0;
};

class ListModel {
 public:
  virtual ~ListModel() = default;

  void Clear() {
    entries_.clear();
    SetIndexSilently(-1);
    ListChanged();
  }
  void AddItem(std::string text) {
    entries_.push_back({std::move(text), 0});
    newIndex_ = static_cast<int>(entries_.size()) - 1;
    ListChanged();
  }
  int ListCount() const { return static_cast<int>(entries_.size()); }
  // Index of the entry added last (-1 before any).
  int NewIndex() const { return newIndex_; }
  // Raises 381-style "Subscript out of range" (9) for a bad index.
  const std::string& List(int i) const { return At(i).text; }
  int32_t ItemData(int i) const { return At(i).itemData; }
  void SetItemData(int i, int32_t d) {
    At(i).itemData = d;
    ListChanged();
  }
  const std::vector<ListEntry>& Entries() const { return entries_; }

  int ListIndex() const { return index_; }
  // Selects an entry (-1 for none) and runs the click reaction, as a user's pick does.
  // An index outside -1..ListCount-1 raises 380 "Invalid property value".
  void SetListIndex(int i) {
    if (i < -1 || i >= ListCount()) rt::Raise(380, "Invalid property value");
    SetIndexSilently(i);
    if (onIndexChanged_) onIndexChanged_();
  }
  // The text of the selected entry, "" when none is selected.
  std::string SelectedText() const { return index_ >= 0 ? entries_[index_].text : std::string(); }

  const std::string& Tag() const { return tag_; }
  void SetTag(std::string t) {
    tag_ = std::move(t);
    ListChanged();
  }

  // Asks the view to redraw the list (the control counts it; a bare model does nothing).
  virtual void RedrawList() {}

  // The reaction that runs when the selected index is set (by code or by the user).
  void SetOnIndexChanged(std::function<void()> f) { onIndexChanged_ = std::move(f); }

 protected:
  virtual void SetIndexSilently(int i) { index_ = i; }
  // Called after the entries or the tag changed (a control redraws its list).
  virtual void ListChanged() {}

 private:
  ListEntry& At(int i) {
    if (i < 0 || i >= ListCount()) rt::Raise(9);
    return entries_[static_cast<size_t>(i)];
  }
  const ListEntry& At(int i) const {
    if (i < 0 || i >= ListCount()) rt::Raise(9);
    return entries_[static_cast<size_t>(i)];
  }

  std::vector<ListEntry> entries_;
  std::string tag_;
  int index_ = -1;
  int newIndex_ = -1;
  std::function<void()> onIndexChanged_;
};

}  // namespace cavix::forms
