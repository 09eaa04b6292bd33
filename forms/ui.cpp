// Message boxes through the Ui's service.
#include "forms/ui.h"

namespace cavix::forms {

int Ui::MsgBox(const std::string& prompt, int style, const std::string& title) {
  return messages_ ? messages_->Show({prompt, style, title}) : msg::kOk;
}

}  // namespace cavix::forms
