// Message boxes through the service in force, recorded when there is none.
#include "forms/message_box.h"

namespace cavix::forms {

namespace {
IMessageService* g_service = nullptr;
std::vector<Message>& Recorded() {
  static std::vector<Message> messages;
  return messages;
}
}  // namespace

int MsgBox(const std::string& prompt, int style, const std::string& title,
           const std::string& file) {
  Message m{prompt, style, title, file};
  if (g_service) return g_service->Show(m);
  Recorded().push_back(std::move(m));
  return msg::kOk;
}

void SetMessageService(IMessageService* service) { g_service = service; }
IMessageService* MessageService() { return g_service; }
const std::vector<Message>& RecordedMessages() { return Recorded(); }
void ClearRecordedMessages() { Recorded().clear(); }

}  // namespace cavix::forms
