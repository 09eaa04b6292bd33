// Answers the message boxes that open while it lives with their default button, noting their
// texts and icons, for the tests that drive a window as a user does.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

namespace cavix::testing {

class BoxAnswerer {
 public:
  BoxAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      texts.push_back(box->text().toStdString());
      icons.push_back(box->icon());
      box->defaultButton() ? box->defaultButton()->click() : box->button(QMessageBox::Ok)->click();
    });
    timer_.start(10);
  }
  std::vector<std::string> texts;
  std::vector<QMessageBox::Icon> icons;

 private:
  QTimer timer_;
};

}  // namespace cavix::testing
