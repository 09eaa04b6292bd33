// The host window of `cavix open`: the part in 3D with every hole cut, the catalogs whose item is
// dragged onto a face to drop a hole there, the part's shapes, the part's extents; double click
// edits a hole, Delete removes it, every change can be undone, and the model is saved atomically
// to its file.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host_window/document.h"
#include "host_window/model_actions.h"
#include "host_window/part_view.h"
#include "part_solid/shown_part.h"

class QAction;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace cavix::hostwindow {

// The data a catalog entry is dragged with: the catalog's name and the entry's label, one a line.
inline constexpr const char* kCatalogEntryMime = "application/x-cavix-catalog-entry";

class HostWindow : public QMainWindow {
 public:
  // Opens the model file and loads the add-in into it with `services` (errors as
  // scene::LoadModel raises them, before any window shows).
  HostWindow(const std::string& path, const scene::ServiceConfig& services,
             QWidget* parent = nullptr);
  ~HostWindow() override;

  Document& Doc() { return *doc_; }
  PartView& View() { return *view_; }
  const partsolid::ShownPart& Shown() const { return shown_; }
  QTreeWidget& CatalogPanel() { return *catalog_; }
  QTreeWidget& ShapesPanel() { return *shapes_; }
  QAction& UndoAction() { return *undo_; }
  QAction& RedoAction() { return *redo_; }
  QAction& SaveAction() { return *save_; }
  QAction& DeleteAction() { return *delete_; }
  // The shape selected in the shapes panel and the view (0: none).
  int32_t Selected() const { return selected_; }
  // Handed every hole dialog right after it shows (tests answer it from here).
  void SetDialogUser(DialogUser user) { dialogUser_ = std::move(user); }

  // What the user's gestures come to; pixels are the view's.
  void DropAt(QPoint pixel);
  void EditAt(QPoint pixel);
  void SelectAt(QPoint pixel);
  void SelectShape(int32_t id);
  void DeleteSelected();
  void Undo();
  void Redo();
  bool Save();
  bool SaveAs();
  void ApplyExtents();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildPanels();
  void BuildActions();
  // Runs a change of the model and shows what it made; errors are shown, not thrown.
  void Change(const std::function<bool(actions::Workspace&)>& change);
  // Shows the model anew: the part (only what changed is cut again), the panels, the title.
  void Refresh();
  void Message(const QString& text);

  std::unique_ptr<Document> doc_;
  partsolid::ShownPart shown_;
  PartView* view_ = nullptr;
  QTreeWidget* catalog_ = nullptr;
  QTreeWidget* shapes_ = nullptr;
  std::array<QDoubleSpinBox*, 3> extents_{};
  QPushButton* applyExtents_ = nullptr;
  QLabel* partNote_ = nullptr;
  QAction *undo_ = nullptr, *redo_ = nullptr, *save_ = nullptr, *delete_ = nullptr;
  int32_t selected_ = 0;
  bool filling_ = false;  // panels being filled from the model: their signals are not the user's
  DialogUser dialogUser_;
};

// `cavix open`: the window on a model file until it is closed. Returns the exit status.
struct WindowOptions {
  std::string model;
  scene::ServiceConfig services;
};
int RunHostWindow(const WindowOptions& options);

}  // namespace cavix::hostwindow
