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
#include "tests/support/raised.h"

namespace cavix::testing {
namespace {

using qtview::FormView;

TEST(QtModalDriverTest, CarriesAHandlersErrorOut) {
  qtview::QtModalDriver driver;
  forms::Ui ui(&driver, nullptr);

  forms::Form failing("Probe");
  failing.SetClientSize(2000, 1000);
  auto& cancel = failing.Add<forms::CommandButton>("Cancel");
  cancel.Move(0, 0, 1128, 375);
  cancel.OnClick([] { rt::Raise(53, "File not found", "x.tab"); });
  driver.SetOnShown(
      [](FormView& view) { QTest::mouseClick(view.WidgetOf("Cancel"), Qt::LeftButton); });
  // The handler's error reaches the caller of ShowModal.
  EXPECT_EQ(cavix::test::ErrorOf([&] { failing.ShowModal(ui); }), 53);
  EXPECT_FALSE(failing.IsShown());
  EXPECT_EQ(driver.Shown(), 1);
}

// The styles the add-in shows, a plain notice, a warning about a value and an error, each with
// OK alone, answered 1 as the classic message box answers OK.
TEST(QtMessageBoxes, StyleGivesTheIconAndOkAnswersOne) {
  qtview::QtMessageService service;
  for (const auto& [style, icon] : {std::pair{0, QMessageBox::NoIcon},
                                    {48, QMessageBox::Warning},
                                    {16, QMessageBox::Critical}}) {
    SCOPED_TRACE(style);
    QMessageBox::Icon shown{};
    QMessageBox::StandardButtons buttons{};
    QString title;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      shown = box->icon();
      buttons = box->standardButtons();
      title = box->windowTitle();
      box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(service.Show({"text", style, ""}), 1);
    EXPECT_EQ(shown, icon);
    EXPECT_EQ(buttons, QMessageBox::Ok);
    EXPECT_EQ(title, "Cavix");
  }
}

}  // namespace
}  // namespace cavix::testing
