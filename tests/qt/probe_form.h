// A small form with one control of every kind, for the view tests: a digits-only text box that
// refuses 0 on leave, a default OK button that unloads, a Cancel button that counts its clicks.
#pragma once

#include <string>

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/message_box.h"

namespace cavix::testing {

struct ProbeForm : forms::Form {
  // Adds a control at its place (twips, within its container) and tab stop (-1: none).
  template <class C>
  C* Put(const char* name, int index, forms::Control* in, int l, int t, int w, int h, int tab) {
    C* c = &Add<C>(name, index, in);
    c->Move(l, t, w, h);
    if (tab >= 0) c->SetTabIndex(tab);
    return c;
  }

  ProbeForm() : forms::Form("Probe") {
    SetCaption("Probe α");
    SetClientSize(4620, 2700);
    images = &Add<forms::ImageList>("Images");
    for (const char* k : {"a:plain.point", "b:cbore.point", "c:plain.through", "d:cbore.through"})
      images->Add(std::string(k, 1), "holetype:" + std::string(k + 2));
    tabs = Put<forms::TabStrip>("Tabs", -1, nullptr, 0, 0, 4635, 300, 9);
    tabs->SetTabs(2);
    tabs->SetTabCaption(0, "ISO");
    tabs->SetTabCaption(1, "UNC/UNF");
    for (int i = 0; i < 2; ++i) {
      pics[i] = Put<forms::OptionButton>("Pic", i, nullptr, 60 + 1140 * i, 300, 1120, 1035, 7 + i);
      pics[i]->SetPictureStyle(true);
      pics[i]->SetPicture(*images, i + 1);
      pics[i]->OnClick([this, i] { lastPic = i; });
    }
    ok = Put<forms::CommandButton>("OK", -1, nullptr, 3480, 1440, 1128, 375, 0);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->OnClick([this] {
      ++okClicks;
      Unload();
    });
    cancel = Put<forms::CommandButton>("Cancel", -1, nullptr, 3480, 1980, 1128, 375, 1);
    cancel->SetCaption("Cancel");
    cancel->OnClick([this] { ++cancelClicks; });
    frame = Put<forms::Frame>("Box", -1, nullptr, 0, 1320, 3432, 1300, 2);
    frame->SetCaption("Values");
    label = Put<forms::Label>("Lbl", -1, frame, 120, 300, 195, 255, -1);
    label->SetCaption("a");
    num = Put<forms::TextBox>("Num", -1, frame, 360, 240, 900, 315, 3);
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
    combo = Put<forms::ComboBox>("Combo", -1, frame, 1440, 240, 915, 315, 4);
    for (const char* a : {"82", "90", "118"}) combo->AddItem(a);
    combo->SetText("90");
    list = Put<forms::DropDownList>("List", -1, frame, 360, 720, 915, 315, 5);
    list->AddItem("M6");
    list->AddItem("M8");
    list->OnClick([this] { ++listPicks; });
    check = Put<forms::CheckBox>("Check", -1, frame, 1440, 780, 975, 195, 6);
    check->SetCaption("Flat");
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
