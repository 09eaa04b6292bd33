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
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>

#include "actions/holes.h"
#include "app/cli.h"
#include "dialog/dialog_form.h"
#include "forms/qt/form_view.h"
#include "forms/qt/window_driver.h"
#include "forms/script.h"
#include "host_window/host_window.h"
#include "host_window/part_solid.h"
#include "runtime/regional.h"
#include "scene/model_file.h"
#include "tests/host_window/parts.h"
#include "tests/support/box_answerer.h"
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

bool g_display = false;

using qtview::FormView;

// A through M10 counterbore of the ISO family.
constexpr const char* kThroughCounterbore =
    "click TabNorme(0)\nclick OptHoleType(1)\ncheck ToggleFiletto 0\ncheck TogglePassante 1\n"
    "select Normativa ISO 4762 / DIN 974-1 medium\nselect Misura 10\nclick OKButton\n";

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QTest::qWait(10);
  }
  return true;
}

class HostWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_display) GTEST_SKIP() << "no X display (scripts/test.sh runs these under Xvfb)";
    WriteInstall(dir_.path);
    rt::SetRegional(rt::RegionalFor("en_US"));
  }

  void TearDown() override {
    window_.reset();
    rt::SetRegional(std::nullopt);
  }

  // Opens the window on `model` (saved first) and waits until its view draws.
  hostwindow::HostWindow& Open(const scene::Scene& model) {
    path_ = dir_.File("model.json");
    scene::SaveModel(model, path_);
    scene::SaveModel(model, dir_.File("by-command.json"));
    window_ = std::make_unique<hostwindow::HostWindow>(path_, Services());
    window_->SetDialogUser([this](FormView& view) {
      ++dialogs_;
      if (answer_) answer_(view);
    });
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_TRUE(WaitFor([&] { return window_->View().Ready(); }));
    window_->View().FitAll();
    QTest::qWait(50);
    return *window_;
  }

  // Plays a dialog script on the dialog window, through its form.
  void Answer(const std::string& script) {
    answer_ = [script](FormView& view) {
      std::ostringstream out, diag;
      forms::ScriptRunner runner(forms::ParseScript(script, "ui"), out, diag);
      runner.Run(view.Model());
    };
  }

  // Drags the catalog's "Fori" entry onto the view and lets go at `pixel`.
  void DragCatalogItemTo(QPoint pixel) {
    QAbstractItemModel* catalog = window_->CatalogPanel().model();
    const QModelIndex entry = catalog->index(0, 0, catalog->index(0, 0));
    ASSERT_EQ(entry.data().toString(), "Fori");
    std::unique_ptr<QMimeData> data(catalog->mimeData({entry}));
    ASSERT_TRUE(data);
    QWidget* view = &window_->View();
    QDragEnterEvent enter(pixel, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent move(pixel, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    ASSERT_TRUE(move.isAccepted()) << "no face at " << pixel.x() << "," << pixel.y();
    QDropEvent drop(QPointF(pixel), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &drop);
    ASSERT_TRUE(drop.isAccepted());
  }

  static std::string Triple(const scene::Vec3& v) {
    return app::Num(v.x) + "," + app::Num(v.y) + "," + app::Num(v.z);
  }

  std::vector<scene::Shape*> Holes() { return window_->Doc().Model().BoundShapes(); }

  // A drop at `at` on a face of the part, answered with a through counterbore, then saved: the
  // file has a hole there (within a pixel, as picking finds it) going in along `inward`, and is
  // what `cavix drop` there with the same answers makes of the model the window opened.
  scene::Vec3 DropAndSave(const gp_Pnt& at, const scene::Vec3& inward) {
    Answer(kThroughCounterbore);
    const QPoint pixel = window_->View().PixelOf(at);
    DragCatalogItemTo(pixel);
    EXPECT_TRUE(WaitFor([&] { return Holes().size() == 1; }));
    EXPECT_EQ(dialogs_, 1);
    EXPECT_TRUE(window_->isWindowModified());
    window_->SaveAction().trigger();
    EXPECT_FALSE(window_->isWindowModified());
    auto saved = scene::LoadModel(path_);
    const std::vector<scene::Shape*> holes = saved->BoundShapes();
    if (holes.size() != 1) {
      ADD_FAILURE() << holes.size() << " holes saved";
      return {};
    }
    const scene::Vec3 p = holes[0]->Position();
    const QPoint drawn = window_->View().PixelOf(gp_Pnt(p.x, p.y, p.z));
    EXPECT_LE((drawn - pixel).manhattanLength(), 2) << p.x << " " << p.y << " " << p.z;
    EXPECT_EQ(holes[0]->Normal(), inward);
    const std::string byCommand = dir_.File("by-command.json");
    std::ostringstream out, err;
    EXPECT_EQ(
        app::Run({"drop", byCommand, "--at", Triple(p), "--normal", Triple(inward), "--script",
                  std::string(CAVIX_SOURCE_DATA) + "/scripts/demo_4_cbore_through.txt",
                  "--registry", Services().registryFile, "--settings", Services().settingsFile},
                 out, err),
        0)
        << err.str();
    EXPECT_EQ(scene::ModelText(*scene::LoadModel(byCommand)), scene::ModelText(*saved));
    return p;
  }

  // Double-clicks the hole drawn at `at`: the edit dialog comes filled from it, and is cancelled.
  void DoubleClickShowsTheHole(const gp_Pnt& at) {
    bool filled = false;
    answer_ = [&](FormView& view) {
      auto& d = dynamic_cast<dialog::Dialog&>(view.Model());
      filled = d.OptHoleType[1]->Value() && d.TogglePassante.Value() == 1 &&
               d.ToggleFiletto.Value() == 0 && d.Misura.SelectedText() == "10" &&
               d.Normativa.SelectedText() == "ISO 4762 / DIN 974-1 medium";
      std::ostringstream out, diag;
      forms::ScriptRunner(forms::ParseScript("click CancelButton\n", "ui"), out, diag)
          .Run(view.Model());
    };
    const int before = dialogs_;
    QTest::mouseDClick(&window_->View(), Qt::LeftButton, Qt::NoModifier,
                       window_->View().PixelOf(at));
    EXPECT_TRUE(WaitFor([&] { return dialogs_ == before + 1; }));
    EXPECT_TRUE(filled);
    EXPECT_FALSE(window_->isWindowModified());  // Cancel changed nothing
  }

  // Undo takes the hole away, from the model and the view; Redo brings it back.
  void UndoAndRedo() {
    const int32_t id = Holes().front()->Id();
    ASSERT_FALSE(window_->Shown().FacesOf(id).empty());
    window_->UndoAction().trigger();
    EXPECT_TRUE(Holes().empty());
    EXPECT_TRUE(window_->Shown().FacesOf(id).empty());
    EXPECT_TRUE(window_->isWindowModified());
    window_->RedoAction().trigger();
    ASSERT_EQ(Holes().size(), 1u);
    EXPECT_EQ(Holes().front()->Id(), id);
    EXPECT_FALSE(window_->Shown().FacesOf(id).empty());
    EXPECT_FALSE(window_->isWindowModified());
    EXPECT_FALSE(window_->RedoAction().isEnabled());
  }

  scene::ServiceConfig Services() const {
    return {dir_.File("cavix.reg"), dir_.File("settings.ini")};
  }

  test::TempDir dir_{"cavix-window-"};
  std::unique_ptr<hostwindow::HostWindow> window_;
  std::string path_;
  std::function<void(FormView&)> answer_;
  int dialogs_ = 0;
};

TEST_F(HostWindowTest, HoleDroppedOnTheTopFaceEditedUndoneAndRedone) {
  Open(*scene::Scene::NewModel({100, 60, 20}));
  const gp_Pnt at(30, 25, 20);
  EXPECT_EQ(DropAndSave(at, {0, 0, -1}).z, 20);  // on the face, not on its mesh
  DoubleClickShowsTheHole(at);
  UndoAndRedo();
  // A thicker block: the through hole regenerates to go through it, in the model and the view.
  auto deepest = [&] {
    std::vector<int32_t> ids;
    const auto part = hostwindow::PartOf(window_->Doc().Model(), ids);
    double y = 0;
    for (const auto& p : part.holes.at(0).chains.at(0)) y = std::min(y, p[1]);
    return y;
  };
  EXPECT_GT(deepest(), -21);
  window_->findChildren<QDoubleSpinBox*>()[2]->setValue(30);
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
  Open(*hostwindow::NewModelFromStep(step));
  EXPECT_FALSE(window_->findChild<QPushButton*>()->isEnabled());  // no block to resize
  // The upright's inner face, x = 10 once the bracket sits at the origin.
  const gp_Pnt at(10, 20, 35);
  EXPECT_NEAR(DropAndSave(at, {-1, 0, 0}).x, 10, 1e-9);
  DoubleClickShowsTheHole(at);  // picked on a side face too (Undo and Redo are the top face's)
}

TEST_F(HostWindowTest, AModelInInchesGetsTheMillimetreMessage) {
  Open(*scene::Scene::NewModel({4, 3, 1}, scene::Units::Inch));
  BoxAnswerer boxes;
  DragCatalogItemTo(window_->View().PixelOf(gp_Pnt(50, 40, 25.4)));
  EXPECT_TRUE(WaitFor([&] { return !boxes.texts.empty(); }));
  EXPECT_EQ(boxes.texts.front(),
            "This tool was designed to be used with scene units of millimeters.");
  QTest::qWait(50);
  EXPECT_EQ(dialogs_, 0);
  EXPECT_TRUE(Holes().empty());
  EXPECT_FALSE(window_->isWindowModified());
}

// The README's picture: a drilled block, one hole of each kind placed by the demo's scripts.
// CAVIX_README_PNG=FILE writes it (the window_screenshot target).
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
  window_->SelectShape(model->BoundShapes()[3]->Id());
  QTest::qWait(100);
  const QPixmap shot = window_->grab();
  const QImage view = window_->View().grabFramebuffer();
  std::set<QRgb> colours;
  for (int y = 0; y < view.height(); y += 4)
    for (int x = 0; x < view.width(); x += 4) colours.insert(view.pixel(x, y));
  EXPECT_GT(colours.size(), 50u) << "the view drew next to nothing";
  const char* readme = std::getenv("CAVIX_README_PNG");
  EXPECT_TRUE(shot.save(readme ? QString::fromUtf8(readme)
                               : QString::fromStdString(dir_.File("window.png"))));
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
    cavix::qtview::EnsureApplication();
  }
  return RUN_ALL_TESTS();
}
