// The Qt window's services for any form: the modal driver carrying a handler's error out, and
// message boxes. The view's widgets, gestures and redraws are driven on the real dialog in
// dialog_window_test.cpp.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "forms/form.h"
#include "forms/qt/form_view.h"
#include "forms/qt/message_box_qt.h"
#include "forms/qt/window_driver.h"
#include "runtime/error.h"

namespace cavix::testing {
namespace {

using qtview::FormView;

TEST(QtModalDriverTest, CarriesAHandlersErrorOut) {
  qtview::QtModalDriver driver;
  forms::SetModalDriver(&driver);
  struct Reset {
    ~Reset() { forms::SetModalDriver(nullptr); }
  } reset;

  forms::Form failing("Probe");
  failing.SetClientSize(2000, 1000);
  auto& cancel = failing.Add<forms::CommandButton>("Cancel");
  cancel.Move(0, 0, 1128, 375);
  cancel.OnClick([] { rt::Raise(53, "File not found", "x.tab"); });
  driver.SetOnShown(
      [](FormView& view) { QTest::mouseClick(view.WidgetOf("Cancel"), Qt::LeftButton); });
  try {
    failing.ShowModal();
    ADD_FAILURE() << "the handler's error was lost";
  } catch (const rt::Error& e) {
    EXPECT_EQ(e.Number(), 53);
  }
  EXPECT_FALSE(failing.IsShown());
  EXPECT_EQ(driver.Shown(), 1);
}

// Presses `button` on the next message box that opens.
void AnswerNextBox(QMessageBox::StandardButton button, QMessageBox::Icon* icon,
                   QMessageBox::StandardButtons* buttons, QString* title) {
  QTimer::singleShot(0, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    *icon = box->icon();
    *buttons = box->standardButtons();
    *title = box->windowTitle();
    box->button(button)->click();
  });
}

TEST(QtMessageBoxes, StyleGivesIconAndButtonsAndTheAnswerIsTheClassicCode) {
  qtview::QtMessageService service;
  struct Row {
    int style;
    QMessageBox::StandardButton press;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    int answer;
  };
  // The styles the add-in shows: a plain notice, a warning about a value, an error.
  const Row rows[] = {
      {0, QMessageBox::Ok, QMessageBox::NoIcon, QMessageBox::Ok, 1},
      {48, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok, 1},
      {16, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.style);
    QMessageBox::Icon icon{};
    QMessageBox::StandardButtons buttons{};
    QString title;
    AnswerNextBox(r.press, &icon, &buttons, &title);
    EXPECT_EQ(service.Show({"text", r.style, ""}), r.answer);
    EXPECT_EQ(icon, r.icon);
    EXPECT_EQ(buttons, r.buttons);
    EXPECT_EQ(title, "Cavix");
  }
}

}  // namespace
}  // namespace cavix::testing
