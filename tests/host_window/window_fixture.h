// The fixture of the host window's tests: a private install, the window opened on a model and
// shown on the X display, the catalog item dragged onto the view as Qt delivers a drag, the hole
// dialog answered through its form.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <utility>

#include "actions/holes.h"
#include "app/cli.h"
#include "dialog/dialog_form.h"
#include "forms/qt/form_view.h"
#include "forms/script.h"
#include "host_window/host_window.h"
#include "runtime/regional.h"
#include "scene/model_file.h"
#include "tests/support/box_answerer.h"
#include "tests/support/install.h"
#include "tests/support/test_files.h"

namespace cavix::testing {

// Set by main: whether there is an X display to open windows on.
inline bool g_display = false;

using qtview::FormView;

// A through counterbore of the ISO family, M10 unless said.
inline std::string ThroughCounterbore(const std::string& size = "10") {
  return "click TabNorme(0)\nclick OptHoleType(1)\ncheck ToggleFiletto 0\ncheck TogglePassante 1\n"
         "select Normativa ISO 4762 / DIN 974-1 medium\nselect Misura " + size + "\nclick OKButton\n";
}

inline bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
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
    boxes_ = std::make_unique<BoxAnswerer>();
    WriteInstall(dir_.path);
    rt::SetRegional(rt::RegionalFor("en_US"));
  }

  // A message box no test took is a failure (it was answered, so that the test did not wait).
  void TearDown() override {
    if (boxes_)
      for (const std::string& text : TakeBoxes()) ADD_FAILURE() << "message box: " << text;
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
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    EXPECT_TRUE(WaitFor([&] { return window_->View().Ready(); }));
    window_->View().FitAll();
    QTest::qWait(50);
    return *window_;
  }

  // The texts of the message boxes shown since the last call, which the test expected.
  std::vector<std::string> TakeBoxes() { return std::exchange(boxes_->texts, {}); }

  // Plays a dialog script on the dialog window, through its form.
  void Answer(const std::string& script) {
    answer_ = [script](FormView& view) {
      std::ostringstream out, diag;
      forms::ScriptRunner runner(forms::ParseScript(script, "ui"), out, diag);
      runner.Run(view.Model());
    };
  }

  // Drags the catalog's "Fori" entry over the view to `pixel` and away again, without a drop.
  void DragCatalogItemOver(QPoint pixel) {
    QAbstractItemModel* catalog = window_->CatalogPanel().model();
    std::unique_ptr<QMimeData> data(
        catalog->mimeData({catalog->index(0, 0, catalog->index(0, 0))}));
    ASSERT_TRUE(data);
    QDragEnterEvent enter(pixel, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_->View(), &enter);
    QDragMoveEvent move(pixel, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_->View(), &move);
    ASSERT_TRUE(move.isAccepted());
  }

  // Drags the catalog's "Fori" entry onto the view and lets go at `pixel`, `keys` held.
  void DragCatalogItemTo(QPoint pixel, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QAbstractItemModel* catalog = window_->CatalogPanel().model();
    const QModelIndex entry = catalog->index(0, 0, catalog->index(0, 0));
    ASSERT_EQ(entry.data().toString(), "Fori");
    std::unique_ptr<QMimeData> data(catalog->mimeData({entry}));
    ASSERT_TRUE(data);
    QWidget* view = &window_->View();
    QDragEnterEvent enter(pixel, Qt::CopyAction, data.get(), Qt::LeftButton, keys);
    QApplication::sendEvent(view, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent move(pixel, Qt::CopyAction, data.get(), Qt::LeftButton, keys);
    QApplication::sendEvent(view, &move);
    ASSERT_TRUE(move.isAccepted()) << "no face at " << pixel.x() << "," << pixel.y();
    QDropEvent drop(QPointF(pixel), Qt::CopyAction, data.get(), Qt::LeftButton, keys);
    QApplication::sendEvent(view, &drop);
    ASSERT_TRUE(drop.isAccepted());
  }

  static std::string Triple(const scene::Vec3& v) {
    return app::Num(v.x) + "," + app::Num(v.y) + "," + app::Num(v.z);
  }

  std::vector<scene::Shape*> Holes() { return window_->Doc().Model().BoundShapes(); }

  // A drop at `at` on a face of the part, answered with a through counterbore of `size_`, then
  // saved: the file has a hole there (within a pixel, as picking finds it) going in along
  // `inward`, and is what `cavix drop` there with the same answers makes of the model the window
  // opened.
  scene::Vec3 DropAndSave(const gp_Pnt& at, const scene::Vec3& inward) {
    Answer(ThroughCounterbore(size_));
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
    const std::string byCommand = dir_.File("by-command.json"), script = dir_.File("answer.txt");
    std::ofstream(script) << ThroughCounterbore(size_);
    std::ostringstream out, err;
    EXPECT_EQ(
        app::Run({"drop", byCommand, "--at", Triple(p), "--normal", Triple(inward), "--script",
                  script,
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
               d.ToggleFiletto.Value() == 0 && d.Misura.SelectedText() == size_ &&
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
    ASSERT_FALSE(window_->Shown().FacesOf(partsolid::HoleId(id)).empty());
    window_->UndoAction().trigger();
    EXPECT_TRUE(Holes().empty());
    EXPECT_TRUE(window_->Shown().FacesOf(partsolid::HoleId(id)).empty());
    EXPECT_TRUE(window_->isWindowModified());
    window_->RedoAction().trigger();
    ASSERT_EQ(Holes().size(), 1u);
    EXPECT_EQ(Holes().front()->Id(), id);
    EXPECT_FALSE(window_->Shown().FacesOf(partsolid::HoleId(id)).empty());
    EXPECT_FALSE(window_->isWindowModified());
    EXPECT_FALSE(window_->RedoAction().isEnabled());
  }

  scene::ServiceConfig Services() const {
    return {dir_.File("cavix.reg"), dir_.File("settings.ini")};
  }

  test::TempDir dir_{"cavix-window-"};
  std::unique_ptr<BoxAnswerer> boxes_;  // outlives the window, whose closing may ask
  std::unique_ptr<hostwindow::HostWindow> window_;
  std::string path_;
  std::function<void(FormView&)> answer_;
  int dialogs_ = 0;
  std::string size_ = "10";  // of the counterbore DropAndSave drops
};

}  // namespace cavix::testing
