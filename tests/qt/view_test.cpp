// The Qt view of a headless form, on a probe form: places and kinds of the widgets, clicks and
// the tab order, redraws from the form, closing through the frame, handler errors, message boxes.
// Typing, picks, refusals and the default button are driven on the real dialog in
// dialog_window_test.cpp.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "forms/qt/form_view.h"
#include "forms/qt/message_box_qt.h"
#include "forms/qt/window_driver.h"
#include "runtime/error.h"
#include "tests/qt/probe_form.h"

namespace cavix::testing {
namespace {

using qtview::FormView;

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qtview::RegisterLooks("Probe", {{"Lbl", {"", 9.75, true}}});
    forms::SetMessageService(&messages);
    form.Show();
    view = std::make_unique<FormView>(form);
    view->SetErrorSink([this](std::exception_ptr) { ++errors; });
    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  }
  void TearDown() override {
    view.reset();
    forms::SetMessageService(nullptr);
    EXPECT_EQ(errors, 0);
  }

  template <class W>
  W* Widget(std::string_view name, int index = -1) {
    auto* w = qobject_cast<W*>(view->WidgetOf(name, index));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  const forms::Control* Focused() const { return view->ControlOf(view->focusWidget()); }

  ProbeForm form;
  RecordingMessages messages;
  std::unique_ptr<FormView> view;
  int errors = 0;
};

TEST_F(ViewTest, EveryControlSitsAtItsTwipsPlaceWithItsKind) {
  const double px = view->logicalDpiX() / 96.0 / 15.0;
  const auto P = [px](int twips) { return static_cast<int>(std::lround(twips * px)); };
  EXPECT_EQ(view->size(), QSize(P(4620), P(2700)));
  EXPECT_EQ(view->windowTitle(), QString::fromUtf8("Probe α"));

  struct Expect {
    const char* name;
    int index;
    int left, top, width, height;  // twips, relative to the window
    const char* qtClass;
  };
  const Expect rows[] = {
      {"Tabs", -1, 0, 0, 4635, 300, "QTabBar"},
      {"Pic", 0, 60, 300, 1120, 1035, "QToolButton"},
      {"OK", -1, 3480, 1440, 1128, 375, "QPushButton"},
      {"Box", -1, 0, 1320, 3432, 1300, "QGroupBox"},
      {"Lbl", -1, 120, 1320 + 300, 195, 255, "QLabel"},
      {"Num", -1, 360, 1320 + 240, 900, 315, "QLineEdit"},
      {"Combo", -1, 1440, 1320 + 240, 915, 315, "QComboBox"},
      {"Check", -1, 1440, 1320 + 780, 975, 195, "QCheckBox"},
  };
  for (const Expect& e : rows) {
    SCOPED_TRACE(e.name);
    QWidget* w = view->WidgetOf(e.name, e.index);
    ASSERT_NE(w, nullptr);
    EXPECT_STREQ(w->metaObject()->className(), e.qtClass);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(QRect(w->mapTo(view.get(), QPoint(0, 0)), w->size()),
              QRect(P(e.left), P(e.top), P(e.width), P(e.height)));
  }
  EXPECT_EQ(view->WidgetOf("Images"), nullptr);  // an image list has no window
  EXPECT_FALSE(Widget<QComboBox>("List")->isEditable());
  EXPECT_TRUE(Widget<QComboBox>("Combo")->isEditable());
  EXPECT_TRUE(Widget<QPushButton>("OK")->isDefault());
  // The Symbol font's "a" is the Greek alpha.
  EXPECT_EQ(Widget<QLabel>("Lbl")->text(), QString::fromUtf8("α"));
  EXPECT_EQ(Widget<QTabBar>("Tabs")->tabText(1), "UNC/UNF");
  EXPECT_EQ(Widget<QToolButton>("Pic", 0)->property("cavixPicture").toInt(), 1);
  EXPECT_FALSE(Widget<QToolButton>("Pic", 0)->icon().isNull());
}

TEST_F(ViewTest, ClicksPicksAndTabsReachTheForm) {
  QTest::mouseClick(Widget<QCheckBox>("Check"), Qt::LeftButton);
  EXPECT_EQ(form.check->Value(), 1);
  EXPECT_EQ(form.checkClicks, 1);
  QTest::mouseClick(Widget<QCheckBox>("Check"), Qt::LeftButton);
  EXPECT_EQ(form.check->Value(), 0);

  QTest::mouseClick(Widget<QToolButton>("Pic", 1), Qt::LeftButton);
  QTest::mouseClick(Widget<QToolButton>("Pic", 0), Qt::LeftButton);
  EXPECT_EQ(form.lastPic, 0);
  EXPECT_FALSE(form.pics[1]->Value());
  EXPECT_FALSE(Widget<QToolButton>("Pic", 1)->isChecked());

  // A tab click selects the tab in the form.
  QTabBar* tabs = Widget<QTabBar>("Tabs");
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  EXPECT_EQ(form.tabs->Tab(), 1);

  // Tab follows the form's tab order: OK(0), Cancel(1), Num(3), Combo(4), …
  QTest::mouseClick(Widget<QPushButton>("Cancel"), Qt::LeftButton);
  EXPECT_EQ(form.cancelClicks, 1);
  QTest::keyClick(view->focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(form.ActiveControl(), form.num);
  EXPECT_EQ(Focused(), form.num);
  QTest::keyClick(view->focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(Focused(), form.cancel);
}

TEST_F(ViewTest, WidgetsFollowTheForm) {
  form.frame->SetEnabled(false);
  EXPECT_FALSE(Widget<QCheckBox>("Check")->isEnabled());
  form.check->SetEnabled(false);
  form.frame->SetEnabled(true);
  EXPECT_FALSE(Widget<QCheckBox>("Check")->isEnabled());  // its own flag still holds
  form.check->SetValue(2);
  EXPECT_EQ(Widget<QCheckBox>("Check")->checkState(), Qt::PartiallyChecked);
  form.SetFocus(*form.combo);
  EXPECT_EQ(Focused(), form.combo);
}

TEST_F(ViewTest, HandlerErrorsGoToTheSinkAndClosingThroughTheFrameAsksTheForm) {
  form.check->OnClick([] { throw std::runtime_error("handler failed"); });
  QTest::mouseClick(Widget<QCheckBox>("Check"), Qt::LeftButton);
  EXPECT_EQ(errors, 1);
  errors = 0;

  form.refuseClose = true;
  view->close();
  EXPECT_TRUE(form.IsShown());
  EXPECT_TRUE(view->isVisible());
  form.refuseClose = false;
  view->close();
  EXPECT_FALSE(form.IsShown());
  EXPECT_EQ(form.okClicks + form.cancelClicks, 0);
}

TEST(QtModalDriverTest, CarriesAHandlersErrorOut) {
  qtview::QtModalDriver driver;
  forms::SetModalDriver(&driver);
  struct Reset {
    ~Reset() { forms::SetModalDriver(nullptr); }
  } reset;

  ProbeForm failing;
  failing.cancel->OnClick([] { rt::Raise(53, "File not found", "x.tab"); });
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
  const Row rows[] = {
      {48, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok, 1},
      {16, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok, 1},
      {4 + 32, QMessageBox::No, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, 7},
      {1 + 64, QMessageBox::Cancel, QMessageBox::Information, QMessageBox::Ok | QMessageBox::Cancel,
       2},
      {3, QMessageBox::Yes, QMessageBox::NoIcon,
       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, 6},
      {2, QMessageBox::Retry, QMessageBox::NoIcon,
       QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, 4},
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
