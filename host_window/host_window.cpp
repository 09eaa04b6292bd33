// The host window: its panels, menus, toolbar and status bar, and how it shows the model and the
// selection. What the gestures do is in window_placing.cpp, the File menu in window_files.cpp.
#include "host_window/host_window.h"

#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <TopExp_Explorer.hxx>
#include <Standard_Failure.hxx>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "export/occ_kernel.h"
#include "export/scene_export.h"
#include "actions/regen.h"
#include "forms/qt/window_driver.h"
#include "host_window/hole_panel.h"
#include "part_solid/part_solid.h"
#include "host_window/pattern_panel.h"
#include "host_window/position_panel.h"
#include "host_window/preview.h"
#include "host_window/window_text.h"
#include "runtime/error.h"

namespace cavix::hostwindow {

namespace {

constexpr int kIdRole = Qt::UserRole;

// The catalogs and their entries; an entry is dragged onto the part.
class CatalogTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  QStringList mimeTypes() const override { return {QString::fromLatin1(kCatalogEntryMime)}; }
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
    if (items.isEmpty() || !items.front()->parent()) return nullptr;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kCatalogEntryMime),
                  (items.front()->parent()->text(0) + "\n" + items.front()->text(0)).toUtf8());
    return data;
  }
};

QDockWidget* Dock(QMainWindow* window, const QString& title, const char* name, QWidget* panel,
                  Qt::DockWidgetArea area) {
  auto* dock = new QDockWidget(title, window);
  dock->setObjectName(name);
  dock->setWidget(panel);
  window->addDockWidget(area, dock);
  return dock;
}

}  // namespace

HostWindow::HostWindow(const std::string& path, const scene::ServiceConfig& services,
                       QWidget* parent)
    : HostWindow(std::make_unique<Document>(path, services), services, parent) {}

HostWindow::HostWindow(std::unique_ptr<Document> doc, const scene::ServiceConfig& services,
                       QWidget* parent)
    : QMainWindow(parent), services_(services), doc_(std::move(doc)) {
  const std::string path = doc_->Path();
  view_ = new PartView(this);
  setCentralWidget(view_);
  view_->accepts = [](const QMimeData& data) {
    return data.hasFormat(QString::fromLatin1(kCatalogEntryMime));
  };
  view_->draggedOver = [this](QPoint at, Qt::KeyboardModifiers keys) { return DragOver(at, keys); };
  view_->dragLeft = [this] { view_->ShowMarker(std::nullopt); };
  view_->dropped = [this](QPoint at, Qt::KeyboardModifiers keys) { DropAt(at, keys); };
  view_->doubleClicked = [this](QPoint at) { EditAt(at); };
  view_->clicked = [this](QPoint at, Qt::KeyboardModifiers keys) { SelectAt(at, keys); };
  view_->contextMenu = [this](QPoint at) { ContextMenu(at); };
  view_->hovered = [this](QPoint at) { Hover(at); };
  BuildActions();
  BuildPanels();
  BuildStatusBar();
  resize(1400, 860);
  Remember(path);
  Refresh();
}

// Parts with more holes than this open at once and are cut behind the window: a hundred take a
// few tenths of a second, a thousand seconds, and the window should answer meanwhile. Fewer are
// cut before the part shows, which a user does not notice.
constexpr size_t kCutBehindHoles = 64;

// How much lower than the window's thread the cut runs (a nice value, Linux's per thread).
constexpr int kCutNiceness = 5;

// A cut of the whole part on its own thread (the cells on worker threads beneath it). The window
// reads `finished` and takes `shown` once it is set; dropping a Cut stops it and waits for it.
struct HostWindow::Cut {
  partsolid::ShowProgress progress;
  partsolid::ShownPart shown;
  size_t holes = 0;
  std::string error;
  std::atomic<bool> finished{false};
  std::thread thread;

  ~Cut() {
    progress.stop = true;
    if (thread.joinable()) thread.join();
  }
};

HostWindow::~HostWindow() = default;

void HostWindow::BuildPanels() {
  catalog_ = new CatalogTree;
  catalog_->setHeaderLabel(tr("Catalogs"));
  catalog_->setDragEnabled(true);
  catalog_->setDragDropMode(QAbstractItemView::DragOnly);
  Dock(this, tr("Catalog"), "catalog", catalog_, Qt::LeftDockWidgetArea);

  pattern_ = new PatternPanel;
  Dock(this, tr("Pattern"), "pattern", pattern_, Qt::LeftDockWidgetArea);

  shapes_ = new QTreeWidget;
  shapes_->setHeaderLabel(tr("Shapes"));
  shapes_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  shapes_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(shapes_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (filling_) return;
    std::vector<int32_t> ids;
    // The item the user acted on last is the one the panels show.
    if (QTreeWidgetItem* current = shapes_->currentItem(); current && current->isSelected())
      ids.push_back(current->data(0, kIdRole).toInt());
    for (QTreeWidgetItem* item : shapes_->selectedItems())
      if (item != shapes_->currentItem()) ids.push_back(item->data(0, kIdRole).toInt());
    std::erase(ids, 0);
    SelectShapes(ids);
  });
  connect(shapes_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    const int32_t id = item->data(0, kIdRole).toInt();
    for (const ShapeRow& row : Shapes(doc_->Model()))
      if (id && row.id == id && row.hole) {
        SelectShape(id);
        const HoleAt at = PlaceOf(doc_->Model(), id);
        Edit(id, false, view_->PixelOf(gp_Pnt(at.position.x, at.position.y, at.position.z)));
        return;
      }
  });
  connect(shapes_, &QTreeWidget::customContextMenuRequested, this, [this](QPoint at) {
    QTreeWidgetItem* item = shapes_->itemAt(at);
    const int32_t id = item ? item->data(0, kIdRole).toInt() : 0;
    if (!id) return;
    if (std::find(selection_.begin(), selection_.end(), id) == selection_.end()) SelectShape(id);
    if (SelectedHoles().empty()) return;
    QMenu menu;
    menu.addActions({edit_, editAllLike_, move_, delete_, selectLike_});
    menu.exec(shapes_->viewport()->mapToGlobal(at));
  });
  Dock(this, tr("Part"), "shapes", shapes_, Qt::LeftDockWidgetArea);

  position_ = new PositionPanel;
  position_->moved = [this](const gp_Pnt& to) { MoveSelectedTo(to); };
  positionDock_ = Dock(this, tr("Position"), "position", position_, Qt::RightDockWidgetArea);

  holePanel_ = new HolePanel;
  Dock(this, tr("Hole"), "hole", holePanel_, Qt::RightDockWidgetArea);

  auto* panel = new QWidget;
  auto* form = new QFormLayout(panel);
  const char* axes[] = {"X", "Y", "Z"};
  for (size_t i = 0; i < 3; ++i) {
    extents_[i] = new QDoubleSpinBox;
    extents_[i]->setRange(0.001, 100000);
    extents_[i]->setDecimals(3);
    extents_[i]->setObjectName(QString("extent%1").arg(axes[i]));
    form->addRow(tr("%1 extent").arg(axes[i]), extents_[i]);
  }
  applyExtents_ = new QPushButton(tr("Apply"));
  applyExtents_->setObjectName("applyExtents");
  connect(applyExtents_, &QPushButton::clicked, this, [this] { ApplyExtents(); });
  form->addRow(applyExtents_);
  partNote_ = new QLabel;
  partNote_->setWordWrap(true);
  form->addRow(partNote_);
  Dock(this, tr("Block"), "block", panel, Qt::RightDockWidgetArea);
}

void HostWindow::BuildActions() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("&New block"), this, [this] { NewModel(); })->setShortcut(QKeySequence::New);
  file->addAction(tr("&Open..."), this, [this] { OpenModel(); })->setShortcut(QKeySequence::Open);
  file->addAction(tr("&Import STEP..."), this, [this] { ImportStep(); });
  recent_ = file->addMenu(tr("Open &recent"));
  connect(recent_, &QMenu::aboutToShow, this, [this] { FillRecent(); });
  file->addSeparator();
  save_ = file->addAction(tr("&Save"), this, [this] { Save(); });
  save_->setShortcut(QKeySequence::Save);
  file->addAction(tr("Save &As..."), this, [this] { SaveAs(); })->setShortcut(QKeySequence::SaveAs);
  export_ = file->addAction(tr("&Export..."), this, [this] { Export(); });
  export_->setShortcut(QKeySequence(tr("Ctrl+E")));
  file->addSeparator();
  file->addAction(tr("&Close"), this, [this] { close(); })->setShortcut(QKeySequence::Close);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  undo_ = edit->addAction(tr("&Undo"), this, [this] { Undo(); });
  undo_->setShortcut(QKeySequence::Undo);
  redo_ = edit->addAction(tr("&Redo"), this, [this] { Redo(); });
  redo_->setShortcut(QKeySequence::Redo);
  edit->addSeparator();
  edit_ = edit->addAction(tr("&Edit hole..."), this, [this] { EditSelected(false); });
  editAllLike_ =
      edit->addAction(tr("Edit &all like this..."), this, [this] { EditSelected(true); });
  move_ = edit->addAction(tr("&Move..."), this, [this] {
    positionDock_->show();
    positionDock_->raise();
    position_->Field(0).setFocus();
    position_->Field(0).selectAll();
  });
  selectLike_ = edit->addAction(tr("Select all &like this"), this, [this] { SelectAllLike(); });
  delete_ = edit->addAction(tr("&Delete"), this, [this] { DeleteSelected(); });
  delete_->setShortcut(QKeySequence::Delete);

  QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
  QToolBar* bar = addToolBar(tr("View"));
  bar->setObjectName("views");
  // Single keys as CAD tools have them (F fits, the digits turn to the standard views), only while
  // the view has the focus: elsewhere they are typed into fields.
  auto add = [&](const QString& name, const QString& key, std::function<void()> run) {
    QAction* a = viewMenu->addAction(name, this, std::move(run));
    a->setShortcut(QKeySequence(key));
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    a->setToolTip(tr("%1 (%2)").arg(name, key));
    view_->addAction(a);
    bar->addAction(a);
  };
  add(tr("Fit all"), "F", [this] { view_->FitAll(); });
  const struct {
    const char* name;
    const char* key;
    V3d_TypeOfOrientation orientation;
  } views[] = {{"Isometric", "0", V3d_XposYnegZpos},
               {"Front", "1", V3d_Yneg},
               {"Top", "2", V3d_Zpos},
               {"Right", "3", V3d_Xpos},
               {"Back", "4", V3d_Ypos},
               {"Bottom", "5", V3d_Zneg},
               {"Left", "6", V3d_Xneg}};
  for (const auto& v : views) {
    const V3d_TypeOfOrientation o = v.orientation;
    add(tr(v.name), v.key, [this, o] { view_->SetProjection(o); });
  }
  bar->addSeparator();
  undo_->setToolTip(tr("Undo (%1)").arg(undo_->shortcut().toString()));
  redo_->setToolTip(tr("Redo (%1)").arg(redo_->shortcut().toString()));
  bar->addAction(undo_);
  bar->addAction(redo_);
  bar->addSeparator();
  snap_ = bar->addAction(tr("Snap"));
  snap_->setCheckable(true);
  snap_->setChecked(true);
  snap_->setToolTip(
      tr("Snap a dragged hole to the face's centre, edge midpoints and corners, to the holes on "
         "it and to the grid (hold Shift to place it freely)"));
  viewMenu->addSeparator();
  viewMenu->addAction(snap_);
  gridStep_ = new QDoubleSpinBox;
  gridStep_->setObjectName("gridStep");
  gridStep_->setPrefix(tr("Grid "));
  gridStep_->setDecimals(3);
  gridStep_->setRange(0, 1000);
  gridStep_->setValue(1);
  gridStep_->setToolTip(tr("The step of the grid a dragged hole snaps to (0: no grid)"));
  bar->addWidget(gridStep_);
}

void HostWindow::BuildStatusBar() {
  cursor_ = new QLabel;
  selectionNote_ = new QLabel;
  findingsNote_ = new QLabel;
  cursor_->setObjectName("cursor");
  selectionNote_->setObjectName("selectionNote");
  findingsNote_->setObjectName("findingsNote");
  for (QLabel* l : {cursor_, selectionNote_, findingsNote_}) statusBar()->addPermanentWidget(l);
  progress_ = new QProgressBar;
  progress_->setObjectName("cutProgress");
  progress_->setMaximumWidth(260);
  progress_->hide();
  statusBar()->addPermanentWidget(progress_);
  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(50);
  connect(progressTimer_, &QTimer::timeout, this, [this] {
    if (!cutting_) return progressTimer_->stop();
    if (cutting_->finished) return CutDone();
    const size_t total = cutting_->progress.total;
    progress_->setRange(0, static_cast<int>(std::max<size_t>(total, 1)));
    progress_->setValue(static_cast<int>(cutting_->progress.done));
  });
}

void HostWindow::StartCut(const exporter::PartInput& part,
                          const std::vector<partsolid::HoleId>& ids) {
  cutting_.reset();  // a cut of what the part was is of no use any more
  shown_ = partsolid::ShownPart();
  view_->Clear();
  view_->ShowUncut(base_);
  auto cut = std::make_unique<Cut>();
  cut->holes = ids.size();
  cut->thread = std::thread([c = cut.get(), part, ids] {
    // Below the window in the scheduler's eyes (the cells' workers inherit it): the first picture,
    // the view's turns and the panels come before the holes, which take every core left.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kCutNiceness);
    try {
      c->shown.Show(part, ids, &c->progress);
    } catch (const rt::Error& e) {
      c->error = e.Description();
    } catch (const Standard_Failure& f) {
      c->error = "the view could not cut the part (" + exporter::KernelFailure(f) + ")";
    } catch (const std::exception& e) {
      c->error = e.what();
    }
    c->finished = true;
  });
  cutting_ = std::move(cut);
  progress_->setFormat(tr("Cutting %1: %p%").arg(Counted(ids.size(), "hole", "holes")));
  progress_->setRange(0, 0);  // busy until the part is divided
  progress_->show();
  statusBar()->showMessage(tr("Cutting %1…").arg(Counted(ids.size(), "hole", "holes")));
  progressTimer_->start();
}

void HostWindow::CutDone() {
  progressTimer_->stop();
  progress_->hide();
  const std::unique_ptr<Cut> cut = std::move(cutting_);
  if (cut->error.empty()) {
    shown_ = std::move(cut->shown);
  } else {
    // The session stays: the part shows uncut, and the next change of the part tries again. The
    // design check does not need the view's cut: its findings show now, not "once cut".
    Message(tr("The holes could not be cut for the view: %1").arg(Text(cut->error)));
    base_.Nullify();
    try {
      findings_ = Findings(doc_->Model(), check_);
    } catch (const std::exception& e) {
      Message(ErrorText(e));
    }
    ShowSelection();
    return;
  }
  Refresh();
  statusBar()->showMessage(tr("%1 cut").arg(Counted(cut->holes, "hole", "holes")));
}

// ---- showing the model ----

void HostWindow::Refresh() {
  scene::Scene& model = doc_->Model();
  const LengthUnit unit = UnitOf(model);
  std::vector<partsolid::HoleId> ids;
  try {
    const exporter::PartInput part = PartOf(model, ids);
    const bool whole =
        base_.IsNull() || part.block != baseOf_.block || part.solidBrep != baseOf_.solidBrep;
    if (whole) {
      baseOf_ = part;
      baseOf_.holes.clear();
      base_ = partsolid::BaseSolid(part);
    }
    // A part of many holes cut anew is cut behind the window; until that cut is done the view
    // shows the part uncut, and the changes made meanwhile are cut when it is.
    if (whole && ids.size() > kCutBehindHoles)
      StartCut(part, ids);
    else if (whole)
      cutting_.reset();
    size_t recut = 0;
    QElapsedTimer clock;
    clock.start();
    if (!cutting_) recut = shown_.Update(part, ids);
    const qint64 cutMs = clock.elapsed();
    // The check of a part being cut waits for its holes: the first picture comes first.
    if (!cutting_) findings_ = Findings(model, check_);
    std::set<int32_t> faulty;
    for (const Finding& f : findings_)
      if (f.error) faulty.insert(f.hole);
    if (!cutting_) view_->Show(shown_, faulty);
    threads_ = ThreadBands(model);
    // A faulty hole shows its warning colour whole: its thread's band would hide most of it.
    for (int32_t id : faulty) threads_.erase(id);
    const std::vector<std::string> warnings = shown_.Warnings();
    // Only a cut is worth its time: after a Cancel or a save nothing was cut.
    if (!warnings.empty())
      statusBar()->showMessage(QString::fromStdString(warnings.front()));
    else if (recut)
      statusBar()->showMessage(
          tr("%1; cut in %2 ms").arg(Counted(ids.size(), "hole", "holes")).arg(cutMs));
  } catch (const std::exception& e) {
    Message(ErrorText(e));
  }
  view_->SetHint(ids.empty() ? tr("Drag Fori from the Catalog onto a face") : QString());

  filling_ = true;
  catalog_->clear();
  for (const CatalogRow& row : Catalogs(model)) {
    auto* top = new QTreeWidgetItem(catalog_, {Text(row.name)});
    top->setFlags(Qt::ItemIsEnabled);
    for (const std::string& label : row.entries) {
      auto* item = new QTreeWidgetItem(top, {Text(label)});
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
      item->setToolTip(0, tr("Drag onto a face of the part to drill a hole there"));
    }
  }
  catalog_->expandAll();

  shapes_->clear();
  auto* part = new QTreeWidgetItem(shapes_, {Text(model.MainPart().Name())});
  part->setFlags(Qt::ItemIsEnabled);
  const std::vector<ShapeRow> rows = Shapes(model);
  std::erase_if(selection_, [&](int32_t id) {
    return std::none_of(rows.begin(), rows.end(), [&](const ShapeRow& r) { return r.id == id; });
  });
  for (const ShapeRow& row : rows) {
    auto* item = new QTreeWidgetItem(part, {Text(row.label)});
    item->setData(0, kIdRole, row.id);
    item->setToolTip(0, row.hole ? tr("Double-click to edit; right-click for more") : QString());
  }
  shapes_->expandAll();

  const scene::Vec3 size = Extents(model);
  const double values[] = {size.x, size.y, size.z};
  const bool own = HasOwnSolid(model);
  for (size_t i = 0; i < 3; ++i) {
    extents_[i]->setSuffix(QString(" ") + unit.name);
    extents_[i]->setValue(values[i]);
    extents_[i]->setEnabled(!own);
  }
  applyExtents_->setEnabled(!own);
  partNote_->setText(own ? tr("Made from a STEP file: the part keeps the size of its solid.")
                         : tr("Every hole regenerates when the block changes."));
  pattern_->SetUnit(unit);
  gridStep_->setSuffix(QString(" ") + unit.name);
  filling_ = false;

  ShowSelection();
  undo_->setEnabled(doc_->CanUndo());
  redo_->setEnabled(doc_->CanRedo());
  const QString name =
      doc_->Path().empty() ? tr("Untitled") : QFileInfo(Text(doc_->Path())).fileName();
  setWindowTitle(tr("%1[*] - Cavix").arg(name));
  setWindowModified(doc_->Modified());
}

std::vector<int32_t> HostWindow::SelectedHoles() const {
  std::vector<int32_t> holes;
  const std::vector<ShapeRow> rows = Shapes(doc_->Model());
  for (int32_t id : selection_)
    for (const ShapeRow& row : rows)
      if (row.id == id && row.hole) holes.push_back(id);
  return holes;
}

void HostWindow::SelectShapes(std::vector<int32_t> ids) {
  std::vector<int32_t> unique;
  for (int32_t id : ids)
    if (id && std::find(unique.begin(), unique.end(), id) == unique.end()) unique.push_back(id);
  selection_ = std::move(unique);
  ShowSelection();
}

void HostWindow::ShowSelection() {
  scene::Scene& model = doc_->Model();
  const std::vector<ShapeRow> rows = Shapes(model);
  filling_ = true;
  for (QTreeWidgetItemIterator it(shapes_); *it; ++it) {
    const int32_t id = (*it)->data(0, kIdRole).toInt();
    (*it)->setSelected(id &&
                       std::find(selection_.begin(), selection_.end(), id) != selection_.end());
    if (id && id == Selected()) shapes_->setCurrentItem(*it, 0, QItemSelectionModel::NoUpdate);
  }
  filling_ = false;

  std::vector<std::pair<size_t, TopoDS_Shape>> faces;
  for (int32_t id : selection_) {
    const bool first = !rows.empty() && rows.front().id == id;
    const bool hole = std::any_of(rows.begin(), rows.end(),
                                  [&](const ShapeRow& r) { return r.id == id && r.hole; });
    if (hole) {
      for (auto& f : shown_.FacesOf(partsolid::HoleId(id))) faces.push_back(std::move(f));
    } else if (first) {
      // The part's first shape: every face no hole made.
      for (size_t c = 0; c < shown_.Cells().size(); ++c)
        for (TopExp_Explorer ex(shown_.Cells()[c].shape, TopAbs_FACE); ex.More(); ex.Next())
          if (!shown_.HoleOf(c, ex.Current())) faces.emplace_back(c, ex.Current());
    }
  }
  view_->Select(faces);
  // A selected hole is lit whole: its thread's band would hide the light of its bore.
  std::map<int32_t, ThreadBand> threads = threads_;
  for (int32_t id : selection_) threads.erase(id);
  view_->ShowThreads(threads);

  const std::vector<int32_t> holes = SelectedHoles();
  const bool oneHole = !holes.empty() && holes.front() == Selected();
  delete_->setEnabled(!holes.empty());
  for (QAction* a : {edit_, editAllLike_, selectLike_, move_}) a->setEnabled(oneHole);

  const LengthUnit unit = UnitOf(model);
  const std::vector<Finding>& findings = findings_;
  if (oneHole) {
    if (const QString errors = ErrorsOf(holes.front()); !errors.isEmpty())
      statusBar()->showMessage(errors);
    const HoleAt at = PlaceOf(model, holes.front());
    const gp_Pnt p(at.position.x, at.position.y, at.position.z);
    const gp_Dir axis(at.axis.x, at.axis.y, at.axis.z);
    std::optional<FaceFrame> face = PartFaceAt(p, axis);
    bool together = true;
    for (size_t i = 1; i < holes.size(); ++i) {
      const HoleAt other = PlaceOf(model, holes[i]);
      const gp_Pnt q(other.position.x, other.position.y, other.position.z);
      together = together && face && face->OnPlane(q) &&
                 gp_Dir(other.axis.x, other.axis.y, other.axis.z).IsEqual(axis, 1e-9);
    }
    if (together)
      position_->ShowHole(face, p, static_cast<int>(holes.size()), unit);
    else
      position_->ShowNone(
          tr("The selected holes are on different faces: select holes of one "
             "face to move them together."));
    scene::Shape& first = *model.FindShapeById(holes.front());
    holes::HoleFacts facts = exporter::FactsOf(model, first);
    exporter::MarkBreakingOut(facts, first);
    holePanel_->ShowHole(facts, static_cast<int>(holes.size()), findings, unit);
  } else {
    position_->ShowNone(tr("Select a hole to place it exactly."));
    holePanel_->ShowNone(static_cast<int>(selection_.size()));
  }
  selectionNote_->setText(holes.empty()
                              ? (selection_.empty() ? QString() : tr("part selected"))
                              : tr("%1 selected").arg(Counted(holes.size(), "hole", "holes")));
  findingsNote_->setText(cutting_            ? tr("checked once cut")
                         : findings.empty() ? tr("no findings")
                                            : Counted(findings.size(), "finding", "findings"));
}

void HostWindow::Message(const QString& text) { QMessageBox::warning(this, tr("Cavix"), text); }

bool HostWindow::Change(const std::function<bool(actions::Workspace&)>& change) {
  // The dialog is modal to the whole session: nothing else of the window answers meanwhile.
  setEnabled(false);
  bool kept = false;
  QString error;
  try {
    kept = doc_->Change(change);
  } catch (const std::exception& e) {
    error = ErrorText(e);
  }
  setEnabled(true);
  preview_.reset();
  view_->ShowGhost({});
  // The face the dialog opened over is no longer under the cursor.
  view_->ClearHover();
  if (!error.isEmpty()) Message(error);
  Refresh();
  return kept;
}

void HostWindow::Undo() {
  try {
    doc_->Undo();
  } catch (const std::exception& e) {
    Message(ErrorText(e));
  }
  Refresh();
}

void HostWindow::Redo() {
  try {
    doc_->Redo();
  } catch (const std::exception& e) {
    Message(ErrorText(e));
  }
  Refresh();
}

void HostWindow::ApplyExtents() {
  // The block's extents are stored in the page's unit, as the panel shows them.
  const scene::Vec3 extents{extents_[0]->value(), extents_[1]->value(), extents_[2]->value()};
  Change([&](actions::Workspace& work) {
    actions::ResizeBlock(work.Model(), extents);
    return true;
  });
}

void HostWindow::closeEvent(QCloseEvent* event) {
  if (!KeepOrSaveChanges()) {
    event->ignore();
    return;
  }
  event->accept();
}

int RunHostWindow(const WindowOptions& options) {
  // A file that is no model is said before any window opens.
  auto doc = std::make_unique<Document>(options.model, options.services);
  // The viewer draws through GLX: an X display, and Qt on it even in a Wayland session.
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display)
    rt::Raise(rt::err::kInvalidCall, "the host window needs an X display: set DISPLAY",
              "cavix open");
  qputenv("QT_QPA_PLATFORM", "xcb");
  qtview::EnsureApplication();
  // The kernel reports on standard output; the window says what matters itself.
  Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
  HostWindow window(std::move(doc), options.services);
  window.show();
  return QApplication::exec();
}

}  // namespace cavix::hostwindow
