// One drop or one edit carried through the hole dialog to the hole: what the host handed over,
// the paths and language read for it, and what the user has chosen so far. The drop and edit
// entries make it, the dialog and its reactions work on it, and it ends with the dialog.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "forms/message_box.h"
#include "hole_objects/hole_record.h"
#include "host/services.h"
#include "runtime/error.h"
#include "standards/config.h"
#include "standards/strings.h"

namespace cavix::forms {
class Ui;
}

namespace cavix::dialog {

class Dialog;

// How a dialog ended: built a hole, closed by OK without a change, cancelled, or closed otherwise
// (through the window frame, or not shown at all).
enum class DialogResult { None, Applied, Unchanged, Cancelled };

// What the add-in remembers from one dialog to the next while the host has it loaded: the hole
// type and standards family last shown, which a drop opens on when no preferences say otherwise.
struct DialogMemory {
  int16_t holeType = 1;
  int16_t standardsTab = 0;
  // Troubles already told (a folder of the user's that cannot be read or written): each is told
  // once while the add-in is loaded, not at every dialog.
  std::set<std::string> told;
};

// True when `trouble` is to be told: the first time, or always without a memory.
inline bool FirstTelling(DialogMemory* memory, const std::string& trouble) {
  return !memory || memory->told.insert(trouble).second;
}

// True when a failed write of the user's file is to be told: trouble with where it goes (a folder
// this user may not write, another user's file) stays until the user acts and is told once; any
// other failure every time.
inline bool FirstTelling(DialogMemory* memory, const rt::Error& e) {
  const int n = e.Number();
  const bool where = n == rt::err::kPermissionDenied || n == rt::err::kPathFileAccess ||
                     n == rt::err::kPathNotFound;
  return !where || FirstTelling(memory, e.Description());
}

// What the add-in keeps while a host has it loaded (one for each load, shared by the classes it
// registers): where its dialogs show during the host call in progress, what it remembers from one
// dialog to the next, and what the caller of a host call learns of its dialog.
struct AddIn {
  forms::Ui* ui = nullptr;  // none outside a host call that lets a user answer dialogs
  DialogMemory memory;
  DialogResult lastDialog = DialogResult::None;
  std::vector<host::IShape*> editAlike;  // further holes the next edit applies to
};

// Lets the add-in's dialogs show in `ui` for as long as it lives (one host call).
class ShowingIn {
 public:
  ShowingIn(AddIn& addIn, forms::Ui& ui) : addIn_(addIn), previous_(addIn.ui) { addIn.ui = &ui; }
  ~ShowingIn() { addIn_.ui = previous_; }
  ShowingIn(const ShowingIn&) = delete;
  ShowingIn& operator=(const ShowingIn&) = delete;

 private:
  AddIn& addIn_;
  forms::Ui* previous_;
};

struct DialogSession {
  bool editMode = false;
  int16_t holeType = 1;  // 1..4, the chosen hole-type button + 1
  // The shapes the dialog's result goes to: the dropped shape, or the edited hole, then any
  // further positions of a pattern or holes edited alike. The first one is what the dialog
  // measures and (in an edit) is filled from.
  std::vector<host::IShape*> targets;
  host::IPage* page = nullptr;  // lengths and the dialog precision are the page's
  double throughDepth = 0;      // of the first target
  int16_t standardsTab = 0;
  int16_t languageBase = 2000;
  config::FamilyPaths paths;  // of the family on show, read anew when the hole type is chosen
  holes::HoleRecord stored;  // an edited hole's stored parameters, as the edit entry read them
  DialogResult result = DialogResult::None;
  Dialog* form = nullptr;         // while the dialog is on show
  DialogMemory* memory = nullptr;  // read when the dialog opens, written when it has closed
  forms::Ui* ui = nullptr;         // where the dialog and its message boxes show

  // The dialog on show (the reactions run only while it is).
  Dialog& Form() const;
  // The page's host services and registry; 91 without a page.
  host::IServiceFactory& Services() const;
  config::Registry Registry() const { return config::Registry(Services()); }
  // Shows a message box where the dialog shows (answered OK unseen when nowhere).
  int MsgBox(const std::string& prompt, int style = forms::msg::kOkOnly,
             const std::string& title = "", const std::string& file = "") const;
  // A string-table text in the session's language.
  std::string Text(int offset) const { return strings::LocalisedText(languageBase, offset); }
};

}  // namespace cavix::dialog
