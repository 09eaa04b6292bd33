// OK and Cancel of the hole dialog.
#include "dialog/apply.h"

#include <string>

#include "dialog/dialog_form.h"
#include "dialog/interface.h"
#include "dialog/prefs.h"
#include "dialog/utils.h"
#include "forms/message_box.h"
#include "geometry/units.h"
#include "hole_objects/hole.h"
#include "runtime/error.h"
#include "runtime/text_file.h"
#include "standards/file_read_tab.h"
#include "standards/strings.h"

namespace cavix::dialog {

namespace {

// The kind of the chosen hole type (a hole-type button's: always one of the four).
const holes::HoleKind& KindOf(int16_t type) {
  const holes::HoleKind* k = holes::FindHoleKind(type);
  CAVIX_ASSERT(k, "the hole type is a button's");
  return *k;
}

void ShowApplyError(const DialogSession& s, const rt::Error& e) {
  s.MsgBox("Error " + std::to_string(e.Number()) + " " + e.Description(), forms::msg::kCritical,
           s.Text(strings::id::kTitle));
}

// True when the form shows exactly what the edited hole has stored.
bool EditUnchanged(const DialogSession& s) {
  Dialog& d = s.Form();
  const holes::HoleRecord& r = s.stored;
  const double length = PrecisionValue(s, d.Lunghezza.Text());
  const double after = PrecisionValue(s, d.TxtLungAfterThread.Text());
  const double pitch = PrecisionValue(s, d.TxtThreadPitch.Text());
  const double angle = PrecisionValue(s, d.AngoloPunta.Text());
  bool same = length == r.threadOrBoreLength && after == r.LengthAfterThread() &&
              pitch == r.pitchOrAllowance && angle == r.pointAngle &&
              d.Misura.SelectedText() == r.sizeCode && d.ToggleFiletto.Value() == r.threadFlag &&
              d.TogglePassante.Value() == r.throughFlag && r.holeType == s.holeType;
  const holes::HoleKind& kind = KindOf(s.holeType);
  if (same && kind.Has(holes::kRecessDiameter))
    same = PrecisionValue(s, d.DiamIncasso.Text()) == r.recessDiameter;
  if (same && kind.Has(holes::kRecessDepth))
    same = PrecisionValue(s, d.ProfIncasso.Text()) == r.counterboreDepth;
  if (same && kind.Has(holes::kRecessAngle))
    same = PrecisionValue(s, d.AngSvaso.Text()) == r.countersinkAngle;
  return same;
}

// The through length a further target gets: its own through depth, as the length field would
// show it.
double ThroughLengthOf(const DialogSession& s, host::IShape& target) {
  return PrecisionValue(s, PrecisionText(s, geo::GetThroughDepth(target)));
}

// The field whose value keeps `spec` from being a hole: a length that is not positive, or the
// input CheckHole blames. Null when it is a hole.
forms::Control* ImpossibleField(const DialogSession& s, const holes::HoleSpec& spec) {
  Dialog& d = s.Form();
  if (!(PrecisionValue(s, d.Lunghezza.Text()) > 0)) return &d.Lunghezza;
  switch (geo::CheckHole(spec).fault) {
    case geo::HoleFault::None:
      return nullptr;
    case geo::HoleFault::Diameter:
      return spec.threaded ? static_cast<forms::Control*>(&d.TxtThreadPitch) : &d.Misura;
    case geo::HoleFault::Length:
      return &d.Lunghezza;
    case geo::HoleFault::PointAngle:
      return &d.AngoloPunta;
    case geo::HoleFault::ThreadLength:
      return &d.TxtLungAfterThread;
    case geo::HoleFault::RecessDiameter:
      return &d.DiamIncasso;
    case geo::HoleFault::RecessDepth:
      return &d.ProfIncasso;
    case geo::HoleFault::RecessAngle:
      return &d.AngSvaso;
  }
  return nullptr;
}

// Makes `spec` on every target, then writes the preferences. A further target of a through hole
// goes through the part as thick as it is there. Errors reach the caller.
void ApplyToHole(DialogSession& s, const holes::HoleSpec& spec) {
  CAVIX_ASSERT(!s.targets.empty() && s.targets.front(), "a dialog has a shape to apply to");
  holes::MakeHole(*spec.kind)->Create(*s.targets.front(), spec);
  for (size_t i = 1; i < s.targets.size(); ++i) {
    host::IShape& target = *s.targets[i];
    holes::MakeHole(*spec.kind)
        ->Create(target, spec.through ? holes::ThroughHoleAt(spec, ThroughLengthOf(s, target),
                                                             target.Name())
                                      : spec);
  }
  WritePrefs(s);
}

}  // namespace

void ApplyDialog(DialogSession& s) {
  Dialog& d = s.Form();
  try {
    if (s.editMode && EditUnchanged(s)) {
      s.result = DialogResult::Unchanged;
      d.Unload();
      return;
    }
    if (d.Misura.ListIndex() < 0) rt::Raise(rt::err::kInvalidCall, "No size is selected");
    // Without the size's row the hole would be built from a stale one: the dialog stays open,
    // and says why when the lookup itself has not.
    const std::string table = s.paths.dataDir + d.Misura.Tag();
    SizeRow row{};
    const FileReadTAB::SizeRowResult found = FileReadTAB::QMisuraVariabili(
        table, d.Misura.SelectedText(), RegionalToTable(d.Lunghezza.Text()), row);
    switch (found.status) {
      case FileReadTAB::SizeRow::Found:
        break;
      case FileReadTAB::SizeRow::Reported:
        ShowQueryError(s, *found.error);
        return;
      case FileReadTAB::SizeRow::NotFound:
        rt::Raise(rt::err::kInvalidCall,
                  "\"" + rt::NativePath(table) + "\" has no row of size \"" +
                      d.Misura.SelectedText() + "\" for length " + d.Lunghezza.Text());
    }
    const holes::HoleSpec spec = SpecFromForm(s, row);
    // A value that would not make a hole (a length of 0, a point angle of 180 or more, a thread
    // past the drilled length, a recess that rises out of the part) is refused like a typed one,
    // and goes neither into the part nor into the preferences.
    if (forms::Control* field = ImpossibleField(s, spec)) {
      s.MsgBox(s.Text(strings::id::kMustBePositive), forms::msg::kExclamation);
      if (d.CanFocus(*field)) d.SetFocus(*field);
      return;
    }
    ApplyToHole(s, spec);
  } catch (const rt::Error& e) {
    ShowApplyError(s, e);
    return;
  }
  s.result = DialogResult::Applied;
  d.Unload();
}

std::optional<holes::HoleSpec> DescribedHole(const DialogSession& s) {
  Dialog& d = s.Form();
  if (d.Misura.ListIndex() < 0) return std::nullopt;
  try {
    SizeRow row{};
    if (FileReadTAB::QMisuraVariabili(s.paths.dataDir + d.Misura.Tag(), d.Misura.SelectedText(),
                                      RegionalToTable(d.Lunghezza.Text()), row)
            .status != FileReadTAB::SizeRow::Found)
      return std::nullopt;
    const holes::HoleSpec spec = SpecFromForm(s, row);
    if (ImpossibleField(s, spec)) return std::nullopt;
    return spec;
  } catch (const rt::Error&) {
    return std::nullopt;  // a field that is not a number, a fault of the sizes: no hole yet
  }
}

holes::HoleSpec SpecFromForm(const DialogSession& s, const SizeRow& row) {
  Dialog& d = s.Form();
  holes::HoleSpec spec = holes::SpecOfKind(KindOf(s.holeType));
  const holes::HoleKind& kind = *spec.kind;
  if (kind.Has(holes::kRecessDiameter))
    spec.recessDiameter = PrecisionValue(s, d.DiamIncasso.Text());
  if (kind.Has(holes::kRecessAngle)) spec.recessAngle = PrecisionValue(s, d.AngSvaso.Text());
  if (kind.Has(holes::kRecessDepth)) spec.recessDepth = PrecisionValue(s, d.ProfIncasso.Text());

  // The length field: the thread of a threaded blind hole, the part's thickness for a through
  // hole, else the bore.
  const double length = PrecisionValue(s, d.Lunghezza.Text());
  spec.diameter = row[0];
  spec.pointAngle = PrecisionValue(s, d.AngoloPunta.Text());
  spec.threaded = d.ToggleFiletto.Value() == 1;
  if (spec.threaded) {
    spec.pitch = PrecisionValue(s, d.TxtThreadPitch.Text());
    spec.threadLength = length;
    // The drill goes on below the thread by the length after the thread.
    if (d.TogglePassante.Value() != 1)
      spec.boreLength = length + PrecisionValue(s, d.TxtLungAfterThread.Text());
  } else {
    spec.boreLength = length;
    spec.allowance = row[static_cast<size_t>(kind.allowanceColumn)];
  }
  spec.tableFile = d.Misura.Tag();
  spec.sizeCode = d.Misura.SelectedText();
  spec.standard = d.Normativa.SelectedText();
  spec.standardsTab = s.standardsTab;
  if (d.TogglePassante.Value() == 1) spec = holes::ThroughAt(spec, length);
  return spec;
}

void CancelDialog(DialogSession& s) {
  Dialog& d = s.Form();
  if (!s.editMode && !s.targets.empty()) {
    for (host::IShape* target : s.targets) {
      std::unique_ptr<host::IShapeDiscardService> discard =
          s.Services().CreateShapeDiscardService();
      discard->ShapeDiscard(*target);
    }
    s.targets.clear();  // the shapes are gone; nothing may reach them any more
  }
  s.result = DialogResult::Cancelled;
  d.Unload();
}


}  // namespace cavix::dialog
