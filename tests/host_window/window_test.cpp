// The host window, driven as a user drives it, under an X server (Open CASCADE's viewer draws
// through GLX; scripts/test.sh runs the suite under Xvfb). Without a display every test skips.
// The catalog item is dragged onto a face at a pixel computed from the view's projection, the
// hole dialog is answered through its form, and the saved file is checked; then a double click
// on the new hole, Undo and Redo. The same on a bracket read from a STEP file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>

#include "actions/holes.h"
#include "actions/placement.h"
#include "app/cli.h"
#include "dialog/dialog_form.h"
#include "forms/qt/form_view.h"
#include "forms/qt/window_driver.h"
#include "forms/script.h"
#include "host_window/host_window.h"
#include "part_solid/part_solid.h"
#include "runtime/regional.h"
#include "scene/model_file.h"
#include "tests/part_solid/parts.h"
#include "tests/host_window/window_fixture.h"
#include "tests/support/install.h"
#include "tests/support/test_files.h"

// Under LeakSanitizer: fontconfig, D-Bus (Qt on X asks it for the desktop's settings), Mesa and
// the kernel keep what they made for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libGLX_mesa.so\nleak:swrast_dri.so\n"
         "leak:libTK\nleak:libX11.so\nleak:libxcb.so\n";
}

namespace cavix::testing {
namespace {

TEST_F(HostWindowTest, HoleDroppedOnTheTopFaceEditedUndoneAndRedone) {
  Open(*scene::Scene::NewModel({100, 60, 20}));
  const gp_Pnt at(30, 25, 20);
  EXPECT_EQ(DropAndSave(at, {0, 0, -1}).z, 20);  // on the face, not on its mesh
  DoubleClickShowsTheHole(at);
  UndoAndRedo();
  // A thicker block: the through hole regenerates to go through it, in the model and the view.
  auto deepest = [&] {
    std::vector<partsolid::HoleId> ids;
    const auto part = hostwindow::PartOf(window_->Doc().Model(), ids);
    double y = 0;
    for (const auto& p : part.holes.at(0).chains.at(0)) y = std::min(y, p[1]);
    return y;
  };
  EXPECT_GT(deepest(), -21);
  window_->findChild<QDoubleSpinBox*>("extentZ")->setValue(30);
  window_->ApplyExtents();
  EXPECT_LT(deepest(), -29.99);
  EXPECT_GT(window_->Shown().Cells().front().hi[2], 30);  // the view cut the new block
  // Delete takes the selected hole away.
  window_->SelectShape(Holes().front()->Id());
  ASSERT_TRUE(window_->DeleteAction().isEnabled());
  window_->DeleteAction().trigger();
  EXPECT_TRUE(Holes().empty());
}

TEST_F(HostWindowTest, HoleDroppedOnTheInnerFaceOfAStepBracket) {
  const std::string step = dir_.File("bracket.step");
  ASSERT_TRUE(WriteStep(LBracket(), step));
  Open(*partsolid::NewModelFromStep(step));
  EXPECT_FALSE(window_->findChild<QPushButton*>()->isEnabled());  // no block to resize
  // The upright's inner face, x = 15 where the file puts the bracket. Its wall is 10 mm thick, so
  // an M6 counterbore (6.4 deep) goes through it: the M10's 10.6 is refused by the dialog.
  size_ = "6";
  const gp_Pnt at(15, 0, 38);
  EXPECT_NEAR(DropAndSave(at, {-1, 0, 0}).x, 15, 1e-9);
  DoubleClickShowsTheHole(at);  // picked on a side face too (Undo and Redo are the top face's)
}

TEST_F(HostWindowTest, AModelInInchesGetsTheMillimetreMessage) {
  Open(*scene::Scene::NewModel({4, 3, 1}, scene::Units::Inch));
  DragCatalogItemTo(window_->View().PixelOf(gp_Pnt(50, 40, 25.4)));
  EXPECT_TRUE(WaitFor([&] { return !boxes_->texts.empty(); }));
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{
                             "This tool was designed to be used with scene units of millimeters."});
  QTest::qWait(50);
  EXPECT_EQ(dialogs_, 0);
  EXPECT_TRUE(Holes().empty());
  EXPECT_FALSE(window_->isWindowModified());
}

// The README's picture: a drilled block, one hole of each kind placed by the demo's scripts.
// CAVIX_README_PNG=FILE writes it (the window_screenshot target). Seen isometrically, the top,
// front and right faces of the block get three shades, none white; the holes' faces are drawn
// warm against the part's cool grey, and the threads blue over their bores.
TEST_F(HostWindowTest, PictureOfADrilledPart) {
  auto work = actions::Workspace::Adopt(scene::Scene::NewModel({100, 60, 30}),
                                        dir_.File("picture.json"), Services());
  const char* scripts[] = {"demo_1_plain_blind",          "demo_2_plain_threaded_through",
                           "demo_3_cbore_threaded_blind", "demo_4_cbore_through",
                           "demo_5_csink_threaded_blind", "demo_6_csink_through",
                           "demo_7_cdrill_blind",         "demo_8_cdrill_threaded_through"};
  for (int i = 0; i < 8; ++i) {
    std::ostringstream out, diag;
    actions::DialogPlayer player(
        forms::LoadScript(std::string(CAVIX_SOURCE_DATA) + "/scripts/" + scripts[i] + ".txt"), out,
        diag);
    actions::Drop(*work, {{{15 + 23.3 * (i % 4), i < 4 ? 17.0 : 43.0, 30}, {0, 0, -1}}}, player);
  }
  scene::Scene* model = &work->Model();
  ASSERT_EQ(model->BoundShapes().size(), 8u);
  Open(*model);
  QTest::qWait(100);
  const QImage view = window_->View().grabFramebuffer();
  const double ratio = view.devicePixelRatio();
  auto at = [&](double x, double y, double z) {
    const QPoint p = window_->View().PixelOf(gp_Pnt(x, y, z)) * ratio;
    return QColor(view.pixel(p));
  };
  const QColor faces[] = {at(50, 30, 30), at(50, 0, 15), at(100, 30, 15)};
  for (int i = 0; i < 3; ++i) {
    EXPECT_LT(std::max({faces[i].red(), faces[i].green(), faces[i].blue()}), 245) << i;
    EXPECT_GT(std::abs(faces[i].value() - faces[(i + 1) % 3].value()), 25) << i;
  }
  int warm = 0, blue = 0;
  for (int y = 0; y < view.height(); y += 2)
    for (int x = 0; x < view.width(); x += 2) {
      const QColor c(view.pixel(x, y));
      warm += c.red() > c.blue() + 40;
      blue += c.blue() > c.red() + 80;
    }
  EXPECT_GT(warm, 200);
  EXPECT_GT(blue, 20);

  window_->SelectShape(model->BoundShapes()[3]->Id());
  QTest::qWait(100);
  const char* readme = std::getenv("CAVIX_README_PNG");
  EXPECT_TRUE(window_->grab().save(readme ? QString::fromUtf8(readme)
                                          : QString::fromStdString(dir_.File("window.png"))));
}

// The README's second picture: a grid of tapped holes, one selected in the Position panel, and
// a counterbore being dropped, its preview drawn while the dialog shows beside it.
// CAVIX_README_PREVIEW_PNG=FILE writes it (the window_screenshot target).
TEST_F(HostWindowTest, PictureOfThePositionPanelAndAPreview) {
  auto work = actions::Workspace::Adopt(scene::Scene::NewModel({120, 80, 25}),
                                        dir_.File("picture.json"), Services());
  std::ostringstream out, diag;
  actions::DialogPlayer player(
      forms::LoadScript(std::string(CAVIX_SOURCE_DATA) + "/scripts/demo_9_side_threaded_blind.txt"),
      out, diag);
  actions::Drop(*work, actions::GridPattern({{45, 40, 25}, {0, 0, -1}}, 4, 3, 20, 20), player);
  Open(work->Model());
  window_->SelectShape(window_->Doc().Model().BoundShapes()[4]->Id());
  QImage shot;
  answer_ = [&](FormView& view) {
    auto& d = dynamic_cast<dialog::Dialog&>(view.Model());
    d.UserClick(*d.OptHoleType[1]);
    EXPECT_TRUE(WaitFor([&] { return !window_->View().GhostsShown().empty(); }));
    QTest::qWait(200);
    const QRect both = window_->frameGeometry().united(view.frameGeometry());
    shot =
        window_->screen()->grabWindow(0, both.x(), both.y(), both.width(), both.height()).toImage();
    d.UserClick(d.CancelButton);
  };
  DragCatalogItemTo(window_->View().PixelOf(gp_Pnt(100, 60, 25)));
  ASSERT_TRUE(WaitFor([&] { return dialogs_ == 1; }));
  const char* readme = std::getenv("CAVIX_README_PREVIEW_PNG");
  EXPECT_TRUE(shot.save(readme ? QString::fromUtf8(readme)
                               : QString::fromStdString(dir_.File("preview.png"))));
}

}  // namespace
}  // namespace cavix::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The viewer needs GLX: an X display, not Qt's offscreen platform.
  const char* display = std::getenv("DISPLAY");
  cavix::testing::g_display = display && *display;
  if (cavix::testing::g_display) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // What the window remembers of its user (the files opened lately) stays with the tests.
    static const cavix::test::TempDir config("cavix-config-");
    setenv("XDG_CONFIG_HOME", config.path.c_str(), 1);
    cavix::qtview::EnsureApplication();
  }
  return RUN_ALL_TESTS();
}
