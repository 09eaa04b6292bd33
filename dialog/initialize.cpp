// Opening the hole dialog for an edit, and filling it when it loads.
#include "dialog/initialize.h"

#include <memory>
#include <string>

#include "dialog/dialog.h"
#include "dialog/globals.h"
#include "dialog/interface.h"
#include "dialog/prefs.h"
#include "dialog/utils.h"
#include "geometry/units.h"
#include "hole_objects/hole.h"
#include "standards/config.h"
#include "standards/file_read_tab.h"
#include "standards/strings.h"

namespace cavix::dialog {

namespace {

// The controls whose captions the string table gives, by offset.
void WriteCaptions(Dialog& d) {
  namespace id = strings::id;
  auto text = [](int offset) { return strings::LocalisedText(offset); };
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

void FillFromStoredParams(Dialog& d) {
  GlobalsState& g = Globals();
  const StoredParams& s = g.Stored;
  d.SelectTabQuietly(s.standardsTab);
  g.HoleType = s.holeType;
  const int button = g.HoleType - 1;
  if (button < 0 || button > 3) rt::Raise(340, "Control array element '" + std::to_string(button) + "' doesn't exist");
  d.OptHoleType[static_cast<size_t>(button)]->SetValue(true);
  d.ToggleFiletto.SetValue(s.threadFlag);
  d.TogglePassante.SetValue(s.throughFlag);
  d.AngoloPunta.SetText(PrecisionText(s.drillAngle));
  NormaliseDrillAngle();
  StandardsTabChanged(s.standardsTab);
  d.DiamIncasso.SetText(PrecisionText(s.recessDiameter));
  d.ProfIncasso.SetText(PrecisionText(s.counterboreDepth));
  d.AngSvaso.SetText(PrecisionText(s.countersinkAngle));
  if (d.ToggleFiletto.Value() == 1) {
    d.TxtThreadPitch.SetText(PrecisionText(s.pitch));
    if (s.lengthAfterThread < 0) {
      std::string after, pitch;
      FileReadTAB::QDataThread(g.DataDir, d.Misura, after, pitch);
      d.TxtLungAfterThread.SetText(TableToRegional(after));
    } else {
      d.TxtLungAfterThread.SetText(PrecisionText(s.lengthAfterThread));
    }
  }
}

}  // namespace

void EditHole(host::IShape& shape, int16_t& holeType) {
  GlobalsState& g = Globals();
  g.EditMode = true;
  g.CurrentApplication = &shape.Application();
  g.CurrentPage = &g.CurrentApplication->ActivePage();
  g.HoleType = holeType;
  {
    std::unique_ptr<holes::HoleObject> hole = holes::MakeHole(holeType);
    hole->GetPartData(shape);
    g.TargetShape = &shape;
    g.ThroughDepth = geo::GetThroughDepth(*g.TargetShape);
  }
  ShowDialog();
}

void RegisterEditHandler() {
  holes::SetEditHoleHandler([](host::IShape& shape, int16_t holeType) {
    EditHole(shape, holeType);
  });
}

void InitDialog() {
  Dialog& d = CurrentDialog();
  GlobalsState& g = Globals();
  BuildStandardsTabs();
  config::RecomputePaths();
  config::ReadLanguageBase();
  UpdateHoleTypePictures();
  WriteCaptions(d);
  if (g.EditMode) {
    FillFromStoredParams(d);
    return;
  }
  if (!ReadPrefs()) {
    // No hole type came from the preferences: open on the type of the last dialog of this run
    // (the plain hole at first), with its family, so that the lists are filled.
    if (g.HoleType < 1 || g.HoleType > 4) g.HoleType = 1;
    if (g.StandardsTab < 0 || g.StandardsTab >= d.TabNorme.Tabs()) g.StandardsTab = 0;
    d.SelectTabQuietly(g.StandardsTab);
    d.OptHoleType[static_cast<size_t>(g.HoleType - 1)]->SetValue(true);
  }
  NormaliseDrillAngle();
}

void BuildStandardsTabs() {
  Dialog& d = CurrentDialog();
  // Building the tabs is not a choice of family: the fill that follows selects the family.
  d.MuteTabClick = true;
  struct Unmute {
    Dialog& d;
    ~Unmute() { d.MuteTabClick = false; }
  } unmute{d};
  for (int i = 0;; ++i) {
    const std::string caption = config::ReadNumberedValue("Norme#", i);
    if (caption.empty()) break;
    if (i > 0) {
      d.TabNorme.SetTabs(i + 1);
      d.TabNorme.SetTabsPerRow(i + 1);
    }
    d.TabNorme.SetTab(i);
    d.TabNorme.SetTabCaption(i, caption);
    if (i + 1 >= config::kMaxFamilies) break;
  }
  d.TabNorme.SetTab(0);
}

}  // namespace cavix::dialog
