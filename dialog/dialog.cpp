// Showing the hole dialog: its events wired to the reactions, the memory of the last dialog, and
// the edit entry.
#include "dialog/dialog.h"

#include <memory>

#include "dialog/apply.h"
#include "dialog/dialog_form.h"
#include "dialog/initialize.h"
#include "dialog/interface.h"
#include "dialog/utils.h"
#include "forms/ui.h"
#include "geometry/units.h"
#include "runtime/error.h"
#include "runtime/variant.h"

namespace cavix::dialog {

namespace {

// What the dialog's events do: each forwards to a reaction on the session.
void WireEvents(Dialog& d, DialogSession& s) {
  d.OnLoad([&s] { InitDialog(s); });
  for (int i = 0; i < 4; ++i) {
    d.OptHoleType[static_cast<size_t>(i)]->OnClick([&s, i] { HoleTypeChosen(s, i); });
  }
  d.TabNorme.OnClick([&d, &s] {
    if (!d.MuteTabClick) StandardsTabChanged(s, d.TabNorme.Tab());
  });
  d.Normativa.OnClick([&d, &s] {
    const int i = d.Normativa.ListIndex();
    if (i >= 0) StandardChosen(s, rt::CInt(rt::Variant(d.Normativa.ItemData(i))));
  });
  d.Misura.OnClick([&s] { SizeChosen(s); });
  d.ToggleFiletto.OnClick([&d, &s] {
    UpdateHoleTypePictures(d);
    ThreadToggled(s, d.ToggleFiletto.Value());
    RefreshStandards(s, s.holeType);
  });
  d.TogglePunta.OnClick([&d] {
    UpdateHoleTypePictures(d);
    DrillPointToggled(d);
  });
  d.TogglePassante.OnClick([&d, &s] {
    UpdateHoleTypePictures(d);
    ThroughToggled(s);
  });
  d.OKButton.OnClick([&s] { ApplyDialog(s); });
  d.CancelButton.OnClick([&s] { CancelDialog(s); });

  for (forms::TextBox* box :
       {&d.TxtLungAfterThread, &d.TxtThreadPitch, &d.DiamIncasso, &d.ProfIncasso}) {
    box->OnKeyPress([box](int16_t& key) { key = NumericKeyFilter(box->Text(), key); });
  }
  d.Lunghezza.OnKeyPress([](int16_t&) {});

  d.AngoloPunta.OnValidate([&d](bool&) { NormaliseDrillAngle(d); });
  d.TxtThreadPitch.OnValidate(
      [&d, &s](bool& cancel) { cancel = RefusePositiveValue(s, d.TxtThreadPitch.Text()); });
  d.ProfIncasso.OnValidate(
      [&d, &s](bool& cancel) { cancel = RefusePositiveValue(s, d.ProfIncasso.Text()); });
  d.DiamIncasso.OnValidate([&s](bool& cancel) { cancel = RefuseRecessDiameter(s); });
}

}  // namespace

void ShowDialog(DialogSession& session) {
  session.result = DialogResult::None;
  if (session.memory && !session.editMode) {
    session.holeType = session.memory->holeType;
    session.standardsTab = session.memory->standardsTab;
  }
  struct Remember {
    DialogSession& s;
    ~Remember() {
      if (!s.memory) return;
      s.memory->holeType = s.holeType;
      s.memory->standardsTab = s.standardsTab;
    }
  } remember{session};
  // Each showing starts from a freshly loaded form.
  Dialog form(session);
  WireEvents(form, session);
  Dialog* previous = session.form;
  session.form = &form;
  struct Restore {
    DialogSession& s;
    Dialog* previous;
    ~Restore() { s.form = previous; }
  } restore{session, previous};
  forms::Ui nowhere;
  form.ShowModal(session.ui ? *session.ui : nowhere);
}

void EditHole(host::IShape& shape, int16_t holeType, AddIn& addIn) {
  const holes::HoleKind* kind = holes::FindHoleKind(holeType);
  CAVIX_ASSERT(kind, "a hole class edits holes of its own kind");
  addIn.lastDialog = DialogResult::None;
  DialogSession s;
  s.memory = &addIn.memory;
  s.ui = addIn.ui;
  s.editMode = true;
  s.page = &shape.Application().ActivePage();
  s.holeType = holeType;
  if (const std::optional<holes::HoleRecord> stored = holes::StoredRecord(shape, *kind))
    s.stored = *stored;
  s.targets.push_back(&shape);
  s.throughDepth = geo::GetThroughDepth(shape);
  for (host::IShape* other : addIn.editAlike)
    if (other && other != &shape) s.targets.push_back(other);
  ShowDialog(s);
  addIn.lastDialog = s.result;
}

}  // namespace cavix::dialog
