// Message boxes as real Qt message boxes: the icon and buttons of the classic style value, the
// answer as the classic button code.
#pragma once

#include <QMessageBox>

#include "forms/message_box.h"

namespace cavix::qtview {

// The Qt icon for a style value (its icon bits: 16 critical, 32 question, 48 exclamation,
// 64 information; none otherwise).
QMessageBox::Icon IconOfStyle(int style);
// The buttons for a style value (its low bits: 0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore,
// 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel; any other value OK).
QMessageBox::StandardButtons ButtonsOfStyle(int style);
// The classic answer code of a button (1 OK … 7 No); 2 (Cancel) for a box closed otherwise.
int AnswerOf(QMessageBox::StandardButton button);

// Shows each message modally over the active window. A message without a title shows
// `defaultTitle`.
class QtMessageService : public forms::IMessageService {
 public:
  explicit QtMessageService(QString defaultTitle = QStringLiteral("Cavix"));
  int Show(const forms::Message& m) override;

 private:
  QString defaultTitle_;
};

}  // namespace cavix::qtview
