// The reactions of the hole dialog, and OK and Cancel.
#include "dialog/interface.h"

#include <cmath>
#include <memory>
#include <vector>

#include "dialog/dialog.h"
#include "dialog/globals.h"
#include "dialog/prefs.h"
#include "dialog/utils.h"
#include "forms/message_box.h"
#include "hole_objects/hole.h"
#include "host/services.h"
#include "runtime/error.h"
#include "runtime/number_text.h"
#include "runtime/regional.h"
#include "runtime/text_file.h"
#include "standards/config.h"
#include "standards/file_read_tab.h"
#include "standards/strings.h"

namespace cavix::dialog {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

bool StartsWithM(const std::string& s) { return !s.empty() && s[0] == 'M'; }

// Which recess fields a hole type has: the frame and diameter, the counterbore depth, the angle.
struct RecessFields {
  bool frame, diameter, depth, angle;
};
// type:            frame  diam   depth  angle
constexpr RecessFields kRecessByType[4] = {
    /* 1 plain */ {false, false, false, false},
    /* 2 cbore */ {true, true, true, false},
    /* 3 csink */ {true, true, false, true},
    /* 4 cdrill*/ {true, true, true, true},
};

// The value `text` stands for when it is a regional number, else its leading "." number.
double ListNumber(const std::string& text) {
  double v = 0;
  if (rt::ParseRegionalNumber(text, v)) return v;
  return rt::Val(text);
}

// Rewrites the entries of a list filled from a table in the regional number form.
void RegionaliseEntries(forms::ListModel& list) {
  if (rt::DecimalSeparator() == ".") return;
  const std::vector<forms::ListEntry> entries = list.Entries();
  list.Clear();
  for (const forms::ListEntry& e : entries) {
    list.AddItem(TableToRegional(e.text));
    list.SetItemData(list.NewIndex(), e.itemData);
  }
}

void ShowApplyError(const rt::Error& e) {
  forms::MsgBox("Error " + std::to_string(e.Number()) + " " + e.Description(),
                forms::msg::kCritical, strings::LocalisedText(strings::id::kTitle));
}

}  // namespace

std::string TableToRegional(const std::string& tableText) {
  const std::string sep = rt::DecimalSeparator();
  if (sep == ".") return tableText;
  std::string out = tableText;
  for (char& c : out)
    if (c == '.') c = sep[0];
  return out;
}

std::string RegionalToTable(const std::string& regionalText) {
  double v = 0;
  if (!rt::ParseRegionalNumber(regionalText, v)) return regionalText;
  return rt::TrimmedNumberText(v);
}

void EnableInputs(bool flag) {
  Dialog& d = CurrentDialog();
  d.Normativa.SetEnabled(flag);
  d.Misura.SetEnabled(flag);
  d.AngoloPunta.SetEnabled(flag);
  d.Lunghezza.SetEnabled(flag);
  d.DiamIncasso.SetEnabled(flag);
  d.ProfIncasso.SetEnabled(flag);
  d.AngSvaso.SetEnabled(flag);
  d.OKButton.SetEnabled(flag);
}

void SelectListItem(forms::ListModel& list, const std::string& text) {
  const std::string wanted = Trim(text);
  for (int i = 0; i < list.ListCount(); ++i) {
    if (Trim(list.List(i)) == wanted) {
      list.SetListIndex(i);
      return;
    }
  }
}

void SelectOrFirst(forms::ListModel& list, const std::string& text) {
  if (list.ListCount() == 0) return;
  if (text.empty()) {
    if (list.ListIndex() == -1) {
      list.SetListIndex(0);
      list.RedrawList();
    }
    return;
  }
  int found = 0;
  for (int i = 0; i < list.ListCount(); ++i) {
    if (list.List(i) == text) {
      found = i;
      break;
    }
  }
  list.SetListIndex(found);
  list.RedrawList();
}

void HoleTypeChosen(int index) {
  Dialog& d = CurrentDialog();
  GlobalsState& g = Globals();
  config::RecomputePathsWithDataDir(0);
  EnableInputs(true);
  if (index >= 0 && index < 4) {
    const RecessFields& r = kRecessByType[index];
    d.FrameIncSvas.SetEnabled(r.frame);
    d.DiamIncasso.SetEnabled(r.diameter);
    d.lblDiamInc.SetEnabled(r.diameter);
    d.ProfIncasso.SetEnabled(r.depth);
    d.lblLungInc.SetEnabled(r.depth);
    d.AngSvaso.SetEnabled(r.angle);
    d.LblAngSvaso.SetEnabled(r.angle);
  }
  g.HoleType = static_cast<int16_t>(index + 1);
  RefreshStandards(g.HoleType);
  if (g.EditMode) {
    SelectListItem(d.Normativa, g.Stored.standard);
    SelectListItem(d.Misura, g.Stored.sizeCode);
    d.Lunghezza.SetText(d.TogglePassante.Value() == 1 ? PrecisionText(g.ThroughDepth)
                                                      : PrecisionText(g.Stored.length));
  }
}

void StandardsTabChanged(int tab) {
  Globals().StandardsTab = static_cast<int16_t>(tab);
  HoleTypeChosen(Globals().HoleType - 1);
}

void RefreshStandards(int type) {
  if (type <= 0) return;
  Dialog& d = CurrentDialog();
  const GlobalsState& g = Globals();
  const int status =
      FileReadTAB::QNorma(g.StandardsDir + g.IniFile, type, d.ToggleFiletto.Value(), d.Normativa);
  d.OKButton.SetEnabled(status <= 0);
  if (d.Normativa.ListCount() > 0) {
    if (d.Normativa.ListIndex() == -1) d.Normativa.SetListIndex(0);
    d.Normativa.RedrawList();
  }
}

void StandardChosen(int iniLine) {
  Dialog& d = CurrentDialog();
  const GlobalsState& g = Globals();
  std::string previous = d.Misura.SelectedText();
  std::string iniPath = g.StandardsDir + g.IniFile;
  const int status = FileReadTAB::QData(iniPath, g.DataDir, iniLine, d.Misura);
  d.OKButton.SetEnabled(status <= 0);
  // Threaded sizes carry the metric prefix "M"; keep the same size across the thread state.
  const int thread = d.ToggleFiletto.Value();
  if (thread == 0 && StartsWithM(previous)) {
    previous.erase(0, 1);
  } else if (thread == 1 && !StartsWithM(previous)) {
    previous.insert(0, "M");
  }
  SelectOrFirst(d.Misura, previous);
  ThroughToggled();
}

void SizeChosen() {
  Dialog& d = CurrentDialog();
  GlobalsState& g = Globals();
  if (d.TogglePassante.Value() == 0) {
    const std::string remembered = d.Lunghezza.Text();
    FileReadTAB::QDataLunghezze(g.DataDir, d.Misura, d.Lunghezza);
    // The table lists lengths with "."; the field shows them as the region writes numbers.
    RegionaliseEntries(d.Lunghezza);
    SelectOrFirst(d.Lunghezza, remembered);
  }
  if (d.Lunghezza.Visible()) {
    const int i = d.Lunghezza.ListIndex();
    g.SizeRow[1] = ListNumber(i >= 0 ? d.Lunghezza.List(i) : d.Lunghezza.Text());
  }
  const int type = g.HoleType;
  if (type == 2 || type == 3 || type == 4) {
    std::string diameter = RegionalToTable(d.DiamIncasso.Text());
    std::string depth = RegionalToTable(d.ProfIncasso.Text());
    FileReadTAB::QDataIncasso(g.DataDir, d.Misura, diameter, depth);
    d.DiamIncasso.SetText(TableToRegional(diameter));
    if (type != 3) d.ProfIncasso.SetText(TableToRegional(depth));
  }
  NormaliseDrillAngle();
  NormaliseCsinkAngle();
  if (d.ToggleFiletto.Value() == 1) {
    std::string after = RegionalToTable(d.TxtLungAfterThread.Text());
    std::string pitch = RegionalToTable(d.TxtThreadPitch.Text());
    FileReadTAB::QDataThread(g.DataDir, d.Misura, after, pitch);
    d.TxtLungAfterThread.SetText(TableToRegional(after));
    d.TxtThreadPitch.SetText(TableToRegional(pitch));
  }
}

void ThreadToggled(int value) {
  Dialog& d = CurrentDialog();
  const bool on = value != 0;
  d.FrameThread.SetEnabled(on);
  d.LblLenghtAfterThread.SetEnabled(on);
  d.LblThreadPitch.SetEnabled(on);
  d.TxtLungAfterThread.SetEnabled(on);
  d.TxtThreadPitch.SetEnabled(on);
  d.LblLunghezza.SetCaption(
      strings::LocalisedText(on ? strings::id::kThreadLength : strings::id::kHoleLength));
}

void DrillPointToggled() {
  Dialog& d = CurrentDialog();
  if (d.TogglePunta.Value() == 1) {
    d.AngoloPunta.SetText("0");
    d.AngoloPunta.SetEnabled(false);
    return;
  }
  d.AngoloPunta.SetEnabled(true);
  double a = 0;
  if (DefaultDecimalsValue(d.AngoloPunta.Text(), a) && a == 0) d.AngoloPunta.SetText("90");
}

void ThroughToggled() {
  Dialog& d = CurrentDialog();
  if (d.TogglePassante.Value() == 1) {
    d.TogglePunta.SetValue(1);
    d.TogglePunta.SetEnabled(false);
    d.AngoloPunta.SetEnabled(false);
    d.LblLenghtAfterThread.SetEnabled(false);
    d.TxtLungAfterThread.SetEnabled(false);
    d.Lunghezza.SetText(PrecisionText(Globals().ThroughDepth));
    return;
  }
  d.TogglePunta.SetEnabled(true);
  d.AngoloPunta.SetEnabled(true);
  d.TogglePunta.SetValue(0);
  if (d.ToggleFiletto.Value() == 1) {
    d.LblLenghtAfterThread.SetEnabled(true);
    d.TxtLungAfterThread.SetEnabled(true);
  }
}

void NormaliseDrillAngle() {
  Dialog& d = CurrentDialog();
  double a = 0;
  // A text that is not a number is left for the user to correct; OK reports it.
  if (!DefaultDecimalsValue(d.AngoloPunta.Text(), a)) return;
  a = std::fabs(a);
  if (a >= 180) {
    a -= 180;
    d.AngoloPunta.SetText(rt::FormatGeneral(a));
    d.AngoloPunta.RedrawList();
  }
  if (a == 0) {
    d.AngoloPunta.SetText("0");
    d.TogglePunta.SetValue(1);
  }
}

void NormaliseCsinkAngle() {
  Dialog& d = CurrentDialog();
  double a = 0;
  if (!DefaultDecimalsValue(d.AngSvaso.Text(), a)) return;
  if (a >= 180) {
    a -= 180;
    d.AngSvaso.SetText(rt::FormatGeneral(a));
    d.AngSvaso.RedrawList();
  }
  if (a == 0) d.AngSvaso.SetText("90");
}

bool RefusePositiveValue(const std::string& text) {
  bool refuse = false;
  try {
    refuse = PrecisionValue(text) <= 0;
  } catch (const rt::Error&) {
    refuse = true;  // empty or not a number
  }
  if (refuse) {
    forms::MsgBox(strings::LocalisedText(strings::id::kMustBePositive), forms::msg::kExclamation);
  }
  return refuse;
}

bool RefuseRecessDiameter() {
  Dialog& d = CurrentDialog();
  std::string size = d.Misura.SelectedText();
  if (d.ToggleFiletto.Value() == 1 && !size.empty()) size.erase(0, 1);
  const double n = rt::Val(size);
  bool refuse = false;
  try {
    const double diameter = PrecisionValue(d.DiamIncasso.Text());
    refuse = diameter <= 0 || n >= diameter;
  } catch (const rt::Error&) {
    refuse = true;
  }
  if (refuse) {
    forms::MsgBox(strings::LocalisedText(strings::id::kRecessTooSmall), forms::msg::kExclamation);
  }
  return refuse;
}

namespace {

// True when the form shows exactly what the edited hole has stored.
bool EditUnchanged() {
  Dialog& d = CurrentDialog();
  const GlobalsState& g = Globals();
  const StoredParams& s = g.Stored;
  const double length = PrecisionValue(d.Lunghezza.Text());
  const double after = PrecisionValue(d.TxtLungAfterThread.Text());
  const double pitch = PrecisionValue(d.TxtThreadPitch.Text());
  const double angle = PrecisionValue(d.AngoloPunta.Text());
  bool same = length == s.length && after == s.lengthAfterThread && pitch == s.pitch &&
              angle == s.drillAngle && d.Misura.SelectedText() == s.sizeCode &&
              d.ToggleFiletto.Value() == s.threadFlag && d.TogglePassante.Value() == s.throughFlag &&
              s.holeType == g.HoleType;
  const int type = g.HoleType;
  if (same && type >= 2) same = PrecisionValue(d.DiamIncasso.Text()) == s.recessDiameter;
  if (same && (type == 2 || type == 4)) {
    same = PrecisionValue(d.ProfIncasso.Text()) == s.counterboreDepth;
  }
  if (same && (type == 3 || type == 4)) {
    same = PrecisionValue(d.AngSvaso.Text()) == s.countersinkAngle;
  }
  return same;
}

}  // namespace

void ApplyDialog() {
  Dialog& d = CurrentDialog();
  GlobalsState& g = Globals();
  try {
    if (g.EditMode && EditUnchanged()) {
      SetLastDialogResult(DialogResult::Unchanged);
      d.Unload();
      return;
    }
    if (d.Misura.ListIndex() < 0) rt::Raise(rt::err::kInvalidCall, "No size is selected");
    // Without the size's row the hole would be built from a stale one: the dialog stays open,
    // and says why when the lookup itself has not.
    const std::string table = g.DataDir + d.Misura.Tag();
    switch (FileReadTAB::SizeRowLookup(table, d.Misura.SelectedText(),
                                       RegionalToTable(d.Lunghezza.Text()), g.SizeRow)) {
      case FileReadTAB::SizeRow::Found:
        break;
      case FileReadTAB::SizeRow::Reported:
        return;
      case FileReadTAB::SizeRow::NotFound:
        rt::Raise(rt::err::kInvalidCall,
                  "\"" + rt::NativePath(table) + "\" has no row of size \"" +
                      d.Misura.SelectedText() + "\" for length " + d.Lunghezza.Text());
    }
    ApplyToHole();
  } catch (const rt::Error& e) {
    ShowApplyError(e);
    return;
  }
  SetLastDialogResult(DialogResult::Applied);
  d.Unload();
}

void ApplyToHole() {
  Dialog& d = CurrentDialog();
  GlobalsState& g = Globals();
  std::unique_ptr<holes::HoleObject> hole = holes::MakeHole(g.HoleType);
  if (d.TogglePassante.Value() == 1) hole->SetisThrough(true);

  const int type = g.HoleType;
  double diameter = 0, depth = 0, angle = 0;
  if (type >= 2) diameter = PrecisionValue(d.DiamIncasso.Text());
  if (type == 3 || type == 4) angle = PrecisionValue(d.AngSvaso.Text());
  if (type == 2 || type == 4) depth = PrecisionValue(d.ProfIncasso.Text());
  if (type >= 2) hole->SetRecess(diameter, depth, angle);

  if (d.ToggleFiletto.Value() == 1) {
    hole->SetisThread(true);
    hole->SetDiametro(g.SizeRow[0]);
    hole->SetLunghezza(PrecisionValue(d.Lunghezza.Text()));
    hole->SetangPunta(PrecisionValue(d.AngoloPunta.Text()));
    hole->SetpassoFiletto(PrecisionValue(d.TxtThreadPitch.Text()));
    if (hole->isThrough()) {
      // The thread runs the whole length of a through hole.
      hole->SetLunghezza(PrecisionValue(d.Lunghezza.Text()));
      hole->SetLungFiletto(hole->Lunghezza());
    } else {
      // The length field is the thread; the drill goes on by the length after the thread.
      hole->SetLungFiletto(PrecisionValue(d.Lunghezza.Text()));
      hole->SetLunghezza(PrecisionValue(d.Lunghezza.Text()));
      hole->SetLunghezza(hole->Lunghezza() + PrecisionValue(d.TxtLungAfterThread.Text()));
    }
  } else {
    hole->SetisThread(false);
    hole->SetDiametro(g.SizeRow[0]);
    hole->SetLunghezza(PrecisionValue(d.Lunghezza.Text()));
    hole->SetangPunta(PrecisionValue(d.AngoloPunta.Text()));
    hole->SetHToll(g.SizeRow[type == 1 ? 2 : type == 3 ? 3 : 4]);
  }
  hole->SetFileData(d.Misura.Tag());
  hole->SetCodice(d.Misura.SelectedText());
  hole->SetNormativa(d.Normativa.SelectedText());

  if (!g.TargetShape) rt::Raise(rt::err::kObjectVariableNotSet);
  hole->Create(*g.TargetShape);
  hole.reset();
  WritePrefs();
}

void CancelDialog() {
  Dialog& d = CurrentDialog();
  GlobalsState& g = Globals();
  if (!g.EditMode && g.TargetShape) {
    std::unique_ptr<host::IShapeDiscardService> discard =
        host::Services().CreateShapeDiscardService();
    discard->ShapeDiscard(*g.TargetShape);
    g.TargetShape = nullptr;  // the shape is gone; nothing may reach it any more
  }
  SetLastDialogResult(DialogResult::Cancelled);
  d.Unload();
}

}  // namespace cavix::dialog
