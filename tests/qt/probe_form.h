// A small form with one control of every kind, for the view tests: a digits-only text box that
// refuses 0 on leave, a default OK button that unloads, a Cancel button that counts its clicks.
#pragma once

#include <string>

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/message_box.h"

namespace cavix::testing {

struct ProbeForm : forms::Form {
  ProbeForm() : forms::Form("Probe") {
    SetCaption("Probe α");
    SetClientSize(4620, 2700);
    images = &Add<forms::ImageList>("Images");
    images->Add("a", "holetype:plain.point");
    images->Add("b", "holetype:cbore.point");
    images->Add("c", "holetype:plain.through");
    images->Add("d", "holetype:cbore.through");
    tabs = &Add<forms::TabStrip>("Tabs");
    tabs->Move(0, 0, 4635, 300);
    tabs->SetTabs(2);
    tabs->SetTabCaption(0, "ISO");
    tabs->SetTabCaption(1, "UNC/UNF");
    tabs->SetTabIndex(9);
    for (int i = 0; i < 2; ++i) {
      pics[i] = &Add<forms::OptionButton>("Pic", i);
      pics[i]->SetPictureStyle(true);
      pics[i]->Move(60 + 1140 * i, 300, 1120, 1035);
      pics[i]->SetTabIndex(7 + i);
      pics[i]->SetPicture(*images, i + 1);
      pics[i]->OnClick([this, i] { lastPic = i; });
    }
    ok = &Add<forms::CommandButton>("OK");
    ok->Move(3480, 1440, 1128, 375);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetTabIndex(0);
    ok->OnClick([this] {
      ++okClicks;
      Unload();
    });
    cancel = &Add<forms::CommandButton>("Cancel");
    cancel->Move(3480, 1980, 1128, 375);
    cancel->SetCaption("Cancel");
    cancel->SetTabIndex(1);
    cancel->OnClick([this] { ++cancelClicks; });
    frame = &Add<forms::Frame>("Box");
    frame->Move(0, 1320, 3432, 1300);
    frame->SetCaption("Values");
    frame->SetTabIndex(2);
    label = &Add<forms::Label>("Lbl", -1, frame);
    label->Move(120, 300, 195, 255);
    label->SetCaption("a");
    num = &Add<forms::TextBox>("Num", -1, frame);
    num->Move(360, 240, 900, 315);
    num->SetTabIndex(3);
    num->OnKeyPress([](int16_t& k) {
      if (k == '.' || k == ',')
        k = ',';  // a comma region's separator
      else if (k != 8 && (k < '0' || k > '9'))
        k = 0;
    });
    num->OnValidate([this](bool& refuse) {
      if (num->Text().empty() || num->Text() == "0") {
        forms::MsgBox("This value must be greater than zero", forms::msg::kExclamation);
        refuse = true;
      }
    });
    num->SetText("5");
    combo = &Add<forms::ComboBox>("Combo", -1, frame);
    combo->Move(1440, 240, 915, 315);
    combo->SetTabIndex(4);
    for (const char* a : {"82", "90", "118"}) combo->AddItem(a);
    combo->SetText("90");
    list = &Add<forms::DropDownList>("List", -1, frame);
    list->Move(360, 720, 915, 315);
    list->SetTabIndex(5);
    list->AddItem("M6");
    list->AddItem("M8");
    list->OnClick([this] { ++listPicks; });
    check = &Add<forms::CheckBox>("Check", -1, frame);
    check->Move(1440, 780, 975, 195);
    check->SetCaption("Flat");
    check->SetTabIndex(6);
    check->OnClick([this] { ++checkClicks; });
    OnQueryUnload([this](bool& refuse, forms::UnloadMode mode) {
      if (mode == forms::UnloadMode::FormControlMenu) refuse = refuseClose;
    });
  }

  forms::ImageList* images;
  forms::TabStrip* tabs;
  forms::OptionButton* pics[2];
  forms::CommandButton* ok;
  forms::CommandButton* cancel;
  forms::Frame* frame;
  forms::Label* label;
  forms::TextBox* num;
  forms::ComboBox* combo;
  forms::DropDownList* list;
  forms::CheckBox* check;
  int okClicks = 0, cancelClicks = 0, listPicks = 0, checkClicks = 0, lastPic = -1;
  bool refuseClose = false;
};

// Records message boxes and answers OK.
struct RecordingMessages : forms::IMessageService {
  std::vector<forms::Message> shown;
  int Show(const forms::Message& m) override {
    shown.push_back(m);
    return forms::msg::kOk;
  }
};

}  // namespace cavix::testing
