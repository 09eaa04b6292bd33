// A small form for the toolkit's tests: a filtered and validated number box, a free text box,
// linked lists, two option groups, linked toggles, a tab strip, OK (default) and Cancel.
#pragma once

#include <string>
#include <vector>

#include "forms/form.h"
#include "forms/ui.h"

namespace cavix::forms::testing {

struct ProbeForm {
  Form form{"Probe"};
  std::vector<std::string> log;  // handlers append what they did, in order
  Ui* ui = nullptr;              // where its message boxes show, while it is shown in one

  TextBox& pitch = form.Add<TextBox>("TxtPitch");
  TextBox& note = form.Add<TextBox>("TxtNote");
  DropDownList& sizes = form.Add<DropDownList>("Sizes");
  ComboBox& lengths = form.Add<ComboBox>("Lengths");
  Label& sizeLabel = form.Add<Label>("LblSize");
  OptionButton& kind0 = form.Add<OptionButton>("OptKind", 0);
  OptionButton& kind1 = form.Add<OptionButton>("OptKind", 1);
  OptionButton& kind2 = form.Add<OptionButton>("OptKind", 2);
  Frame& frame = form.Add<Frame>("FrameMore");
  OptionButton& side0 = form.Add<OptionButton>("OptSide", 0, &frame);
  OptionButton& side1 = form.Add<OptionButton>("OptSide", 1, &frame);
  TextBox& inFrame = form.Add<TextBox>("TxtInFrame", -1, &frame);
  CheckBox& flat = form.Add<CheckBox>("ToggleFlat");
  CheckBox& through = form.Add<CheckBox>("ToggleThrough");
  TabStrip& tabs = form.Add<TabStrip>("Tabs");
  CommandButton& ok = form.Add<CommandButton>("OKButton");
  CommandButton& cancel = form.Add<CommandButton>("CancelButton");

  // Shows the form modally in `shownIn`, its message boxes there too.
  void ShowModal(Ui& shownIn) {
    ui = &shownIn;
    form.ShowModal(shownIn);
    ui = nullptr;
  }

  ProbeForm() {
    form.SetCaption("Probe");
    int tab = 0;
    for (Control* c :
         std::vector<Control*>{&ok, &cancel, &pitch, &note, &sizes, &lengths, &kind0, &kind1,
                               &kind2, &side0, &side1, &inFrame, &flat, &through, &tabs})
      c->SetTabIndex(tab++);
    ok.SetCaption("OK");
    ok.SetDefault(true);
    cancel.SetCaption("Cancel");
    pitch.SetText("1");
    tabs.SetTabs(3);

    // Digits pass; "." and "," become "," while the text has none; everything else is discarded.
    pitch.OnKeyPress([this](int16_t& key) {
      if ((key >= '0' && key <= '9') || key == 8) return;
      if ((key == '.' || key == ',') && pitch.Text().find(',') == std::string::npos) {
        key = ',';
        return;
      }
      key = 0;
    });
    pitch.OnValidate([this](bool& cancelFlag) {
      log.push_back("validate " + pitch.Text());
      const std::string& t = pitch.Text();
      if (t.empty() || t.find_first_not_of("0,") == std::string::npos) {
        if (ui) ui->MsgBox("This value must be greater than zero", msg::kExclamation);
        cancelFlag = true;
      }
    });
    sizes.OnClick([this] {
      log.push_back("size " + sizes.Text());
      lengths.Clear();
      for (int l : {10, 20, 30}) lengths.AddItem(sizes.Text() + "x" + std::to_string(l));
      sizeLabel.SetCaption("d " + sizes.Text());
      lengths.SetListIndex(0);
    });
    lengths.OnClick([this] { log.push_back("length " + lengths.Text()); });
    for (int i = 0; i < 3; ++i) {
      form.Get<OptionButton>("OptKind", i).OnClick([this, i] {
        log.push_back("kind " + std::to_string(i));
      });
    }
    flat.OnClick([this] { log.push_back("flat " + std::to_string(flat.Value())); });
    through.OnClick([this] {
      log.push_back("through begin");
      if (through.Value() == 1) {
        flat.SetValue(1);
        flat.SetEnabled(false);
      } else {
        flat.SetEnabled(true);
        flat.SetValue(0);
      }
      log.push_back("through end");
    });
    ok.OnClick([this] {
      log.push_back("ok");
      form.Unload();
    });
    cancel.OnClick([this] {
      log.push_back("cancel");
      form.Unload();
    });
    for (int d : {6, 8, 10}) {
      sizes.AddItem("M" + std::to_string(d));
      sizes.SetItemData(sizes.NewIndex(), d);
    }
  }
};

}  // namespace cavix::forms::testing
