// Message boxes: the hole logic calls MsgBox; the service in force shows it (headless: records it
// and prints one JSON line; the Qt window: a real message box).
#pragma once

#include <string>
#include <vector>

namespace cavix::forms {

// Style bits, with their classic values (they are printed in the JSON lines).
namespace msg {
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
// Answers.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace msg

struct Message {
  std::string prompt;
  int style = 0;
  std::string title;
  // The file the message is about, when the box's own words may not name it: not shown in the
  // box, but there for the program that showed it to name in its own words.
  std::string file = {};
};

class IMessageService {
 public:
  virtual ~IMessageService() = default;
  // Shows the box and returns the button pressed.
  virtual int Show(const Message& m) = 0;
};

// Shows a message box through the service in force. Without a service set, the message is
// recorded (see RecordedMessages) and answered with OK.
int MsgBox(const std::string& prompt, int style = msg::kOkOnly, const std::string& title = "",
           const std::string& file = "");

void SetMessageService(IMessageService* service);
// The service in force, or null.
IMessageService* MessageService();
// Messages shown while no service was set, oldest first; cleared by ClearRecordedMessages.
const std::vector<Message>& RecordedMessages();
void ClearRecordedMessages();

}  // namespace cavix::forms
