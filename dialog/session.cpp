// The session's way to the dialog on show and to the host's services.
#include "dialog/session.h"

#include "forms/ui.h"
#include "runtime/error.h"

namespace cavix::dialog {

Dialog& DialogSession::Form() const {
  CAVIX_ASSERT(form, "the dialog's reactions run only while it is on show");
  return *form;
}

host::IServiceFactory& DialogSession::Services() const {
  if (!page) rt::Raise(rt::err::kObjectVariableNotSet, {}, "Dialog");
  return page->Application().Services();
}

int DialogSession::MsgBox(const std::string& prompt, int style, const std::string& title,
                          const std::string& file) const {
  return ui ? ui->MsgBox(prompt, style, title, file) : forms::msg::kOk;
}

}  // namespace cavix::dialog
