// The reactions of the hole dialog.
#include "dialog/interface.h"

#include <cmath>
#include <vector>

#include "dialog/dialog_form.h"
#include "dialog/utils.h"
#include "forms/message_box.h"
#include "hole_objects/hole_kinds.h"
#include "runtime/error.h"
#include "runtime/number_text.h"
#include "runtime/regional.h"
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

// Replaces a list's entries with a query's.
void Fill(forms::ListModel& list, const std::vector<FileReadTAB::Entry>& entries) {
  list.Clear();
  for (const FileReadTAB::Entry& e : entries) {
    list.AddItem(e.text);
    list.SetItemData(list.NewIndex(), e.itemData);
  }
}

void ShowIfFailed(const DialogSession& s, const std::optional<FileReadTAB::QueryError>& e) {
  if (e) ShowQueryError(s, *e);
}

}  // namespace

void ShowQueryError(const DialogSession& s, const FileReadTAB::QueryError& e) {
  s.MsgBox(e.text,
           e.icon == FileReadTAB::QueryError::Icon::Exclamation ? forms::msg::kExclamation
                                                                : forms::msg::kCritical,
           "", e.file);
}

FileReadTAB::SelectedSize SelectedSizeOf(const forms::ListModel& sizes) {
  FileReadTAB::SelectedSize size;
  size.tabFile = sizes.Tag();
  const int i = sizes.ListIndex();
  size.selected = i >= 0;
  if (size.selected) {
    size.key = sizes.List(i);
    size.firstRow = sizes.ItemData(i);
  }
  return size;
}

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

void EnableInputs(Dialog& d, bool flag) {
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

void HoleTypeChosen(DialogSession& s, int index) {
  Dialog& d = s.Form();
  s.paths = config::ReadFamilyPaths(s.Registry(), s.standardsTab);
  EnableInputs(d, true);
  if (const holes::HoleKind* kind = holes::FindHoleKind(static_cast<int16_t>(index + 1))) {
    const bool diameter = kind->Has(holes::kRecessDiameter);
    const bool depth = kind->Has(holes::kRecessDepth);
    const bool angle = kind->Has(holes::kRecessAngle);
    d.FrameIncSvas.SetEnabled(kind->HasRecess());
    d.DiamIncasso.SetEnabled(diameter);
    d.lblDiamInc.SetEnabled(diameter);
    d.ProfIncasso.SetEnabled(depth);
    d.lblLungInc.SetEnabled(depth);
    d.AngSvaso.SetEnabled(angle);
    d.LblAngSvaso.SetEnabled(angle);
  }
  s.holeType = static_cast<int16_t>(index + 1);
  RefreshStandards(s, s.holeType);
  if (s.editMode) {
    SelectListItem(d.Normativa, s.stored.standard);
    SelectListItem(d.Misura, s.stored.sizeCode);
    d.Lunghezza.SetText(PrecisionText(s, d.TogglePassante.Value() == 1
                                             ? s.throughDepth
                                             : s.stored.threadOrBoreLength));
  }
}

void StandardsTabChanged(DialogSession& s, int tab) {
  s.standardsTab = static_cast<int16_t>(tab);
  HoleTypeChosen(s, s.holeType - 1);
}

void RefreshStandards(DialogSession& s, int type) {
  if (type <= 0) return;
  Dialog& d = s.Form();
  const FileReadTAB::StandardsListing listing =
      FileReadTAB::QNorma(s.paths.IniPath(), type, d.ToggleFiletto.Value());
  Fill(d.Normativa, listing.entries);
  ShowIfFailed(s, listing.error);
  d.OKButton.SetEnabled(listing.status <= 0);
  if (d.Normativa.ListCount() > 0) {
    if (d.Normativa.ListIndex() == -1) d.Normativa.SetListIndex(0);
    d.Normativa.RedrawList();
  }
}

void StandardChosen(DialogSession& s, int iniLine) {
  Dialog& d = s.Form();
  std::string previous = d.Misura.SelectedText();
  const FileReadTAB::SizeListing listing =
      FileReadTAB::QData(s.paths.IniPath(), s.paths.dataDir, iniLine);
  d.Misura.Clear();
  if (listing.tabFile) d.Misura.SetTag(*listing.tabFile);
  for (const FileReadTAB::Entry& e : listing.entries) {
    d.Misura.AddItem(e.text);
    d.Misura.SetItemData(d.Misura.NewIndex(), e.itemData);
  }
  ShowIfFailed(s, listing.error);
  d.OKButton.SetEnabled(listing.status <= 0);
  // Threaded sizes carry the metric prefix "M"; keep the same size across the thread state.
  const int thread = d.ToggleFiletto.Value();
  if (thread == 0 && StartsWithM(previous)) {
    previous.erase(0, 1);
  } else if (thread == 1 && !StartsWithM(previous)) {
    previous = "M" + previous;
  }
  SelectOrFirst(d.Misura, previous);
  ThroughToggled(s);
}

void SizeChosen(DialogSession& s) {
  Dialog& d = s.Form();
  const FileReadTAB::SelectedSize size = SelectedSizeOf(d.Misura);
  if (d.TogglePassante.Value() == 0) {
    const std::string remembered = d.Lunghezza.Text();
    const FileReadTAB::Listing lengths = FileReadTAB::QDataLunghezze(s.paths.dataDir, size);
    Fill(d.Lunghezza, lengths.entries);
    ShowIfFailed(s, lengths.error);
    // The table lists lengths with "."; the field shows them as the region writes numbers.
    RegionaliseEntries(d.Lunghezza);
    SelectOrFirst(d.Lunghezza, remembered);
  }
  const holes::HoleKind* kind = holes::FindHoleKind(s.holeType);
  if (kind && kind->HasRecess()) {
    const FileReadTAB::ColumnPair recess = FileReadTAB::QDataIncasso(s.paths.dataDir, size);
    ShowIfFailed(s, recess.error);
    const std::string diameter =
        recess.values ? recess.values->first : RegionalToTable(d.DiamIncasso.Text());
    const std::string depth =
        recess.values ? recess.values->second : RegionalToTable(d.ProfIncasso.Text());
    d.DiamIncasso.SetText(TableToRegional(diameter));
    if (kind->Has(holes::kRecessDepth)) d.ProfIncasso.SetText(TableToRegional(depth));
  }
  NormaliseDrillAngle(d);
  NormaliseCsinkAngle(d);
  if (d.ToggleFiletto.Value() == 1) {
    const FileReadTAB::ColumnPair thread = FileReadTAB::QDataThread(s.paths.dataDir, size);
    ShowIfFailed(s, thread.error);
    const std::string after =
        thread.values ? thread.values->first : RegionalToTable(d.TxtLungAfterThread.Text());
    const std::string pitch =
        thread.values ? thread.values->second : RegionalToTable(d.TxtThreadPitch.Text());
    d.TxtLungAfterThread.SetText(TableToRegional(after));
    d.TxtThreadPitch.SetText(TableToRegional(pitch));
  }
}

void ThreadToggled(DialogSession& s, int value) {
  Dialog& d = s.Form();
  const bool on = value != 0;
  d.FrameThread.SetEnabled(on);
  d.LblLenghtAfterThread.SetEnabled(on);
  d.LblThreadPitch.SetEnabled(on);
  d.TxtLungAfterThread.SetEnabled(on);
  d.TxtThreadPitch.SetEnabled(on);
  d.LblLunghezza.SetCaption(s.Text(on ? strings::id::kThreadLength : strings::id::kHoleLength));
}

void DrillPointToggled(Dialog& d) {
  if (d.TogglePunta.Value() == 1) {
    d.AngoloPunta.SetText("0");
    d.AngoloPunta.SetEnabled(false);
    return;
  }
  d.AngoloPunta.SetEnabled(true);
  double a = 0;
  if (DefaultDecimalsValue(d.AngoloPunta.Text(), a) && a == 0) d.AngoloPunta.SetText("90");
}

void ThroughToggled(DialogSession& s) {
  Dialog& d = s.Form();
  if (d.TogglePassante.Value() == 1) {
    d.TogglePunta.SetValue(1);
    d.TogglePunta.SetEnabled(false);
    d.AngoloPunta.SetEnabled(false);
    d.LblLenghtAfterThread.SetEnabled(false);
    d.TxtLungAfterThread.SetEnabled(false);
    d.Lunghezza.SetText(PrecisionText(s, s.throughDepth));
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

void NormaliseDrillAngle(Dialog& d) {
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

void NormaliseCsinkAngle(Dialog& d) {
  double a = 0;
  if (!DefaultDecimalsValue(d.AngSvaso.Text(), a)) return;
  if (a >= 180) {
    a -= 180;
    d.AngSvaso.SetText(rt::FormatGeneral(a));
    d.AngSvaso.RedrawList();
  }
  if (a == 0) d.AngSvaso.SetText("90");
}

bool RefusePositiveValue(const DialogSession& s, const std::string& text) {
  bool refuse = false;
  try {
    refuse = PrecisionValue(s, text) <= 0;
  } catch (const rt::Error&) {
    refuse = true;  // empty or not a number
  }
  if (refuse) s.MsgBox(s.Text(strings::id::kMustBePositive), forms::msg::kExclamation);
  return refuse;
}

bool RefuseRecessDiameter(const DialogSession& s) {
  Dialog& d = s.Form();
  std::string size = d.Misura.SelectedText();
  if (d.ToggleFiletto.Value() == 1 && !size.empty()) size.erase(0, 1);
  const double n = rt::Val(size);
  bool refuse = false;
  try {
    const double diameter = PrecisionValue(s, d.DiamIncasso.Text());
    refuse = diameter <= 0 || n >= diameter;
  } catch (const rt::Error&) {
    refuse = true;
  }
  if (refuse) s.MsgBox(s.Text(strings::id::kRecessTooSmall), forms::msg::kExclamation);
  return refuse;
}

}  // namespace cavix::dialog
