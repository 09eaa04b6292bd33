// The window as a workbench, driven through the events a user makes: a dragged hole snapping to
// a face's points, the Position panel placing holes exactly (and refusing places off the face),
// the preview while the dialog shows, a grid from the Pattern panel moved together and exported
// from the File menu, selections in the view and the Part panel, the view's keys, the File menu.
#include <BRepPrimAPI_MakeBox.hxx>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <STEPControl_Reader.hxx>
#include <V3d_View.hxx>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "actions/design_check.h"
#include "actions/hole_table.h"
#include "export/occ_part.h"
#include "export/scene_export.h"
#include "host_window/hole_panel.h"
#include "host_window/pattern_panel.h"
#include "host_window/position_panel.h"
#include "tests/part_solid/parts.h"
#include "tests/host_window/window_fixture.h"

namespace cavix::testing {
namespace {

// An M6 tapped blind hole of the ISO family, 12 of thread, with a drill point.
constexpr const char* kTappedM6 =
    "click TabNorme(0)\nclick OptHoleType(0)\ncheck ToggleFiletto 1\ncheck TogglePassante 0\n"
    "select Normativa ISO 262 coarse\nselect Misura M6\ntext Lunghezza 12\nclick OKButton\n";

class Workbench : public HostWindowTest {
 protected:
  // The window on a block with holes made by the dialog script at each place (along -z).
  void OpenDrilled(const std::vector<scene::Vec3>& at, const std::string& script = kTappedM6) {
    auto work = actions::Workspace::Adopt(scene::Scene::NewModel({100, 60, 20}),
                                          dir_.File("drilled.json"), Services());
    for (const scene::Vec3& p : at) {
      std::ostringstream out, diag;
      actions::DialogPlayer player(forms::ParseScript(script, "test"), out, diag);
      actions::Drop(*work, {{p, {0, 0, -1}}}, player);
    }
    ASSERT_EQ(work->Model().BoundShapes().size(), at.size());
    Open(work->Model());
  }

  std::vector<scene::Vec3> Positions() {
    std::vector<scene::Vec3> out;
    for (const scene::Shape* s : Holes()) out.push_back(s->Position());
    return out;
  }

  // Types into a field of the Position panel as a user does, then Enter.
  void Type(int field, const QString& text) {
    QLineEdit& edit = window_->Positions().Field(field);
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, text);
    QTest::keyClick(&edit, Qt::Key_Return);
  }

  QPoint PixelOf(double x, double y, double z) { return window_->View().PixelOf(gp_Pnt(x, y, z)); }
  void Click(const gp_Pnt& at, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mouseClick(&window_->View(), Qt::LeftButton, keys, window_->View().PixelOf(at));
  }
  QString Status(const char* name) { return window_->findChild<QLabel*>(name)->text(); }
  // The pointer moved over the view with no button held. Sent to the view itself: QTest's move
  // warps the X server's pointer, whose event goes to whatever window is on top there (another
  // test's, when tests share the display).
  void PointAt(QPoint pixel) {
    QWidget& view = window_->View();
    QMouseEvent move(QEvent::MouseMove, QPointF(pixel), QPointF(view.mapToGlobal(pixel)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
  }

  // Chooses a menu's item by its text, as a click on it does.
  void Choose(const QString& text) {
    for (QAction* menu : window_->menuBar()->actions())
      for (QAction* item : menu->menu()->actions())
        if (item->text() == text) return item->trigger();
    ADD_FAILURE() << "no menu item " << text.toStdString();
  }
};

// Dragged near the front edge's midpoint, a hole lands on it exactly; near nothing, on the 1 mm
// grid; with Shift held, where the cursor is. The marker and the status bar say where, before the
// drop.
TEST_F(Workbench, ADraggedHoleSnapsToTheFacesPointsAndItsGrid) {
  Open(*scene::Scene::NewModel({100, 60, 20}));
  Answer(ThroughCounterbore());
  auto dropNear = [&](double x, double y, Qt::KeyboardModifiers keys) {
    const size_t before = Holes().size();
    DragCatalogItemTo(PixelOf(x, y, 20), keys);
    EXPECT_TRUE(WaitFor([&] { return Holes().size() == before + 1; }));
    // A message box after the drop reflows the window once it closes: the next drop is aimed
    // at the view as it is then drawn.
    EXPECT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }));
    QTest::qWait(50);
    return Holes().back()->Position();
  };
  // Before the drop the marker and the status bar say where the hole would go.
  DragCatalogItemOver(PixelOf(50.6, 0.5, 20));
  EXPECT_TRUE(window_->View().MarkerShown());
  EXPECT_NE(Status("cursor").indexOf("face X 50, Y 0 mm"), -1) << Status("cursor").toStdString();
  EXPECT_NE(Status("cursor").indexOf("at an edge's midpoint"), -1);
  EXPECT_EQ(dropNear(50.6, 0.5, Qt::NoModifier), (scene::Vec3{50, 0, 20}));
  // A hole centred on the edge has no material along its axis: the window says so at once.
  EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"The design check found errors:\n#2: it misses "
                                                  "the part: its axis from (50, 0, 20) meets no "
                                                  "material ahead"});
  const scene::Vec3 grid = dropNear(71.3, 40.4, Qt::NoModifier);
  EXPECT_EQ(grid, (scene::Vec3{71, 40, 20}));
  const scene::Vec3 free = dropNear(20.3, 45.4, Qt::ShiftModifier);
  EXPECT_NEAR(free.x, 20.3, 0.3);
  EXPECT_NE(free.x, std::round(free.x));
  EXPECT_EQ(free.z, 20);
  // With snapping off the grid does not apply either.
  window_->SnapAction().trigger();
  EXPECT_NE(dropNear(35.3, 25.4, Qt::NoModifier).x, 35);
  EXPECT_FALSE(window_->View().MarkerShown());
  EXPECT_FALSE(window_->View().HoverLit());  // the light under the dialog is out
}

// Typed into the Position panel, a place moves the hole there (one undoable change), measured
// from the edges picked; a place off the face is refused with the reason and moves nothing.
TEST_F(Workbench, ThePositionPanelPlacesTheHoleExactly) {
  OpenDrilled({{40.37, 22.5, 20}});
  Click(gp_Pnt(40.37, 22.5, 20));
  ASSERT_EQ(window_->Selected(), Holes().front()->Id());
  hostwindow::PositionPanel& panel = window_->Positions();
  EXPECT_EQ(panel.Field(0).text(), "40.37");
  EXPECT_EQ(panel.XFrom().currentText(), "x = 0 mm");
  Type(0, "15");
  Type(1, "15");
  EXPECT_EQ(Positions().front(), (scene::Vec3{15, 15, 20}));
  window_->UndoAction().trigger();
  EXPECT_EQ(Positions().front(), (scene::Vec3{15, 22.5, 20}));
  // From the right edge: 20 from x = 100 is x = 80.
  panel.XFrom().setCurrentIndex(panel.XFrom().findText("x = 100 mm"));
  EXPECT_EQ(panel.Field(0).text(), "85");
  Type(0, "20");
  EXPECT_EQ(Positions().front(), (scene::Vec3{80, 22.5, 20}));
  const std::string before = window_->Doc().Model().MainPart().Name();
  const std::vector<scene::Vec3> kept = Positions();
  Type(0, "150");
  EXPECT_NE(panel.Problem().indexOf("off the face"), -1) << panel.Problem().toStdString();
  Type(0, "abc");
  EXPECT_NE(panel.Problem().indexOf("not a number"), -1);
  panel.ModelCoordinates().click();
  Type(2, "25");
  EXPECT_NE(panel.Problem().indexOf("not on the hole's face"), -1);
  EXPECT_EQ(Positions(), kept);
  Type(2, "20");
  Type(1, "40");
  EXPECT_EQ(Positions().front(), (scene::Vec3{80, 40, 20}));
  EXPECT_NE(window_->HoleProperties().Text().indexOf("Position: 80, 40, 20 mm"), -1);
}

// The preview: the dialog opens beside the drop point, the hole it describes is drawn as soon as
// it shows and follows a change of size; Cancel takes it away with the dropped shape, and the
// status bar says that nothing was placed (not that something was cut).
TEST_F(Workbench, ThePreviewFollowsTheDialogAndCancelTakesItAway) {
  Open(*scene::Scene::NewModel({100, 60, 20}));
  const QPoint pixel = PixelOf(50, 30, 20);
  std::vector<double> volumes;
  bool clear = false;
  answer_ = [&](FormView& view) {
    clear = !view.frameGeometry().contains(window_->View().mapToGlobal(pixel));
    auto& d = dynamic_cast<dialog::Dialog&>(view.Model());
    auto pick = [&](forms::ComboBox& list, const std::string& text) {
      for (int i = 0; i < list.ListCount(); ++i)
        if (list.List(i) == text) d.UserSelect(list, i);
    };
    d.UserClick(*d.OptHoleType[1]);
    d.UserCheck(d.ToggleFiletto, 0);
    pick(d.Normativa, "ISO 4762 / DIN 974-1 medium");
    for (const char* size : {"10", "20"}) {
      pick(d.Misura, size);
      const double was = volumes.empty() ? 0 : volumes.back();
      WaitFor([&] {
        const auto g = window_->View().GhostsShown();
        return !g.empty() && exporter::SolidVolume(g.front()) != was;
      });
      const auto ghosts = window_->View().GhostsShown();
      volumes.push_back(ghosts.size() == 1 ? exporter::SolidVolume(ghosts.front()) : 0);
    }
    d.UserClick(d.CancelButton);
  };
  DragCatalogItemTo(pixel);
  EXPECT_TRUE(WaitFor([&] { return dialogs_ == 1; }));
  EXPECT_TRUE(clear);
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_GT(volumes[0], 0);
  EXPECT_GT(volumes[1], 3 * volumes[0]);  // an M20 counterbore to an M10's
  EXPECT_TRUE(window_->View().GhostsShown().empty());
  EXPECT_TRUE(Holes().empty());
  EXPECT_FALSE(window_->isWindowModified());
  EXPECT_EQ(window_->statusBar()->currentMessage(), "Nothing placed.");
}

// What a new user does: a 4 x 3 grid of M6 tapped holes from the Pattern panel, dropped on the
// top face's centre, moved together so that the first is 15 mm from the left and lower edges,
// each shown with its thread once not selected, then exported as STEP from the File menu and
// read back.
TEST_F(Workbench, AGridFromThePatternPanelPlacedExactlyAndExported) {
  Open(*scene::Scene::NewModel({100, 60, 20}));
  hostwindow::PatternPanel& pattern = window_->Patterns();
  pattern.Grid().click();
  pattern.Count(0).setValue(4);
  pattern.Count(1).setValue(3);
  pattern.Size(0).setValue(20);
  pattern.Size(1).setValue(15);
  Answer(kTappedM6);
  DragCatalogItemTo(PixelOf(50.4, 29.7, 20));
  ASSERT_TRUE(WaitFor([&] { return Holes().size() == 12; }));
  EXPECT_EQ(dialogs_, 1);
  EXPECT_EQ(window_->Selection().size(), 12u);
  EXPECT_EQ(Positions().front(), (scene::Vec3{20, 15, 20}));
  EXPECT_EQ(window_->View().ThreadsShown(), 0u);  // a selected hole is lit whole
  Type(0, "15");
  Type(1, "15");
  std::set<std::pair<double, double>> at;
  for (const scene::Vec3& p : Positions()) at.insert({p.x, p.y});
  std::set<std::pair<double, double>> want;
  for (double x : {15, 35, 55, 75})
    for (double y : {15, 30, 45}) want.insert({x, y});
  EXPECT_EQ(at, want);
  EXPECT_NE(window_->HoleProperties().Text().indexOf("Thread: M6, pitch 1 mm, 12 mm long"), -1)
      << window_->HoleProperties().Text().toStdString();
  window_->SelectShapes({});
  EXPECT_EQ(window_->View().ThreadsShown(), 12u);

  const std::string step = dir_.File("grid.step");
  window_->SetFileAsker([&](hostwindow::FileQuestion q, const QString&) {
    EXPECT_EQ(q, hostwindow::FileQuestion::Export);
    return QString::fromStdString(step);
  });
  Choose("&Export...");
  STEPControl_Reader reader;
  ASSERT_EQ(reader.ReadFile(step.c_str()), IFSelect_RetDone);
  reader.TransferRoots();
  const double want_volume =
      exporter::Measure(exporter::PartFromScene(window_->Doc().Model())).volume;
  EXPECT_NEAR(exporter::SolidVolume(reader.OneShape()), want_volume, 1e-6 * want_volume);
  EXPECT_LT(want_volume, 100 * 60 * 20 - 12 * 5 * 5 * 3);  // twelve holes at least 5 across
  // The other kinds by the name's ending: the hole table has a header and a line a hole.
  for (const char* kind : {"grid.csv", "grid.svg", "grid.stl"}) {
    ASSERT_TRUE(window_->Export(QString::fromStdString(dir_.File(kind))));
    EXPECT_GT(std::filesystem::file_size(dir_.File(kind)), 0u) << kind;
  }
  std::ifstream csv(dir_.File("grid.csv"));
  EXPECT_EQ(std::count(std::istreambuf_iterator<char>(csv), {}, '\n'), 13);
}

// A part of many holes shows at once, uncut, with the cut's progress in the status bar, and its
// holes when they are cut; a change made meanwhile is cut after them. A window closed while its
// cut runs stops it.
TEST_F(Workbench, APartOfManyHolesShowsAtOnceAndItsHolesWhenCut) {
  std::vector<actions::Placement> at;
  for (int i = 0; i < 12; ++i)
    for (int j = 0; j < 6; ++j) at.push_back({{6.0 + 8 * i, 6.0 + 9.6 * j, 20}, {0, 0, -1}});
  auto work = actions::Workspace::Adopt(scene::Scene::NewModel({100, 60, 20}),
                                        dir_.File("many.json"), Services());
  std::ostringstream out, diag;
  actions::DialogPlayer player(forms::ParseScript(kTappedM6, "test"), out, diag);
  actions::Drop(*work, at, player);
  work->Save();
  { hostwindow::HostWindow closed(work->Path(), Services()); EXPECT_TRUE(closed.Cutting()); }

  window_ = std::make_unique<hostwindow::HostWindow>(work->Path(), Services());
  // Before any event is handled: the part is shown, its holes not yet.
  ASSERT_TRUE(window_->Cutting());
  EXPECT_TRUE(window_->View().UncutShown());
  EXPECT_TRUE(window_->Shown().Cells().empty());
  auto* progress = window_->findChild<QProgressBar*>("cutProgress");
  EXPECT_TRUE(progress->isVisibleTo(window_.get()));
  EXPECT_EQ(Status("findingsNote"), "checked once cut");
  const int32_t gone = Holes().front()->Id(), kept = Holes().back()->Id();
  window_->SelectShape(gone);
  window_->DeleteSelected();
  EXPECT_TRUE(window_->Cutting());
  window_->show();
  ASSERT_TRUE(WaitFor([&] { return !window_->Cutting(); }, 120000));
  EXPECT_FALSE(window_->View().UncutShown());
  EXPECT_FALSE(progress->isVisibleTo(window_.get()));
  // Checked once the holes show, as the whole check finds.
  const size_t found = actions::CheckModel(window_->Doc().Model()).size();
  EXPECT_EQ(Status("findingsNote").toStdString(),
            found ? std::to_string(found) + " findings" : "no findings");
  EXPECT_TRUE(window_->Shown().FacesOf(partsolid::HoleId(gone)).empty());
  EXPECT_FALSE(window_->Shown().FacesOf(partsolid::HoleId(kept)).empty());
  const double volume = exporter::Measure(exporter::PartFromScene(window_->Doc().Model())).volume;
  EXPECT_NEAR(exporter::SolidVolume(window_->Shown().Solid()), volume, 1e-6 * volume);
}

// Two tapped holes 3 mm apart cut into each other: the later is drawn in the warning colour, and
// selecting it or pointing at it says why in the status bar.
TEST_F(Workbench, AHoleWithAnErrorSaysWhy) {
  std::string shallow = kTappedM6;  // 6 of thread leaves a floor the check does not warn of
  shallow.replace(shallow.find("Lunghezza 12"), 12, "Lunghezza 6");
  OpenDrilled({{30, 30, 20}, {33, 30, 20}, {70, 30, 20}}, shallow);
  EXPECT_EQ(Status("findingsNote"), "1 finding");
  const int32_t later = Holes()[1]->Id(), sound = Holes()[2]->Id();
  const QString why = QString("#%1: it cuts into #%2").arg(later).arg(Holes()[0]->Id());
  window_->SelectShape(later);
  EXPECT_TRUE(window_->statusBar()->currentMessage().startsWith(why))
      << window_->statusBar()->currentMessage().toStdString();
  window_->SelectShape(sound);
  window_->statusBar()->clearMessage();
  PointAt(PixelOf(70, 30, 20));
  EXPECT_EQ(window_->statusBar()->currentMessage(), "");
  PointAt(PixelOf(34, 30, 20));
  EXPECT_TRUE(window_->statusBar()->currentMessage().startsWith(why))
      << window_->statusBar()->currentMessage().toStdString();
}

// A tapped hole drilled 16 + 5.1 deep into 20 breaks out: the Hole panel's end says so, as the
// hole table and the sheet do, beside the finding.
TEST_F(Workbench, TheHolePanelSaysAHoleBreaksOut) {
  std::string deep = kTappedM6;
  deep.replace(deep.find("Lunghezza 12"), 12, "Lunghezza 16");
  OpenDrilled({{50, 30, 20}}, deep);
  window_->SelectShape(Holes()[0]->Id());
  const std::string text = window_->HoleProperties().Text().toStdString();
  EXPECT_NE(text.find(", breaks out\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Findings: Error: it breaks out"), std::string::npos) << text;
}

// Ctrl adds holes clicked in the view to the selection, Delete takes all of them away in one
// undoable change; the Part panel selects as a list does; all holes alike are selected and
// edited at once; a double click on a Part panel entry edits its hole.
TEST_F(Workbench, SelectionsInTheViewAndThePartPanel) {
  OpenDrilled({{20, 20, 20}, {50, 30, 20}, {80, 40, 20}});
  const std::vector<int32_t> ids = {Holes()[0]->Id(), Holes()[1]->Id(), Holes()[2]->Id()};
  Click(gp_Pnt(20, 20, 20));
  Click(gp_Pnt(80, 40, 20), Qt::ControlModifier);
  EXPECT_EQ(window_->Selection(), (std::vector<int32_t>{ids[2], ids[0]}));
  EXPECT_EQ(Status("selectionNote"), "2 holes selected");
  Click(gp_Pnt(20, 20, 20), Qt::ControlModifier);  // taken out again
  EXPECT_EQ(window_->Selection(), (std::vector<int32_t>{ids[2]}));
  Click(gp_Pnt(50, 30, 20), Qt::ShiftModifier);
  ASSERT_EQ(window_->Selection().size(), 2u);
  window_->View().setFocus();
  QTest::keyClick(&window_->View(), Qt::Key_Delete);
  ASSERT_EQ(Holes().size(), 1u);
  EXPECT_EQ(Holes().front()->Id(), ids[0]);
  window_->UndoAction().trigger();
  ASSERT_EQ(Holes().size(), 3u);

  // A double click on a Part panel entry edits its hole.
  window_->SelectShape(ids[1]);
  QTreeWidget& part = window_->ShapesPanel();
  QTreeWidgetItem* second = nullptr;
  for (QTreeWidgetItemIterator it(&part); *it; ++it)
    if ((*it)->data(0, Qt::UserRole).toInt() == ids[1]) second = *it;
  ASSERT_TRUE(second);
  const QRect row = part.visualItemRect(second);
  QTest::mouseClick(part.viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  EXPECT_EQ(window_->Selected(), ids[1]);
  answer_ = [](FormView& view) {
    std::ostringstream out, diag;
    forms::ScriptRunner(forms::ParseScript("click CancelButton\n", "ui"), out, diag)
        .Run(view.Model());
  };
  QTest::mouseDClick(part.viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
  EXPECT_TRUE(WaitFor([&] { return dialogs_ == 1; }));
  // All three are alike: "Select all like this" takes them all.
  Choose("Select all &like this");
  EXPECT_EQ(window_->Selection().size(), 3u);
  // Edit all like this: the preview at each of them, and one OK makes them all through holes.
  size_t previewed = 0;
  answer_ = [&](FormView& view) {
    WaitFor([&] { return window_->View().GhostsShown().size() == 3; });
    previewed = window_->View().GhostsShown().size();
    std::ostringstream out, diag;
    forms::ScriptRunner(forms::ParseScript("check TogglePassante 1\nclick OKButton\n", "ui"), out,
                        diag)
        .Run(view.Model());
  };
  Choose("Edit &all like this...");
  EXPECT_EQ(previewed, 3u);
  for (const holes::HoleFacts& f : exporter::HolesOf(window_->Doc().Model()))
    EXPECT_TRUE(f.spec.through) << f.id;
}

// The view's keys turn it while it has the focus; typed into a field, the same keys are text.
// The status bar counts in words ("1 hole", not "1 holes").
TEST_F(Workbench, KeysTurnTheViewOnlyWhileItHasTheFocus) {
  OpenDrilled({{50, 30, 20}});
  auto looking = [&] {
    double x = 0, y = 0, z = 0;
    window_->View().View()->Proj(x, y, z);
    return gp_Dir(x, y, z);
  };
  Click(gp_Pnt(50, 30, 20));
  window_->View().setFocus();
  QTest::keyClick(&window_->View(), Qt::Key_2);
  EXPECT_TRUE(looking().IsEqual(gp::DZ(), 1e-9));
  QTest::keyClick(&window_->View(), Qt::Key_1);
  EXPECT_TRUE(looking().IsEqual(-gp::DY(), 1e-9));
  Type(1, "2");
  EXPECT_TRUE(looking().IsEqual(-gp::DY(), 1e-9));
  EXPECT_EQ(Positions().front(), (scene::Vec3{50, 2, 20}));
  EXPECT_EQ(window_->statusBar()->currentMessage().left(7), "1 hole;");
}

// New makes an untitled block; Import STEP a model of the part; Save As names it, and the file
// comes back through the recent files.
TEST_F(Workbench, TheFileMenuMakesImportsSavesAndReopens) {
  Open(*scene::Scene::NewModel({100, 60, 20}));
  window_->NewModel();
  EXPECT_EQ(window_->windowTitle(), "Untitled[*] - Cavix");
  EXPECT_FALSE(window_->isWindowModified());
  EXPECT_EQ(window_->View().Hint(), "Drag Fori from the Catalog onto a face");
  const std::string step = dir_.File("bracket.step");
  ASSERT_TRUE(WriteStep(LBracket(), step));
  ASSERT_TRUE(window_->ImportStep(QString::fromStdString(step)));
  EXPECT_TRUE(window_->isWindowModified());
  const std::string saved = dir_.File("bracket.cvx");
  window_->SetFileAsker([&](hostwindow::FileQuestion q, const QString& suggested) {
    EXPECT_EQ(q, hostwindow::FileQuestion::SaveAs);
    EXPECT_EQ(suggested, "bracket.cvx");
    return QString::fromStdString(saved);
  });
  ASSERT_TRUE(window_->Save());
  EXPECT_FALSE(window_->isWindowModified());
  EXPECT_EQ(window_->windowTitle(), "bracket.cvx[*] - Cavix");
  EXPECT_FALSE(scene::LoadModel(saved)->MainPart().ShapeItems().front()->Solid().empty());
  ASSERT_TRUE(window_->OpenModel(QString::fromStdString(path_)));
  EXPECT_EQ(window_->RecentFiles().value(0).toStdString(), path_);
  EXPECT_EQ(window_->RecentFiles().value(1).toStdString(), saved);
}

}  // namespace
}  // namespace cavix::testing
