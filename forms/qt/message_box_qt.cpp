// The Qt message box service.
#include "forms/qt/message_box_qt.h"

#include <QApplication>
#include <QPushButton>

namespace cavix::qtview {

QMessageBox::Icon IconOfStyle(int style) {
  switch (style & 0x70) {
    case forms::msg::kCritical:
      return QMessageBox::Critical;
    case forms::msg::kQuestion:
      return QMessageBox::Question;
    case forms::msg::kExclamation:
      return QMessageBox::Warning;
    case forms::msg::kInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButtons ButtonsOfStyle(int style) {
  switch (style & 0x7) {
    case 1:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case 2:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4:
      return QMessageBox::Yes | QMessageBox::No;
    case 5:
      return QMessageBox::Retry | QMessageBox::Cancel;
    default:
      return QMessageBox::Ok;
  }
}

int AnswerOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok:
      return forms::msg::kOk;
    case QMessageBox::Abort:
      return 3;
    case QMessageBox::Retry:
      return 4;
    case QMessageBox::Ignore:
      return 5;
    case QMessageBox::Yes:
      return forms::msg::kYes;
    case QMessageBox::No:
      return forms::msg::kNo;
    default:
      return forms::msg::kCancel;
  }
}

QtMessageService::QtMessageService(QString defaultTitle) : defaultTitle_(std::move(defaultTitle)) {}

int QtMessageService::Show(const forms::Message& m) {
  const QString title = m.title.empty() ? defaultTitle_ : QString::fromStdString(m.title);
  QMessageBox box(IconOfStyle(m.style), title, QString::fromStdString(m.prompt),
                  ButtonsOfStyle(m.style), QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.setObjectName(QStringLiteral("CavixMessageBox"));
  // The first button is the default, as in the classic boxes.
  const auto buttons = box.buttons();
  for (QAbstractButton* b : buttons) {
    const auto sb = box.standardButton(b);
    if (sb == QMessageBox::Ok || sb == QMessageBox::Abort || sb == QMessageBox::Yes ||
        (sb == QMessageBox::Retry && !(ButtonsOfStyle(m.style) & QMessageBox::Abort))) {
      box.setDefaultButton(qobject_cast<QPushButton*>(b));
      break;
    }
  }
  box.exec();
  return AnswerOf(box.standardButton(box.clickedButton()));
}

}  // namespace cavix::qtview
