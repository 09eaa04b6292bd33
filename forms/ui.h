// Where the forms and message boxes of one host call are shown: the driver that runs a modal form,
// the service that shows message boxes, and the form on show. Whoever lets a user answer a dialog
// (a dialog script, a window) makes one and hands it down by argument; nothing of it is kept
// process-wide.
#pragma once

#include <string>

#include "forms/form.h"
#include "forms/message_box.h"

namespace cavix::forms {

class Ui {
 public:
  // Shows nothing: no form can be shown modally, and message boxes are answered OK unseen.
  Ui() = default;
  // Either may be null (not owned; they outlive the Ui).
  Ui(IModalDriver* driver, IMessageService* messages) : driver_(driver), messages_(messages) {}
  Ui(const Ui&) = delete;
  Ui& operator=(const Ui&) = delete;

  // Shows a message box through the service and returns the button pressed (OK without one);
  // `file` names the file the message is about for the service (see Message::file).
  int MsgBox(const std::string& prompt, int style = msg::kOkOnly, const std::string& title = "",
             const std::string& file = "");

 private:
  friend class Form;
  IModalDriver* driver_ = nullptr;
  IMessageService* messages_ = nullptr;
  Form* modal_ = nullptr;  // the form shown modally (Form::ShowModal) right now
};

}  // namespace cavix::forms
