// The session's way to the dialog on show and to the host's services.
#include "dialog/session.h"

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

}  // namespace cavix::dialog
