// Filling the hole dialog when it loads.
#include "dialog/initialize.h"

#include <string>

#include "dialog/dialog_form.h"
#include "dialog/interface.h"
#include "dialog/prefs.h"
#include "dialog/utils.h"
#include "runtime/error.h"
#include "standards/config.h"
#include "standards/file_read_tab.h"
#include "standards/strings.h"

namespace cavix::dialog {

namespace {

// The controls whose captions the string table gives, by offset.
void WriteCaptions(const DialogSession& s, Dialog& d) {
  namespace id = strings::id;
  auto text = [&s](int offset) { return s.Text(offset); };
  d.SetCaption(text(id::kTitle));
  d.LblNormativa.SetCaption(text(id::kStandard));
  d.LblMisura.SetCaption(text(id::kSize));
  d.LblLunghezza.SetCaption(text(id::kHoleLength));
  d.LblAngoloPunta.SetCaption(text(id::kBottomV));
  d.ToggleFiletto.SetCaption(text(id::kThread));
  d.TogglePassante.SetCaption(text(id::kThrough));
  d.TogglePunta.SetCaption(text(id::kFlat));
  d.FrameIncSvas.SetCaption(text(id::kRecessFrame));
  d.lblDiamInc.SetCaption(text(id::kDiameter));
  d.lblLungInc.SetCaption(text(id::kDepth));
  d.LblAngSvaso.SetCaption(text(id::kAngle));
  d.OKButton.SetCaption(text(id::kOk));
  d.CancelButton.SetCaption(text(id::kCancel));
  d.FrameThread.SetCaption(text(id::kThreadFrame));
  d.LblLenghtAfterThread.SetCaption(text(id::kLengthAfterThread));
  d.LblThreadPitch.SetCaption(text(id::kThreadPitch));
}

void FillFromStoredParams(DialogSession& s) {
  Dialog& d = s.Form();
  const holes::HoleRecord& r = s.stored;
  d.SelectTabQuietly(r.standardsTab);
  s.holeType = r.holeType;
  const int button = s.holeType - 1;
  if (button < 0 || button > 3)
    rt::Raise(340, "Control array element '" + std::to_string(button) + "' doesn't exist");
  d.OptHoleType[static_cast<size_t>(button)]->SetValue(true);
  d.ToggleFiletto.SetValue(r.threadFlag);
  d.TogglePassante.SetValue(r.throughFlag);
  d.AngoloPunta.SetText(PrecisionText(s, r.pointAngle));
  NormaliseDrillAngle(d);
  StandardsTabChanged(s, r.standardsTab);
  d.DiamIncasso.SetText(PrecisionText(s, r.recessDiameter));
  d.ProfIncasso.SetText(PrecisionText(s, r.counterboreDepth));
  d.AngSvaso.SetText(PrecisionText(s, r.countersinkAngle));
  if (d.ToggleFiletto.Value() == 1) {
    d.TxtThreadPitch.SetText(PrecisionText(s, r.pitchOrAllowance));
    if (r.LengthAfterThread() < 0) {
      const FileReadTAB::ColumnPair thread =
          FileReadTAB::QDataThread(s.paths.dataDir, SelectedSizeOf(d.Misura));
      if (thread.error) ShowQueryError(s, *thread.error);
      const std::string after = thread.values ? thread.values->first : std::string();
      d.TxtLungAfterThread.SetText(TableToRegional(after));
    } else {
      d.TxtLungAfterThread.SetText(PrecisionText(s, r.LengthAfterThread()));
    }
  }
}

}  // namespace

void InitDialog(DialogSession& s) {
  Dialog& d = s.Form();
  BuildStandardsTabs(s);
  s.paths = config::ReadFamilyPaths(s.Registry(), s.standardsTab);
  s.languageBase = config::ReadLanguageBase(s.Registry());
  UpdateHoleTypePictures(d);
  WriteCaptions(s, d);
  if (s.editMode) {
    FillFromStoredParams(s);
    return;
  }
  if (!ReadPrefs(s)) {
    // No hole type came from the preferences: open on the type and family of the last dialog
    // (the plain hole of the first family at first), so that the lists are filled.
    if (s.holeType < 1 || s.holeType > 4) s.holeType = 1;
    if (s.standardsTab < 0 || s.standardsTab >= d.TabNorme.Tabs()) s.standardsTab = 0;
    d.SelectTabQuietly(s.standardsTab);
    d.OptHoleType[static_cast<size_t>(s.holeType - 1)]->SetValue(true);
  }
  NormaliseDrillAngle(d);
}

void BuildStandardsTabs(DialogSession& s) {
  Dialog& d = s.Form();
  const config::Registry registry = s.Registry();
  // Building the tabs is not a choice of family: the fill that follows selects the family.
  d.MuteTabClick = true;
  struct Unmute {
    Dialog& d;
    ~Unmute() { d.MuteTabClick = false; }
  } unmute{d};
  const config::FamilyList families = config::ListFamilies(registry);
  for (const std::string& trouble : families.problems)
    if (FirstTelling(s.memory, trouble))
      s.MsgBox(trouble, forms::msg::kExclamation, "Standards");
  for (size_t i = 0; i < families.families.size(); ++i) {
    const int tab = static_cast<int>(i);
    if (tab > 0) {
      d.TabNorme.SetTabs(tab + 1);
      d.TabNorme.SetTabsPerRow(tab + 1);
    }
    d.TabNorme.SetTab(tab);
    d.TabNorme.SetTabCaption(tab, families.families[i].caption);
  }
  d.TabNorme.SetTab(0);
}

}  // namespace cavix::dialog
