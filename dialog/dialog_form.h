// The hole dialog form: its controls with their names, kinds, places (twips), tab order and
// design-time contents. What its events do is wired when it is shown (dialog.h).
#pragma once

#include <array>

#include "dialog/session.h"
#include "forms/controls.h"
#include "forms/form.h"

namespace cavix::dialog {

// Pictures of the hole-type buttons: six groups of four (one per hole type, in type order).
inline constexpr int kHoleTypePictures = 24;

class Dialog : public forms::Form {
 public:
  // A dialog of `session` (its events are wired when it is shown).
  explicit Dialog(DialogSession& session);
  DialogSession& Session() const { return session_; }

  // The first picture of the hole-type group for the three toggle values (0/1 each, 2 greyed):
  // k + 1 of the table of groups; any greyed value gives the first group.
  static int FirstPictureOfGroup(int flat, int through, int threaded);

  forms::ImageList& ImageList1;
  std::array<forms::OptionButton*, 4> OptHoleType{};
  forms::CommandButton& OKButton;
  forms::CommandButton& CancelButton;
  forms::TabStrip& TabNorme;
  forms::Frame& FrameData;
  forms::Label& LblNormativa;
  forms::DropDownList& Normativa;
  forms::Label& LblMisura;
  forms::Label& Label1;
  forms::DropDownList& Misura;
  forms::Label& LblLunghezza;
  forms::Label& Label2;
  forms::ComboBox& Lunghezza;
  forms::Label& LblAngoloPunta;
  forms::Label& Label3;
  forms::ComboBox& AngoloPunta;
  forms::CheckBox& ToggleFiletto;
  forms::CheckBox& TogglePassante;
  forms::CheckBox& TogglePunta;
  forms::Frame& FrameThread;
  forms::Label& LblLenghtAfterThread;
  forms::Label& Label4;
  forms::TextBox& TxtLungAfterThread;
  forms::Label& LblThreadPitch;
  forms::Label& Label5;
  forms::TextBox& TxtThreadPitch;
  forms::Frame& FrameIncSvas;
  forms::Label& lblDiamInc;
  forms::Label& Label6;
  forms::TextBox& DiamIncasso;
  forms::Label& lblLungInc;
  forms::Label& Label7;
  forms::TextBox& ProfIncasso;
  forms::Label& LblAngSvaso;
  forms::Label& Label8;
  forms::ComboBox& AngSvaso;

  // While set, selecting a tab by code does not run the family reaction (the tabs are being
  // built, or the caller runs the reaction itself right after).
  bool MuteTabClick = false;
  // Selects tab `tab` of TabNorme without the family reaction; 380 outside the tabs.
  void SelectTabQuietly(int tab);

 private:
  DialogSession& session_;
};

// Sets the pictures of the four hole-type buttons from the flat, through and thread toggles.
void UpdateHoleTypePictures(Dialog& d);

}  // namespace cavix::dialog
