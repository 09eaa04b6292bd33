// The hole dialog form: controls, design-time contents, the hole-type pictures.
#include "dialog/dialog_form.h"

#include <string>

#include "hole_objects/hole_kinds.h"

namespace cavix::dialog {

namespace {

template <class T>
T& Placed(T& c, int left, int top, int width, int height, int tabIndex) {
  c.Move(left, top, width, height);
  c.SetTabIndex(tabIndex);
  return c;
}

template <class T>
T& Captioned(T& c, const char* caption) {
  c.SetCaption(caption);
  return c;
}

void AddAngles(forms::ComboBox& box) {
  for (const char* a : {"82", "90", "118", "120", "135"}) box.AddItem(a);
  box.SetText("90");
}

// Picture groups by hole state; within a group one picture per hole type, in type order.
constexpr const char* kGroupKeys[6] = {"point", "point-thread", "through",
                                       "flat",  "through-thread", "flat-thread"};

}  // namespace

// The form's design, one control a line as a form designer lists it (name, container, place in
// twips, tab index, design-time contents): long, but a listing reads better whole than cut up.
Dialog::Dialog(DialogSession& session)
    : forms::Form("Dialog"),
      ImageList1(Add<forms::ImageList>("ImageList1")),
      OptHoleType{&Add<forms::OptionButton>("OptHoleType", 0),
                  &Add<forms::OptionButton>("OptHoleType", 1),
                  &Add<forms::OptionButton>("OptHoleType", 2),
                  &Add<forms::OptionButton>("OptHoleType", 3)},
      OKButton(Add<forms::CommandButton>("OKButton")),
      CancelButton(Add<forms::CommandButton>("CancelButton")),
      TabNorme(Add<forms::TabStrip>("TabNorme")),
      FrameData(Add<forms::Frame>("FrameData")),
      LblNormativa(Add<forms::Label>("LblNormativa", -1, &FrameData)),
      Normativa(Add<forms::DropDownList>("Normativa", -1, &FrameData)),
      LblMisura(Add<forms::Label>("LblMisura", -1, &FrameData)),
      Label1(Add<forms::Label>("Label1", -1, &FrameData)),
      Misura(Add<forms::DropDownList>("Misura", -1, &FrameData)),
      LblLunghezza(Add<forms::Label>("LblLunghezza", -1, &FrameData)),
      Label2(Add<forms::Label>("Label2", -1, &FrameData)),
      Lunghezza(Add<forms::ComboBox>("Lunghezza", -1, &FrameData)),
      LblAngoloPunta(Add<forms::Label>("LblAngoloPunta", -1, &FrameData)),
      Label3(Add<forms::Label>("Label3", -1, &FrameData)),
      AngoloPunta(Add<forms::ComboBox>("AngoloPunta", -1, &FrameData)),
      ToggleFiletto(Add<forms::CheckBox>("ToggleFiletto", -1, &FrameData)),
      TogglePassante(Add<forms::CheckBox>("TogglePassante", -1, &FrameData)),
      TogglePunta(Add<forms::CheckBox>("TogglePunta", -1, &FrameData)),
      FrameThread(Add<forms::Frame>("FrameThread", -1, &FrameData)),
      LblLenghtAfterThread(Add<forms::Label>("LblLenghtAfterThread", -1, &FrameThread)),
      Label4(Add<forms::Label>("Label4", -1, &FrameThread)),
      TxtLungAfterThread(Add<forms::TextBox>("TxtLungAfterThread", -1, &FrameThread)),
      LblThreadPitch(Add<forms::Label>("LblThreadPitch", -1, &FrameThread)),
      Label5(Add<forms::Label>("Label5", -1, &FrameThread)),
      TxtThreadPitch(Add<forms::TextBox>("TxtThreadPitch", -1, &FrameThread)),
      FrameIncSvas(Add<forms::Frame>("FrameIncSvas", -1, &FrameData)),
      lblDiamInc(Add<forms::Label>("lblDiamInc", -1, &FrameIncSvas)),
      Label6(Add<forms::Label>("Label6", -1, &FrameIncSvas)),
      DiamIncasso(Add<forms::TextBox>("DiamIncasso", -1, &FrameIncSvas)),
      lblLungInc(Add<forms::Label>("lblLungInc", -1, &FrameIncSvas)),
      Label7(Add<forms::Label>("Label7", -1, &FrameIncSvas)),
      ProfIncasso(Add<forms::TextBox>("ProfIncasso", -1, &FrameIncSvas)),
      LblAngSvaso(Add<forms::Label>("LblAngSvaso", -1, &FrameIncSvas)),
      Label8(Add<forms::Label>("Label8", -1, &FrameIncSvas)),
      AngSvaso(Add<forms::ComboBox>("AngSvaso", -1, &FrameIncSvas)),
      session_(session) {
  SetClientSize(4620, 5325);

  for (const char* group : kGroupKeys) {
    for (const holes::HoleKind& kind : holes::kHoleKinds) {
      const std::string key = std::string(kind.picture) + "." + group;
      ImageList1.Add(key, "holetype:" + key);
    }
  }

  // Top level. The hole-type buttons show pictures only.
  for (int i = 0; i < 4; ++i) {
    forms::OptionButton& b = *OptHoleType[static_cast<size_t>(i)];
    b.SetPictureStyle(true);
    Placed(b, 60 + 1140 * i, 300, 1120, 1035, 14 + i);
  }
  Captioned(Placed(OKButton, 3480, 1440, 1128, 375, 0), "OK");
  OKButton.SetDefault(true);
  // Not the form's cancel button: Escape does not press it.
  Captioned(Placed(CancelButton, 3480, 1980, 1128, 375, 1), "Annulla");
  Placed(TabNorme, 0, 0, 4635, 300, 9);
  Placed(FrameData, 0, 1320, 3432, 3972, 2);

  // Inside FrameData.
  Captioned(Placed(LblNormativa, 120, 240, 1815, 255, 5), "Normativa");
  Placed(Normativa, 1140, 180, 2115, 315, 3);
  Captioned(Placed(LblMisura, 120, 600, 1815, 255, 6), "Misura");
  Captioned(Placed(Label1, 1200, 600, 195, 255, 31), "d");
  Placed(Misura, 1440, 540, 915, 315, 4);
  Captioned(Placed(LblLunghezza, 120, 840, 1065, 375, 7), "Length of Thread");
  Captioned(Placed(Label2, 1200, 960, 195, 255, 32), "h");
  Placed(Lunghezza, 1440, 900, 915, 315, 8);
  Lunghezza.SetText("Lunghezza");
  Captioned(Placed(LblAngoloPunta, 120, 1320, 1140, 255, 13), "Angolo Punta");
  Captioned(Placed(Label3, 1200, 1320, 195, 255, 33), "a");  // Symbol font: alpha
  Placed(AngoloPunta, 1440, 1260, 915, 315, 12);
  AddAngles(AngoloPunta);
  Captioned(Placed(ToggleFiletto, 2400, 600, 975, 195, 11), "Filetto");
  Captioned(Placed(TogglePassante, 2400, 960, 975, 195, 10), "Passante");
  Captioned(Placed(TogglePunta, 2400, 1320, 975, 195, 18), "Piatto");
  Captioned(Placed(FrameThread, 60, 1620, 3315, 912, 26), "Thread");
  Captioned(Placed(FrameIncSvas, 60, 2580, 3315, 1335, 19), "Incasso/Svasatura");

  // Inside FrameThread.
  Captioned(Placed(LblLenghtAfterThread, 120, 300, 1815, 255, 29), "Lunghezza dopo filetto");
  Captioned(Placed(Label4, 2160, 300, 192, 252, 34), "h1");
  Placed(TxtLungAfterThread, 2400, 240, 795, 252, 28);
  TxtLungAfterThread.SetText("0");
  Captioned(Placed(LblThreadPitch, 120, 600, 1815, 255, 30), "Thread Pitch");
  Captioned(Placed(Label5, 2160, 600, 192, 252, 35), "p");
  Placed(TxtThreadPitch, 2400, 540, 795, 252, 27);
  TxtThreadPitch.SetText("0");

  // Inside FrameIncSvas.
  Captioned(Placed(lblDiamInc, 180, 300, 1815, 255, 21), "Diametro");
  Captioned(Placed(Label6, 1740, 240, 195, 255, 36), "d1");
  Placed(DiamIncasso, 1980, 240, 1155, 315, 24);
  DiamIncasso.SetText("0");
  Captioned(Placed(lblLungInc, 180, 600, 1815, 255, 20), "Profondit\xC3\xA0");
  Captioned(Placed(Label7, 1740, 600, 195, 255, 37), "c");
  Placed(ProfIncasso, 1980, 540, 1155, 315, 25);
  ProfIncasso.SetText("0");
  Captioned(Placed(LblAngSvaso, 180, 900, 1815, 255, 23), "Angolo ");
  Captioned(Placed(Label8, 1740, 900, 195, 255, 38), "b");  // Symbol font: beta
  Placed(AngSvaso, 1980, 900, 1215, 315, 22);
  AddAngles(AngSvaso);

  // Centred on a 1024 x 768 screen until the preferences say otherwise.
  SetPosition(static_cast<float>((1024 * 15 - 4620) / 2),
              static_cast<float>((768 * 15 - 5325) / 2));
}

void Dialog::SelectTabQuietly(int tab) {
  MuteTabClick = true;
  struct Unmute {
    bool& flag;
    ~Unmute() { flag = false; }
  } unmute{MuteTabClick};
  TabNorme.SetTab(tab);
}

int Dialog::FirstPictureOfGroup(int flat, int through, int threaded) {
  // flat | through | threaded -> k
  struct Row {
    int flat, through, threaded, k;
  };
  static constexpr Row kGroups[] = {
      {0, 0, 0, 0},  {0, 0, 1, 4},  {0, 1, 0, 8},  {1, 0, 0, 12},
      {0, 1, 1, 16}, {1, 0, 1, 20}, {1, 1, 0, 8},  {1, 1, 1, 16},
  };
  for (const Row& r : kGroups) {
    if (r.flat == flat && r.through == through && r.threaded == threaded) return r.k + 1;
  }
  return 1;
}

void UpdateHoleTypePictures(Dialog& d) {
  const int first = Dialog::FirstPictureOfGroup(d.TogglePunta.Value(), d.TogglePassante.Value(),
                                                d.ToggleFiletto.Value());
  for (int j = 0; j < 4; ++j) {
    d.OptHoleType[static_cast<size_t>(j)]->SetPicture(d.ImageList1, first + j);
  }
}

}  // namespace cavix::dialog
