// Placing and editing holes as the host does: a catalog drop on one or many places of the part,
// a double click on a hole (and, at the user's wish, on every hole stored alike), each opening
// the add-in's dialog, played by a script or shown in a window.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "actions/workspace.h"
#include "forms/script.h"

namespace cavix::actions {

// A window toolkit's way to show the dialogs of one host call: it runs the call with a Ui that
// shows them in windows, and returns how many it showed.
using WindowRunner = std::function<int(const std::function<void(forms::Ui&)>& call)>;

// How the dialog a host call opens is answered: a dialog script, or the dialog window.
class DialogPlayer {
 public:
  // Plays `script`; message boxes and form dumps go to `out` as JSON lines, diagnostics to `diag`.
  DialogPlayer(forms::Script script, std::ostream& out, std::ostream& diag);
  // Shows the dialog through `windows` (the `cavix` command's, or the host window's, which hands
  // each dialog to its user).
  explicit DialogPlayer(WindowRunner windows) : windows_(std::move(windows)) {}

  // Runs `call` (the host call that may open the dialog), the dialogs of `addIn` showing in this
  // player, and returns whether a dialog was shown. A script that ends with the dialog open, or
  // with actions left over, and the add-in's run-time errors are thrown.
  bool Run(dialog::AddIn& addIn, const std::function<void()>& call);
  // The message boxes a script has answered so far.
  const std::vector<forms::Message>& Messages() const { return messages_; }

 private:
  std::optional<forms::Script> script_;
  WindowRunner windows_;
  std::vector<forms::Message> messages_;
  std::ostream* out_ = nullptr;
  std::ostream* diag_ = nullptr;
};

// Where a hole goes: the point on the face and the hole's axis, into the part.
struct Placement {
  scene::Vec3 position;
  scene::Vec3 normal{0, 0, -1};
};

struct DialogOutcome {
  bool shown = false;  // false: the add-in refused before showing the dialog (its message says why)
  dialog::DialogResult result = dialog::DialogResult::None;
  std::vector<scene::Shape*> holes;  // the holes made or rebuilt
};

// Drops the catalog item on every placement at once: one new shape each, one dialog, whose OK
// makes the same hole on each and whose Cancel takes them all away. Each hole is what a single
// drop there makes.
DialogOutcome Drop(Workspace& w, const std::vector<Placement>& placements, DialogPlayer& player);

// Double-clicks `hole`; with `allLike`, the dialog's result goes to every hole that stores the
// same parameters (HolesLike) too.
DialogOutcome Edit(Workspace& w, scene::Shape& hole, bool allLike, DialogPlayer& player);

// The holes bound to the same class as `hole` whose stored parameters are the same, `hole` first.
std::vector<scene::Shape*> HolesLike(scene::Scene& model, scene::Shape& hole);

// Makes `shape` the catalog item "Fori" of "zentrox.icc", as an automation client would: selects
// it and calls the drop handler's AssignEvent. Its message boxes go to `out` as JSON lines.
void AssignCatalogItem(Workspace& w, scene::Shape& shape, std::ostream& out);

}  // namespace cavix::actions
