// The host window: panels, actions, and what a drop, a click, a double click and the menus do.
#include "host_window/host_window.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <ElSLib.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_PrinterOStream.hxx>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <TopExp_Explorer.hxx>
#include <cmath>
#include <cstdlib>
#include <gp_Pln.hxx>

#include "actions/regen.h"
#include "forms/qt/window_driver.h"
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

QString Text(const std::string& s) { return QString::fromStdString(s); }

QString ErrorText(const std::exception& e) {
  if (const auto* r = dynamic_cast<const rt::Error*>(&e))
    return QString("Error %1: %2").arg(r->Number()).arg(Text(r->Description()));
  return Text(e.what());
}

// -0 written as 0: the axis is stored and shown as people write it.
double Clean(double v) { return v + 0.0; }

}  // namespace

HostWindow::HostWindow(const std::string& path, const scene::ServiceConfig& services,
                       QWidget* parent)
    : QMainWindow(parent) {
  doc_ = std::make_unique<Document>(path, services);
  view_ = new PartView(this);
  setCentralWidget(view_);
  view_->accepts = [](const QMimeData& data) {
    return data.hasFormat(QString::fromLatin1(kCatalogEntryMime));
  };
  view_->dropped = [this](QPoint at) { DropAt(at); };
  view_->doubleClicked = [this](QPoint at) { EditAt(at); };
  view_->clicked = [this](QPoint at) { SelectAt(at); };
  BuildPanels();
  BuildActions();
  resize(1280, 800);
  Refresh();
}

HostWindow::~HostWindow() = default;

void HostWindow::BuildPanels() {
  catalog_ = new CatalogTree;
  catalog_->setHeaderLabel(tr("Catalogs"));
  catalog_->setDragEnabled(true);
  catalog_->setDragDropMode(QAbstractItemView::DragOnly);
  auto* catalogDock = new QDockWidget(tr("Catalog"), this);
  catalogDock->setObjectName("catalog");
  catalogDock->setWidget(catalog_);
  addDockWidget(Qt::LeftDockWidgetArea, catalogDock);

  shapes_ = new QTreeWidget;
  shapes_->setHeaderLabel(tr("Shapes"));
  connect(shapes_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (filling_) return;
    const auto items = shapes_->selectedItems();
    SelectShape(items.isEmpty() ? 0 : items.front()->data(0, kIdRole).toInt());
  });
  auto* shapesDock = new QDockWidget(tr("Part"), this);
  shapesDock->setObjectName("shapes");
  shapesDock->setWidget(shapes_);
  addDockWidget(Qt::LeftDockWidgetArea, shapesDock);

  auto* panel = new QWidget;
  auto* form = new QFormLayout(panel);
  const char* axes[] = {"X", "Y", "Z"};
  for (size_t i = 0; i < 3; ++i) {
    extents_[i] = new QDoubleSpinBox;
    extents_[i]->setRange(0.001, 100000);
    extents_[i]->setDecimals(3);
    form->addRow(tr("%1 extent").arg(axes[i]), extents_[i]);
  }
  applyExtents_ = new QPushButton(tr("Apply"));
  connect(applyExtents_, &QPushButton::clicked, this, [this] { ApplyExtents(); });
  form->addRow(applyExtents_);
  partNote_ = new QLabel;
  partNote_->setWordWrap(true);
  form->addRow(partNote_);
  auto* extentsDock = new QDockWidget(tr("Block"), this);
  extentsDock->setObjectName("block");
  extentsDock->setWidget(panel);
  addDockWidget(Qt::LeftDockWidgetArea, extentsDock);
}

void HostWindow::BuildActions() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  save_ = file->addAction(tr("&Save"), this, [this] { Save(); });
  save_->setShortcut(QKeySequence::Save);
  file->addAction(tr("Save &As..."), this, [this] { SaveAs(); })->setShortcut(QKeySequence::SaveAs);
  file->addSeparator();
  file->addAction(tr("&Close"), this, [this] { close(); })->setShortcut(QKeySequence::Close);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  undo_ = edit->addAction(tr("&Undo"), this, [this] { Undo(); });
  undo_->setShortcut(QKeySequence::Undo);
  redo_ = edit->addAction(tr("&Redo"), this, [this] { Redo(); });
  redo_->setShortcut(QKeySequence::Redo);
  edit->addSeparator();
  delete_ = edit->addAction(tr("&Delete hole"), this, [this] { DeleteSelected(); });
  delete_->setShortcut(QKeySequence::Delete);

  QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
  QToolBar* bar = addToolBar(tr("View"));
  bar->setObjectName("views");
  // No single-key shortcuts: the digits belong to the extents' fields.
  auto add = [&](const QString& name, std::function<void()> run) {
    bar->addAction(viewMenu->addAction(name, this, std::move(run)));
  };
  add(tr("Fit all"), [this] { view_->FitAll(); });
  const std::pair<const char*, V3d_TypeOfOrientation> views[] = {{"Isometric", V3d_XposYnegZpos},
                                                                 {"Front", V3d_Yneg},
                                                                 {"Back", V3d_Ypos},
                                                                 {"Top", V3d_Zpos},
                                                                 {"Bottom", V3d_Zneg},
                                                                 {"Left", V3d_Xneg},
                                                                 {"Right", V3d_Xpos}};
  for (const auto& [name, orientation] : views) {
    const V3d_TypeOfOrientation o = orientation;
    add(tr(name), [this, o] { view_->SetProjection(o); });
  }
  bar->addSeparator();
  bar->addAction(undo_);
  bar->addAction(redo_);
}

// ---- showing the model ----

void HostWindow::Refresh() {
  scene::Scene& model = doc_->Model();
  try {
    std::vector<int32_t> ids;
    const exporter::PartInput part = PartOf(model, ids);
    QElapsedTimer clock;
    clock.start();
    shown_.Update(part, ids);
    view_->Show(shown_);
    const std::vector<std::string> warnings = shown_.Warnings();
    statusBar()->showMessage(warnings.empty()
                                 ? tr("%1 holes; cut in %2 ms").arg(ids.size()).arg(clock.elapsed())
                                 : Text(warnings.front()));
  } catch (const std::exception& e) {
    Message(ErrorText(e));
  }

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
  bool stillThere = false;
  for (const ShapeRow& row : Shapes(model)) {
    auto* item = new QTreeWidgetItem(part, {Text(row.label)});
    item->setData(0, kIdRole, row.id);
    if (row.id == selected_) {
      item->setSelected(true);
      stillThere = true;
    }
  }
  shapes_->expandAll();
  if (!stillThere) selected_ = 0;

  const scene::Vec3 size = Extents(model);
  const double values[] = {size.x, size.y, size.z};
  const bool own = HasOwnSolid(model);
  for (size_t i = 0; i < 3; ++i) {
    extents_[i]->setValue(values[i]);
    extents_[i]->setEnabled(!own);
  }
  applyExtents_->setEnabled(!own);
  partNote_->setText(own ? tr("Made from a STEP file: the part keeps the size of its solid.")
                         : tr("Every hole regenerates when the block changes."));
  filling_ = false;

  SelectShape(selected_);
  undo_->setEnabled(doc_->CanUndo());
  redo_->setEnabled(doc_->CanRedo());
  setWindowTitle(tr("%1[*] - Cavix").arg(QFileInfo(Text(doc_->Path())).fileName()));
  setWindowModified(doc_->Modified());
}

void HostWindow::Message(const QString& text) { QMessageBox::warning(this, tr("Cavix"), text); }

void HostWindow::Change(const std::function<bool(actions::Workspace&)>& change) {
  // The dialog is modal to the whole session: nothing else of the window answers meanwhile.
  setEnabled(false);
  try {
    doc_->Change(change);
  } catch (const std::exception& e) {
    setEnabled(true);
    Message(ErrorText(e));
  }
  setEnabled(true);
  Refresh();
}

// ---- gestures ----

void HostWindow::DropAt(QPoint pixel) {
  const Pick pick = view_->PickAt(pixel);
  if (!pick.hit) {
    statusBar()->showMessage(tr("Drop the hole on a face of the part."));
    return;
  }
  BRepAdaptor_Surface surface(pick.face, Standard_False);
  if (surface.GetType() != GeomAbs_Plane) {
    Message(tr("Holes are drilled into flat faces; this face is curved."));
    return;
  }
  // The point on the face's plane, and the face's normal turned into the material.
  const gp_Pln plane = surface.Plane();
  double u = 0, v = 0;
  ElSLib::Parameters(plane, pick.point, u, v);
  const gp_Pnt at = ElSLib::Value(u, v, plane);
  gp_Dir inward = plane.Axis().Direction();
  const TopoDS_Shape& solid = shown_.Cells()[pick.cell].shape;
  constexpr double kStep = 1e-3;
  BRepClass3d_SolidClassifier probe(solid, at.Translated(gp_Vec(inward) * kStep), 1e-7);
  if (probe.State() != TopAbs_IN) inward.Reverse();
  const scene::Vec3 position{Clean(at.X()), Clean(at.Y()), Clean(at.Z())};
  const scene::Vec3 axis{Clean(inward.X()), Clean(inward.Y()), Clean(inward.Z())};

  int32_t placed = 0;
  Change([&](actions::Workspace& work) {
    return DropOnFace(work, position, axis, dialogUser_, &placed) == Outcome::Done;
  });
  if (placed && doc_->Model().FindShapeById(placed)) SelectShape(placed);
}

void HostWindow::EditAt(QPoint pixel) {
  const Pick pick = view_->PickAt(pixel);
  const int32_t hole = pick.hit ? shown_.HoleOf(pick.cell, pick.face) : 0;
  if (!hole) {
    statusBar()->showMessage(tr("Double-click a hole to edit it."));
    return;
  }
  SelectShape(hole);
  Change(
      [&](actions::Workspace& work) { return EditHole(work, hole, dialogUser_) == Outcome::Done; });
}

void HostWindow::SelectAt(QPoint pixel) {
  const Pick pick = view_->PickAt(pixel);
  int32_t id = 0;
  if (pick.hit) {
    id = shown_.HoleOf(pick.cell, pick.face);
    if (!id) {  // a face of the part itself: its first shape
      const auto rows = Shapes(doc_->Model());
      id = rows.empty() ? 0 : rows.front().id;
    }
  }
  SelectShape(id);
}

void HostWindow::SelectShape(int32_t id) {
  selected_ = id;
  bool hole = false, first = false;
  const std::vector<ShapeRow> rows = Shapes(doc_->Model());
  for (size_t i = 0; i < rows.size(); ++i)
    if (id && rows[i].id == id) {
      hole = rows[i].hole;
      first = i == 0;
    }
  filling_ = true;
  for (QTreeWidgetItemIterator it(shapes_); *it; ++it)
    (*it)->setSelected(id && (*it)->data(0, kIdRole).toInt() == id);
  filling_ = false;
  std::vector<std::pair<size_t, TopoDS_Shape>> faces;
  if (hole) {
    faces = shown_.FacesOf(id);
  } else if (first) {
    // The part's first shape: every face no hole made.
    for (size_t c = 0; c < shown_.Cells().size(); ++c)
      for (TopExp_Explorer ex(shown_.Cells()[c].shape, TopAbs_FACE); ex.More(); ex.Next())
        if (!shown_.HoleOf(c, ex.Current())) faces.emplace_back(c, ex.Current());
  }
  view_->Select(faces);
  delete_->setEnabled(hole);
}

void HostWindow::DeleteSelected() {
  const int32_t id = selected_;
  bool hole = false;
  for (const ShapeRow& row : Shapes(doc_->Model())) hole = hole || (id && row.id == id && row.hole);
  if (!hole) return;
  selected_ = 0;
  Change([&](actions::Workspace& work) {
    DeleteShape(work.Model(), id);
    return true;
  });
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
  const scene::Vec3 extents{extents_[0]->value(), extents_[1]->value(), extents_[2]->value()};
  Change([&](actions::Workspace& work) {
    actions::ResizeBlock(work.Model(), extents);
    return true;
  });
}

// ---- the file ----

bool HostWindow::Save() {
  const QString name = QFileInfo(Text(doc_->Path())).fileName();
  try {
    if (!doc_->Save(doc_->Path(), /*replaceChanged=*/false)) {
      if (QMessageBox::question(this, tr("Cavix"),
                                tr("%1 was changed by another program since this window read it. "
                                   "Replace it with the model shown here?")
                                    .arg(name),
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) != QMessageBox::Yes)
        return false;
      doc_->Save(doc_->Path(), /*replaceChanged=*/true);
    }
  } catch (const std::exception& e) {
    Message(ErrorText(e));
    return false;
  }
  setWindowModified(false);
  statusBar()->showMessage(tr("Saved %1").arg(name));
  return true;
}

bool HostWindow::SaveAs() {
  const QString path = QFileDialog::getSaveFileName(this, tr("Save As"), Text(doc_->Path()),
                                                    tr("Cavix models (*.cvx *.json);;All files (*)"));
  if (path.isEmpty()) return false;
  try {
    doc_->Save(path.toStdString(), /*replaceChanged=*/true);
  } catch (const std::exception& e) {
    Message(ErrorText(e));
    return false;
  }
  Refresh();
  return true;
}

void HostWindow::closeEvent(QCloseEvent* event) {
  if (doc_->Modified()) {
    const auto answer = QMessageBox::question(
        this, tr("Cavix"),
        tr("Save the changes to %1 before closing?").arg(QFileInfo(Text(doc_->Path())).fileName()),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !Save())) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

int RunHostWindow(const WindowOptions& options) {
  // A file that is no model is said before any window opens.
  actions::Workspace::Open(options.model, options.services);
  // The viewer draws through GLX: an X display, and Qt on it even in a Wayland session.
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display)
    rt::Raise(rt::err::kInvalidCall, "the host window needs an X display: set DISPLAY",
              "cavix open");
  qputenv("QT_QPA_PLATFORM", "xcb");
  qtview::EnsureApplication();
  // The kernel reports on standard output; the window says what matters itself.
  Message::DefaultMessenger()->RemovePrinters(STANDARD_TYPE(Message_PrinterOStream));
  HostWindow window(options.model, options.services);
  window.show();
  return QApplication::exec();
}

}  // namespace cavix::hostwindow
