// The host window of `cavix open`: the part in 3D with every hole cut; the catalogs whose item is
// dragged onto a face to drop a hole there (snapping to the face's points and a grid, one hole or
// a pattern, previewed while the dialog shows); the part's shapes, the selected hole's properties
// and exact position; the part's extents. Double click edits a hole, Delete removes the selected
// ones, every change can be undone, and the model is saved atomically to its file. The File menu
// makes, opens, imports, saves and exports models.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host_window/document.h"
#include "host_window/face_frame.h"
#include "host_window/model_actions.h"
#include "host_window/part_view.h"
#include "part_solid/shown_part.h"

class QAction;
class QDockWidget;
class QDoubleSpinBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace cavix::hostwindow {

class DialogPreview;
class HolePanel;
class PatternPanel;
class PositionPanel;

// The data a catalog entry is dragged with: the catalog's name and the entry's label, one a line.
inline constexpr const char* kCatalogEntryMime = "application/x-cavix-catalog-entry";

// A file the window asks the user for: what for, and the name it suggests. The answer is a path,
// or empty when the user cancelled.
enum class FileQuestion { Open, ImportStep, SaveAs, Export };
using FileAsker = std::function<QString(FileQuestion question, const QString& suggested)>;

// Where a hole dragged to a pixel of the view would go.
struct DropPlace {
  gp_Pnt at;                          // mm, on the face
  gp_Dir inward;                      // into the material
  std::optional<FaceFrame> face;      // the part's own face there (none: a face a hole made)
  SnapKind snapped = SnapKind::None;  // what the point snapped to
};

class HostWindow : public QMainWindow {
 public:
  // Opens the model file and loads the add-in into it with `services` (errors as
  // scene::LoadModel raises them, before any window shows).
  HostWindow(const std::string& path, const scene::ServiceConfig& services,
             QWidget* parent = nullptr);
  // The window on a model already read.
  HostWindow(std::unique_ptr<Document> doc, const scene::ServiceConfig& services,
             QWidget* parent = nullptr);
  ~HostWindow() override;

  Document& Doc() { return *doc_; }
  PartView& View() { return *view_; }
  const partsolid::ShownPart& Shown() const { return shown_; }
  // Whether the part's holes are being cut behind the window (the part shows uncut meanwhile).
  bool Cutting() const { return cutting_ != nullptr; }
  QTreeWidget& CatalogPanel() { return *catalog_; }
  QTreeWidget& ShapesPanel() { return *shapes_; }
  PositionPanel& Positions() { return *position_; }
  HolePanel& HoleProperties() { return *holePanel_; }
  PatternPanel& Patterns() { return *pattern_; }
  QAction& UndoAction() { return *undo_; }
  QAction& RedoAction() { return *redo_; }
  QAction& SaveAction() { return *save_; }
  QAction& DeleteAction() { return *delete_; }
  QAction& SnapAction() { return *snap_; }
  QAction& ExportAction() { return *export_; }
  // The grid a dragged hole snaps to, in the page's unit (0: none).
  QDoubleSpinBox& GridStep() { return *gridStep_; }
  // The shapes selected in the shapes panel and the view, the one shown in the panels first.
  const std::vector<int32_t>& Selection() const { return selection_; }
  int32_t Selected() const { return selection_.empty() ? 0 : selection_.front(); }
  // Handed every hole dialog right after it shows (tests answer it from here).
  void SetDialogUser(DialogUser user) { dialogUser_ = std::move(user); }
  // Asked for every file name (a file dialog unless set; tests answer from here).
  void SetFileAsker(FileAsker asker) { fileAsker_ = std::move(asker); }

  // Where a hole dragged to what the view picked goes, snapped unless snapping is off or `keys`
  // hold Shift; nullopt off the part.
  std::optional<DropPlace> DropPlaceOf(const Pick& pick, Qt::KeyboardModifiers keys = {});

  // What the user's gestures come to; pixels are the view's. A click selects the shape there
  // (with Ctrl it is added to or taken from the selection, with Shift added).
  void DropAt(QPoint pixel, Qt::KeyboardModifiers keys = {});
  void EditAt(QPoint pixel);
  void SelectAt(QPoint pixel, Qt::KeyboardModifiers keys = {});
  void SelectShapes(std::vector<int32_t> ids);
  void SelectShape(int32_t id) {
    SelectShapes(id ? std::vector<int32_t>{id} : std::vector<int32_t>{});
  }
  void EditSelected(bool allLike = false);
  void SelectAllLike();
  void DeleteSelected();
  // The selected holes moved so that the first goes to `to` (mm), the others alike.
  void MoveSelectedTo(const gp_Pnt& to);
  void Undo();
  void Redo();
  void ApplyExtents();

  // The File menu.
  void NewModel();
  bool OpenModel(const QString& path = {});
  bool ImportStep(const QString& path = {});
  bool Save();
  bool SaveAs();
  bool Export(const QString& path = {});
  QStringList RecentFiles() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildPanels();
  void BuildActions();
  void BuildStatusBar();
  // Runs a change of the model and shows what it made; errors are shown, not thrown.
  bool Change(const std::function<bool(actions::Workspace&)>& change);
  // Shows the model anew: the part (only what changed is cut again), the panels, the title.
  void Refresh();
  void ShowSelection();
  // Cuts the whole part on other threads, showing its solid uncut and how far the cut is until
  // it is done; then CutDone shows it.
  void StartCut(const exporter::PartInput& part, const std::vector<partsolid::HoleId>& ids);
  void CutDone();
  void Message(const QString& text);
  // The dialog user for a drop or an edit at these places, seen at `pixel`: the dialog placed
  // beside the pixel, the preview following it, then the tests' user.
  DialogUser DialogFor(QPoint pixel, std::vector<HoleAt> places);
  // Edits hole `id` (and with `allLike` every hole stored alike), its dialog beside `pixel`.
  void Edit(int32_t id, bool allLike, QPoint pixel);
  bool DragOver(QPoint pixel, Qt::KeyboardModifiers keys);
  void Hover(QPoint pixel);
  void ContextMenu(QPoint pixel);
  std::optional<DropPlace> Place(const Pick& pick, Qt::KeyboardModifiers keys);
  // The part's own flat face holding a point (mm), along `normal` (either way).
  std::optional<FaceFrame> PartFaceAt(const gp_Pnt& at, const gp_Dir& normal);
  std::vector<SnapPoint> HoleCentresOn(const FaceFrame& face);
  // Replaces the document (asking to save the one shown first); false when the user kept it.
  bool Replace(std::unique_ptr<Document> doc);
  bool KeepOrSaveChanges();
  QString Ask(FileQuestion question, const QString& suggested);
  void Remember(const std::string& path);
  void FillRecent();
  std::vector<int32_t> SelectedHoles() const;
  // Warns of the design check's errors about holes just made or moved, as a drop does.
  void WarnOfFindings(const std::vector<int32_t>& holes);
  // The error findings of a hole, one line, or "" when it has none.
  QString ErrorsOf(int32_t hole) const;
  // The drop at `pixel`, once the drag is over: `hit` whether it fell on the part, `place` where
  // it goes as the view stood when the user let go.
  void DropOn(QPoint pixel, bool hit, const std::optional<DropPlace>& place);
  // Says in the status bar where a place is, on its face and in the model.
  void SayWhere(const DropPlace& place);

  scene::ServiceConfig services_;
  std::unique_ptr<Document> doc_;
  partsolid::ShownPart shown_;
  struct Cut;
  std::unique_ptr<Cut> cutting_;  // the cut behind the window, if one runs
  QProgressBar* progress_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  // The part's own solid (no hole cut), made again when the part changes.
  exporter::PartInput baseOf_;
  TopoDS_Shape base_;
  std::map<int32_t, ThreadBand> threads_;  // drawn, but for the selected holes' (and faulty)

  PartView* view_ = nullptr;
  QTreeWidget* catalog_ = nullptr;
  QTreeWidget* shapes_ = nullptr;
  PositionPanel* position_ = nullptr;
  HolePanel* holePanel_ = nullptr;
  PatternPanel* pattern_ = nullptr;
  std::array<QDoubleSpinBox*, 3> extents_{};
  QPushButton* applyExtents_ = nullptr;
  QLabel* partNote_ = nullptr;
  QLabel *cursor_ = nullptr, *selectionNote_ = nullptr, *findingsNote_ = nullptr;
  actions::LiveCheck check_;        // the model's, kept up to date hole by hole
  std::vector<Finding> findings_;  // the design check's, as of the last Refresh
  QAction *undo_ = nullptr, *redo_ = nullptr, *save_ = nullptr, *delete_ = nullptr;
  QAction *snap_ = nullptr, *export_ = nullptr, *edit_ = nullptr, *editAllLike_ = nullptr,
          *selectLike_ = nullptr, *move_ = nullptr;
  QDockWidget* positionDock_ = nullptr;
  QDoubleSpinBox* gridStep_ = nullptr;
  QMenu* recent_ = nullptr;
  std::vector<int32_t> selection_;
  bool filling_ = false;  // panels being filled from the model: their signals are not the user's
  DialogUser dialogUser_;
  FileAsker fileAsker_;
  std::unique_ptr<DialogPreview> preview_;
};

// `cavix open`: the window on a model file until it is closed. Returns the exit status.
struct WindowOptions {
  std::string model;
  scene::ServiceConfig services;
};
int RunHostWindow(const WindowOptions& options);

}  // namespace cavix::hostwindow
