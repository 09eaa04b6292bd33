// Message boxes through the Ui's service.
#include "forms/ui.h"

namespace cavix::forms {

int Ui::MsgBox(const std::string& prompt, int style, const std::string& title,
               const std::string& file) {
  return messages_ ? messages_->Show({prompt, style, title, file}) : msg::kOk;
}

}  // namespace cavix::forms
