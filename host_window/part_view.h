// The 3D view of the part: Open CASCADE's viewer drawing into a QOpenGLWidget. The part is shaded
// with its edges, hole faces in a colour of their own and threads as a band over their bore; the
// left button turns it, the middle button (or Shift and the left) moves it, the wheel zooms at the
// cursor; the face under the cursor is lit. Over the part it draws what the window asks for: a
// see-through preview of holes not made yet, a marker where a dragged hole would go, a hint. What
// a click, a double click or a drop means is the window's business: the view says where it
// happened and what face is there.
#pragma once

#include <AIS_InteractiveContext.hxx>
#include <AIS_Shape.hxx>
#include <QOpenGLWidget>
#include <TopoDS_Face.hxx>
#include <V3d_View.hxx>
#include <V3d_Viewer.hxx>
#include <functional>
#include <gp_Pnt.hxx>
#include <map>
#include <set>
#include <optional>
#include <utility>
#include <vector>

#include "host_window/model_actions.h"
#include "part_solid/shown_part.h"

class QLabel;
class QMimeData;

namespace cavix::hostwindow {

// What lies under a pixel of the view.
struct Pick {
  bool hit = false;
  size_t cell = 0;   // of the shown part
  TopoDS_Face face;  // as the cell's solid holds it
  gp_Pnt point;      // where the line of sight meets the face
};

class PartView : public QOpenGLWidget {
 public:
  explicit PartView(QWidget* parent = nullptr);
  ~PartView() override;
  PartView(const PartView&) = delete;
  PartView& operator=(const PartView&) = delete;

  // Shows `part`: cells that changed since the last call are drawn anew, the others stay. The
  // holes in `faulty` (ids) are drawn in the warning colour.
  void Show(const partsolid::ShownPart& part, const std::set<int32_t>& faulty = {});
  // Forgets every cell drawn, before another model is shown.
  void Clear();
  // The part's solid drawn whole, none of its holes cut, while they are cut elsewhere: nothing of
  // it can be picked. A null shape takes it away (Show does too).
  void ShowUncut(const TopoDS_Shape& solid);
  bool UncutShown() const { return !uncut_.IsNull(); }
  // The threads of the threaded holes, by hole id; bands that did not change stay as drawn.
  void ShowThreads(const std::map<int32_t, ThreadBand>& bands);
  size_t ThreadsShown() const { return threads_.size(); }
  // Solids drawn see-through over the part whatever lies in front of them (the preview of holes
  // not made yet); none takes it away.
  void ShowGhost(const std::vector<TopoDS_Shape>& solids);
  std::vector<TopoDS_Shape> GhostsShown() const;
  // A marker at a point of the part (mm), or none.
  void ShowMarker(const std::optional<gp_Pnt>& at);
  bool MarkerShown() const { return !marker_.IsNull(); }
  // A line of help over the top of the view; "" takes it away.
  void SetHint(const QString& text);
  QString Hint() const;
  // Puts out the light of the face under the cursor, and whether one is lit.
  void ClearHover();
  bool HoverLit() const { return context_->HasDetected(); }
  // Millimetres of the part per pixel of the view, across the line of sight.
  double MmPerPixel() const;
  // The face under a pixel (widget coordinates), lit as the face under the cursor.
  Pick PickAt(QPoint pixel);
  // Where a point of the part is drawn (widget coordinates).
  QPoint PixelOf(const gp_Pnt& point) const;
  // Shows these faces (cell, face) as selected, and nothing else.
  void Select(const std::vector<std::pair<size_t, TopoDS_Shape>>& faces);

  // The whole part in sight, and the standard views (V3d_Zpos from the top, V3d_Yneg from the
  // front, ..., V3d_XposYnegZpos the isometric one).
  void FitAll();
  void SetProjection(V3d_TypeOfOrientation orientation);

  // Set by the window. A drag is taken when `accepts` says its data is a catalog entry; `dropped`
  // runs inside the drop, so what it opens modally it opens once the drop is over.
  // `draggedOver` is told where the drag is (and which keys are held) and says whether a drop
  // there is taken; `dragLeft` that the drag went away.
  std::function<bool(const QMimeData&)> accepts;
  std::function<bool(QPoint, Qt::KeyboardModifiers)> draggedOver;
  std::function<void()> dragLeft;
  std::function<void(QPoint, Qt::KeyboardModifiers)> dropped;
  std::function<void(QPoint, Qt::KeyboardModifiers)> clicked;
  std::function<void(QPoint)> doubleClicked;
  std::function<void(QPoint)> contextMenu;
  // The cursor moved with no button held (the face under it is lit already).
  std::function<void(QPoint)> hovered;

  // False when the OpenGL context could not be wrapped: nothing is drawn.
  bool Ready() const { return ready_; }
  const Handle(V3d_View) & View() const { return view_; }

 protected:
  void initializeGL() override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // A cell as drawn: its faces (selectable by face) and its edges.
  struct CellPrs {
    uint64_t version = 0;
    Handle(AIS_Shape) faces, edges;
  };
  // Widget coordinates to the viewer's pixels.
  Graphic3d_Vec2i Device(QPoint p) const;

  Handle(V3d_Viewer) viewer_;
  Handle(V3d_View) view_;
  Handle(AIS_InteractiveContext) context_;
  std::vector<CellPrs> cells_;
  struct ThreadPrs {
    ThreadBand band;
    Handle(AIS_Shape) shape;
  };
  std::map<int32_t, ThreadPrs> threads_;
  std::vector<Handle(AIS_Shape)> ghosts_;
  Handle(AIS_Shape) uncut_;
  Handle(AIS_InteractiveObject) marker_;
  QLabel* hint_ = nullptr;
  std::map<const SelectMgr_SelectableObject*, size_t> cellOf_;
  std::set<int32_t> faulty_;  // the holes drawn in the warning colour
  bool ready_ = false;
  bool fitted_ = false;
  QPoint pressAt_, lastAt_;
  bool dragging_ = false;
};

}  // namespace cavix::hostwindow
