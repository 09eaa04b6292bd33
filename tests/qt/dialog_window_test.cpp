// The hole dialog in a real window, off screen: a screenshot of a drop checked for what a person
// would check (size, every control in its place, pictures that follow the toggles), and gestures
// driven through Qt's test library. A user's session that must leave the same hole as the same
// steps in a script, and edits in a window, go through `cavix drop|edit --gui` (cli_gui_test.cpp).
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <set>

#include "forms/qt/form_view.h"
#include "forms/qt/window_driver.h"
#include "tests/dialog/harness.h"

namespace cavix::testing {
namespace {

using qtview::FormView;

class DialogWindow : public DialogTest {
 protected:
  // Runs the host call `open`, its dialog in a window handed to `user`.
  void InWindows(const std::function<void(FormView&)>& user, const std::function<void()>& open) {
    actions::DialogPlayer([&](const auto& call) { return qtview::RunInWindows(call, user); })
        .Run(*addIn_, open);
  }

  // Drops a new hole and runs the dialog in a window, handing it to `user`.
  scene::Shape& DropInWindow(const std::function<void(FormView&)>& user) {
    scene::Shape& shape = scene_->AddDroppedShape({0, 0, -1}, {50, 30, 20});
    InWindows(user, [&] { scene_->DropCatalogEntry(shape); });
    return shape;
  }

  static dialog::Dialog& DialogOf(FormView& view) {
    return dynamic_cast<dialog::Dialog&>(view.Model());
  }

  static void SaveShot(const QPixmap& shot, const std::string& name) {
    fs::create_directories(CAVIX_SCREENSHOT_DIR);
    EXPECT_TRUE(shot.save(QString::fromStdString(std::string(CAVIX_SCREENSHOT_DIR) + "/" + name)));
  }
};

// What a person checks on a screenshot: the window is the form's client area, and every
// control the form shows is drawn where the layout puts it (something drawn there, inside the
// window).
void CheckLayout(FormView& view, const QImage& shot) {
  const forms::Form& form = view.Model();
  EXPECT_EQ(view.size(), QSize(view.ToPixels(4620), view.ToPixels(5325)));
  EXPECT_EQ(shot.size(), view.size() * shot.devicePixelRatio());
  int checked = 0;
  for (const auto& owned : form.Controls()) {
    const forms::Control& c = *owned;
    QWidget* w = view.WidgetOf(c);
    if (c.Kind() == forms::ControlKind::ImageList) {
      EXPECT_EQ(w, nullptr);
      continue;
    }
    SCOPED_TRACE(c.FullName());
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(c.EffectivelyVisible());
    EXPECT_TRUE(w->isVisible());
    const QRect at(w->mapTo(&view, QPoint(0, 0)), w->size());
    EXPECT_EQ(at, view.ClientRect(c));
    // Inside the window (the tab strip is one pixel wider than the form, as designed).
    EXPECT_TRUE(view.rect().adjusted(0, 0, 1, 0).contains(at));
    std::set<QRgb> colours;
    const QRect inside = at.intersected(view.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
      for (int x = inside.left(); x <= inside.right(); ++x) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 1u) << "nothing drawn";
    ++checked;
  }
  EXPECT_EQ(checked, 39);  // every control of the dialog but the image list
}

// The four hole-type buttons' picture numbers and images.
std::vector<std::pair<int, QImage>> Pictures(FormView& view) {
  std::vector<std::pair<int, QImage>> out;
  for (int i = 0; i < 4; ++i) {
    auto* b = qobject_cast<QToolButton*>(view.WidgetOf("OptHoleType", i));
    out.emplace_back(b->property("cavixPicture").toInt(),
                     b->icon().pixmap(b->iconSize()).toImage());
  }
  return out;
}

TEST_F(DialogWindow, ScreenshotsOfDropAndEdit) {
  // A drop: a fresh install opens with the plain hole and no toggle ticked.
  bool shown = false;
  DropInWindow([&](FormView& view) {
    shown = true;
    dialog::Dialog& d = DialogOf(view);
    EXPECT_EQ(view.windowTitle().toStdString(), d.Caption());
    const QImage shot = view.grab().toImage();
    SaveShot(view.grab(), "dialog-drop.png");
    CheckLayout(view, shot);
    EXPECT_EQ(view.ClientRect(d.DiamIncasso),
              QRect(view.ToPixels(0 + 60 + 1980), view.ToPixels(1320 + 2580 + 240),
                    view.ToPixels(1155), view.ToPixels(315)));
    EXPECT_TRUE(qobject_cast<QToolButton*>(view.WidgetOf("OptHoleType", 0))->isChecked());

    // The pictures follow the toggles.
    const auto before = Pictures(view);
    QTest::mouseClick(view.WidgetOf("TogglePassante"), Qt::LeftButton);
    QTest::mouseClick(view.WidgetOf("ToggleFiletto"), Qt::LeftButton);
    const auto threaded = Pictures(view);
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(std::pair(before[j].first, threaded[j].first), std::pair(j + 1, 17 + j));
      EXPECT_NE(threaded[j].second, before[j].second);
    }
    QTest::mouseClick(view.WidgetOf("CancelButton"), Qt::LeftButton);
  });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(scene_->BoundShapes().empty());  // Cancel removed the dropped shape

  // CAVIX_README_PNG=FILE writes the README's picture of the dialog: an edit of a threaded
  // counterbore made by a script.
  if (const char* readme = std::getenv("CAVIX_README_PNG")) {
    Drop("click OptHoleType(1)\ncheck ToggleFiletto 1\nselect Misura M10\nclick OKButton\n");
    InWindows(
        [&](FormView& view) {
          EXPECT_TRUE(view.grab().save(QString::fromUtf8(readme)));
          QTest::mouseClick(view.WidgetOf("CancelButton"), Qt::LeftButton);
        },
        [&] { scene_->DoubleClick(*shape_); });
  }
}

// Gestures reach the form and the form's changes reach the widgets: a tab click, Tab and
// Shift+Tab in the form's tab order, a frame dimmed by code, the looks, closing by the frame.
TEST_F(DialogWindow, GesturesReachTheFormAndTheWidgetsFollowIt) {
  DropInWindow([&](FormView& view) {
    dialog::Dialog& d = DialogOf(view);
    auto* tabs = qobject_cast<QTabBar*>(view.WidgetOf("TabNorme"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(d.TabNorme.Tab(), 1);

    // Misura (4) is followed by Lunghezza (8): the labels between take no focus.
    QTest::mouseClick(view.WidgetOf("Misura"), Qt::LeftButton);
    qobject_cast<QComboBox*>(view.WidgetOf("Misura"))->hidePopup();
    QTest::keyClick(view.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(d.ActiveControl(), &d.Lunghezza);
    EXPECT_EQ(view.ControlOf(view.focusWidget()), &d.Lunghezza);
    QTest::keyClick(view.focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(view.ControlOf(view.focusWidget()), &d.Misura);

    QTest::mouseClick(view.WidgetOf("OptHoleType", 1), Qt::LeftButton);
    EXPECT_TRUE(view.WidgetOf("DiamIncasso")->isEnabled());
    d.FrameIncSvas.SetEnabled(false);
    EXPECT_FALSE(view.WidgetOf("DiamIncasso")->isEnabled());
    d.FrameIncSvas.SetEnabled(true);
    EXPECT_TRUE(view.WidgetOf("DiamIncasso")->isEnabled());

    EXPECT_EQ(qobject_cast<QLabel*>(view.WidgetOf("Label3"))->text(), QString::fromUtf8("α"));
    EXPECT_FALSE(qobject_cast<QComboBox*>(view.WidgetOf("Misura"))->isEditable());
    EXPECT_TRUE(qobject_cast<QComboBox*>(view.WidgetOf("Lunghezza"))->isEditable());
    EXPECT_TRUE(qobject_cast<QPushButton*>(view.WidgetOf("OKButton"))->isDefault());
    view.close();
    EXPECT_FALSE(d.IsShown());
  });
}

}  // namespace
}  // namespace cavix::testing
