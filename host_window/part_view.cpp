// Open CASCADE's viewer in a QOpenGLWidget: the widget's context and framebuffer are wrapped for
// the viewer, which then draws into them as into its own window.

// The kernel's OpenGL headers go before Qt's, which would otherwise declare GL first.
// clang-format off
#include <OpenGl_Context.hxx>
#include <OpenGl_FrameBuffer.hxx>
#include <OpenGl_GraphicDriver.hxx>
// clang-format on

#include "host_window/part_view.h"

#include <algorithm>
#include <iterator>

#include <AIS_ColoredShape.hxx>
#include <AIS_Point.hxx>
#include <Aspect_DisplayConnection.hxx>
#include <Aspect_NeutralWindow.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <Geom_CartesianPoint.hxx>
#include <Graphic3d_MaterialAspect.hxx>
#include <Prs3d_Drawer.hxx>
#include <Prs3d_LineAspect.hxx>
#include <Prs3d_PointAspect.hxx>
#include <Prs3d_ShadingAspect.hxx>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>
#include <Select3D_SensitiveEntity.hxx>
#include <SelectMgr_EntityOwner.hxx>
#include <SelectMgr_Selection.hxx>
#include <SelectMgr_SensitiveEntity.hxx>
#include <SelectMgr_ViewerSelector.hxx>
#include <StdSelect_BRepOwner.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <V3d_AmbientLight.hxx>
#include <V3d_DirectionalLight.hxx>
#include <cmath>

namespace cavix::hostwindow {

namespace {

constexpr int kFaceSelection = 4;  // AIS_Shape::SelectionMode(TopAbs_FACE)
constexpr int kClickSlack = 3;     // pixels a click may move and still be a click

Quantity_Color Rgb(double r, double g, double b) {
  return Quantity_Color(r, g, b, Quantity_TOC_RGB);
}

// The part's faces, the holes' own faces, the threads over their bores, the preview of holes not
// made yet, and the marker of a dragged hole's place.
const Quantity_Color kPartColour = Rgb(0.70, 0.73, 0.77);
const Quantity_Color kHoleColour = Rgb(0.85, 0.72, 0.45);
const Quantity_Color kThreadColour = Rgb(0.35, 0.45, 0.85);
const Quantity_Color kFaultColour = Rgb(0.90, 0.22, 0.18);  // a hole the design check faults
const Quantity_Color kGhostColour = Rgb(0.10, 0.75, 0.35);
const Quantity_Color kMarkerColour = Rgb(0.85, 0.10, 0.10);

// A matt surface: lit faces keep their colour instead of turning white where they face the
// light, so faces at different angles keep different shades.
Graphic3d_MaterialAspect Matt(const Quantity_Color& colour) {
  Graphic3d_MaterialAspect m(Graphic3d_NameOfMaterial_UserDefined);
  m.SetAmbientColor(Rgb(colour.Red() * 0.75, colour.Green() * 0.75, colour.Blue() * 0.75));
  m.SetDiffuseColor(colour);
  m.SetSpecularColor(Quantity_Color(Quantity_NOC_GRAY20));
  m.SetShininess(0.15f);
  return m;
}

}  // namespace

PartView::PartView(QWidget* parent) : QOpenGLWidget(parent) {
  Handle(Aspect_DisplayConnection) display = new Aspect_DisplayConnection();
  Handle(OpenGl_GraphicDriver) driver = new OpenGl_GraphicDriver(display, Standard_False);
  // Qt owns the context and swaps the buffers; the viewer draws into Qt's framebuffer.
  driver->ChangeOptions().buffersNoSwap = Standard_True;
  driver->ChangeOptions().buffersOpaqueAlpha = Standard_True;
  driver->ChangeOptions().useSystemBuffer = Standard_False;

  viewer_ = new V3d_Viewer(driver);
  // A light that moves with the eye but comes from over its right shoulder, not from the eye
  // itself: the faces a view shows at different angles get different shades (lit along the line
  // of sight, the top, front and right faces of a box seen isometrically would all look the
  // same). In the eye's frame (x right, y up, z towards the eye) it shines along -0.18, -0.34,
  // -0.90: seen isometrically the top of a box gets about 0.8 of it, the right face 0.5 and the
  // front 0.25.
  Handle(V3d_DirectionalLight) key = new V3d_DirectionalLight(gp_Dir(-0.18, -0.34, -0.90));
  key->SetHeadlight(Standard_True);
  key->SetIntensity(1.0f);
  viewer_->AddLight(key);
  viewer_->AddLight(new V3d_AmbientLight(Quantity_Color(Quantity_NOC_WHITE)));
  viewer_->SetLightOn();
  context_ = new AIS_InteractiveContext(viewer_);
  context_->SetAutomaticHilight(Standard_True);
  // The face under the cursor lit blue, the selected shape's faces orange, both filled (a shape
  // is lit by its outline otherwise).
  const std::pair<Prs3d_TypeOfHighlight, Quantity_Color> lights[] = {
      {Prs3d_TypeOfHighlight_LocalDynamic, Quantity_Color(0.25, 0.6, 1.0, Quantity_TOC_RGB)},
      {Prs3d_TypeOfHighlight_LocalSelected, Quantity_Color(1.0, 0.55, 0.1, Quantity_TOC_RGB)}};
  for (const auto& [type, colour] : lights) {
    context_->HighlightStyle(type)->SetColor(colour);
    context_->HighlightStyle(type)->SetDisplayMode(AIS_Shaded);
  }

  view_ = viewer_->CreateView();
  view_->SetImmediateUpdate(Standard_False);
  view_->SetBgGradientColors(Quantity_Color(0.93, 0.94, 0.96, Quantity_TOC_RGB),
                             Quantity_Color(0.70, 0.74, 0.80, Quantity_TOC_RGB), Aspect_GFM_VER,
                             Standard_False);
  view_->TriedronDisplay(Aspect_TOTP_LEFT_LOWER, Quantity_NOC_GRAY20, 0.08, V3d_ZBUFFER);
  view_->SetProj(V3d_XposYnegZpos);

  QSurfaceFormat format;
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(8);
  format.setVersion(4, 5);
  format.setProfile(QSurfaceFormat::CoreProfile);
  setFormat(format);
  setMouseTracking(true);
  setAcceptDrops(true);
  setFocusPolicy(Qt::StrongFocus);
  setUpdateBehavior(QOpenGLWidget::NoPartialUpdate);
  setMinimumSize(320, 240);

  hint_ = new QLabel(this);
  hint_->setObjectName("viewHint");
  hint_->setAlignment(Qt::AlignCenter);
  hint_->setStyleSheet(
      "QLabel { background: rgba(255, 255, 255, 210); color: #203040; border-radius: 6px;"
      " padding: 8px 14px; font-size: 13pt; }");
  hint_->setAttribute(Qt::WA_TransparentForMouseEvents);
  hint_->hide();
}

PartView::~PartView() {
  // The display connection must outlive the viewer until Qt's context is current again.
  Handle(Aspect_DisplayConnection) display = viewer_->Driver()->GetDisplayConnection();
  context_->RemoveAll(Standard_False);
  context_.Nullify();
  view_->Remove();
  view_.Nullify();
  viewer_.Nullify();
  makeCurrent();
  display.Nullify();
}

Graphic3d_Vec2i PartView::Device(QPoint p) const {
  const double ratio = devicePixelRatioF();
  return Graphic3d_Vec2i(static_cast<int>(std::lround(p.x() * ratio)),
                         static_cast<int>(std::lround(p.y() * ratio)));
}

void PartView::initializeGL() {
  const Graphic3d_Vec2i size = Device(QPoint(width(), height()));
  Handle(OpenGl_Context) gl = new OpenGl_Context();
  if (!gl->Init(Standard_True)) {
    ready_ = false;
    return;
  }
  Handle(Aspect_NeutralWindow) window = Handle(Aspect_NeutralWindow)::DownCast(view_->Window());
  if (window.IsNull()) {
    window = new Aspect_NeutralWindow();
    window->SetNativeHandle(static_cast<Aspect_Drawable>(this->window()->winId()));
  }
  window->SetSize(size.x(), size.y());
  view_->SetWindow(window, gl->RenderingContext());
  ready_ = true;
}

void PartView::paintGL() {
  if (!ready_ || view_->Window().IsNull()) return;
  Handle(OpenGl_GraphicDriver) driver = Handle(OpenGl_GraphicDriver)::DownCast(viewer_->Driver());
  const Handle(OpenGl_Context)& gl = driver->GetSharedContext();
  Handle(OpenGl_FrameBuffer) fbo = gl->DefaultFrameBuffer();
  if (fbo.IsNull()) {
    fbo = new OpenGl_FrameBuffer();
    gl->SetDefaultFrameBuffer(fbo);
  }
  if (!fbo->InitWrapper(gl)) {
    ready_ = false;
    return;
  }
  Handle(Aspect_NeutralWindow) window = Handle(Aspect_NeutralWindow)::DownCast(view_->Window());
  Graphic3d_Vec2i old;
  window->Size(old.x(), old.y());
  const Graphic3d_Vec2i now(fbo->GetVPSizeX(), fbo->GetVPSizeY());
  if (now != old) {
    window->SetSize(now.x(), now.y());
    view_->MustBeResized();
    view_->Invalidate();
  }
  if (!fitted_ && (!cells_.empty() || !uncut_.IsNull())) {
    view_->FitAll(0.05, Standard_False);
    fitted_ = true;
  }
  view_->InvalidateImmediate();
  view_->Redraw();
}

void PartView::Show(const partsolid::ShownPart& part, const std::set<int32_t>& faulty) {
  ShowUncut({});
  const std::vector<partsolid::Cell>& cells = part.Cells();
  // A hole whose fault came or went is drawn anew with its cells.
  std::set<int32_t> changed;
  std::set_symmetric_difference(faulty.begin(), faulty.end(), faulty_.begin(), faulty_.end(),
                                std::inserter(changed, changed.end()));
  faulty_ = faulty;
  for (size_t i = cells.size(); i < cells_.size(); ++i) {
    if (!cells_[i].faces.IsNull()) context_->Remove(cells_[i].faces, Standard_False);
    if (!cells_[i].edges.IsNull()) context_->Remove(cells_[i].edges, Standard_False);
  }
  cells_.resize(cells.size());
  for (size_t i = 0; i < cells.size(); ++i) {
    CellPrs& prs = cells_[i];
    const bool refault = std::any_of(
        cells[i].holes.begin(), cells[i].holes.end(),
        [&changed](partsolid::HoleId h) { return changed.count(static_cast<int32_t>(h)) > 0; });
    if (prs.version == cells[i].version && !prs.faces.IsNull() && !refault) continue;
    if (!prs.faces.IsNull()) context_->Remove(prs.faces, Standard_False);
    if (!prs.edges.IsNull()) context_->Remove(prs.edges, Standard_False);
    prs = {cells[i].version, nullptr, nullptr};
    if (cells[i].shape.IsNull()) continue;

    Handle(AIS_ColoredShape) faces = new AIS_ColoredShape(cells[i].shape);
    prs.faces = faces;
    const Handle(Prs3d_Drawer)& look = faces->Attributes();
    look->SetAutoTriangulation(Standard_False);  // the cells come meshed
    look->SetFaceBoundaryDraw(Standard_False);   // their edges are drawn apart, without seams
    faces->SetMaterial(Matt(kPartColour));
    faces->SetColor(kPartColour);
    // The faces lie a little behind where they are, so that lit faces, edges and threads show
    // over them.
    look->ShadingAspect()->Aspect()->SetPolygonOffsets(Aspect_POM_Fill, 1.0, 4.0);
    for (TopExp_Explorer ex(cells[i].shape, TopAbs_FACE); ex.More(); ex.Next())
      if (const std::optional<partsolid::HoleId> hole = part.HoleOf(i, ex.Current())) {
        const Quantity_Color& colour =
            faulty.count(static_cast<int32_t>(*hole)) ? kFaultColour : kHoleColour;
        Handle(AIS_ColoredDrawer) own = faces->CustomAspects(ex.Current());
        own->SetShadingAspect(new Prs3d_ShadingAspect());
        own->ShadingAspect()->SetMaterial(Matt(colour));
        own->ShadingAspect()->SetColor(colour);
        own->ShadingAspect()->Aspect()->SetPolygonOffsets(Aspect_POM_Fill, 1.0, 4.0);
      }
    // The face selection mode goes with Display: activated afterwards, picking stays off.
    context_->Display(prs.faces, AIS_Shaded, kFaceSelection, Standard_False);

    prs.edges = new AIS_Shape(cells[i].edges);
    prs.edges->Attributes()->SetAutoTriangulation(Standard_False);
    prs.edges->SetColor(Quantity_NOC_BLACK);
    prs.edges->SetWidth(1);
    context_->Display(prs.edges, AIS_WireFrame, -1, Standard_False);
  }
  cellOf_.clear();
  for (size_t i = 0; i < cells_.size(); ++i)
    if (!cells_[i].faces.IsNull()) cellOf_[cells_[i].faces.get()] = i;
  update();
}

void PartView::ShowUncut(const TopoDS_Shape& solid) {
  if (!uncut_.IsNull()) context_->Remove(uncut_, Standard_False);
  uncut_.Nullify();
  if (!solid.IsNull()) {
    uncut_ = new AIS_Shape(solid);
    uncut_->SetMaterial(Matt(kPartColour));
    uncut_->SetColor(kPartColour);
    uncut_->Attributes()->SetFaceBoundaryDraw(Standard_True);
    uncut_->Attributes()->FaceBoundaryAspect()->SetColor(Quantity_NOC_BLACK);
    context_->Display(uncut_, AIS_Shaded, -1, Standard_False);
  }
  update();
}

void PartView::Clear() {
  ShowUncut({});
  for (CellPrs& prs : cells_) {
    if (!prs.faces.IsNull()) context_->Remove(prs.faces, Standard_False);
    if (!prs.edges.IsNull()) context_->Remove(prs.edges, Standard_False);
  }
  cells_.clear();
  cellOf_.clear();
  ShowThreads({});
  ShowGhost({});
  ShowMarker(std::nullopt);
  fitted_ = false;
  update();
}

void PartView::ShowThreads(const std::map<int32_t, ThreadBand>& bands) {
  for (auto it = threads_.begin(); it != threads_.end();) {
    const auto now = bands.find(it->first);
    if (now != bands.end() && now->second == it->second.band) {
      ++it;
      continue;
    }
    context_->Remove(it->second.shape, Standard_False);
    it = threads_.erase(it);
  }
  for (const auto& [id, band] : bands) {
    if (threads_.count(id) || !(band.radius > 0) || !(band.length > 0)) continue;
    // The bore's own wall over the thread's length: drawn over the hole's face, which lies a
    // little behind (see Show).
    const gp_Pnt start(band.start.x, band.start.y, band.start.z);
    const gp_Dir axis(band.axis.x, band.axis.y, band.axis.z);
    BRepPrimAPI_MakeCylinder wall(gp_Ax2(start, axis), band.radius, band.length);
    Handle(AIS_Shape) shape = new AIS_Shape(wall.Face());
    shape->Attributes()->SetFaceBoundaryDraw(Standard_False);
    shape->SetMaterial(Matt(kThreadColour));
    shape->SetColor(kThreadColour);
    context_->Display(shape, AIS_Shaded, -1, Standard_False);
    threads_[id] = {band, shape};
  }
  update();
}

void PartView::ShowGhost(const std::vector<TopoDS_Shape>& solids) {
  for (const Handle(AIS_Shape) & g : ghosts_) context_->Remove(g, Standard_False);
  ghosts_.clear();
  for (const TopoDS_Shape& solid : solids) {
    Handle(AIS_Shape) g = new AIS_Shape(solid);
    g->SetMaterial(Matt(kGhostColour));
    g->SetColor(kGhostColour);
    g->SetTransparency(0.45);
    g->Attributes()->SetFaceBoundaryDraw(Standard_False);
    // Over everything: the hole to come lies inside the part.
    g->SetZLayer(Graphic3d_ZLayerId_Topmost);
    context_->Display(g, AIS_Shaded, -1, Standard_False);
    ghosts_.push_back(g);
  }
  update();
}

std::vector<TopoDS_Shape> PartView::GhostsShown() const {
  std::vector<TopoDS_Shape> solids;
  for (const Handle(AIS_Shape) & g : ghosts_) solids.push_back(g->Shape());
  return solids;
}

void PartView::ShowMarker(const std::optional<gp_Pnt>& at) {
  if (!marker_.IsNull()) context_->Remove(marker_, Standard_False);
  marker_.Nullify();
  if (at) {
    Handle(AIS_Point) point = new AIS_Point(new Geom_CartesianPoint(*at));
    point->Attributes()->SetPointAspect(new Prs3d_PointAspect(Aspect_TOM_RING1, kMarkerColour, 3));
    point->SetZLayer(Graphic3d_ZLayerId_Topmost);
    context_->Display(point, 0, -1, Standard_False);
    marker_ = point;
  }
  update();
}

void PartView::SetHint(const QString& text) {
  hint_->setText(text);
  hint_->setVisible(!text.isEmpty());
  hint_->adjustSize();
  hint_->move((width() - hint_->width()) / 2, 16);
}

QString PartView::Hint() const { return hint_->isVisible() ? hint_->text() : QString(); }

void PartView::resizeEvent(QResizeEvent* event) {
  QOpenGLWidget::resizeEvent(event);
  hint_->move((width() - hint_->width()) / 2, 16);
}

void PartView::ClearHover() {
  context_->ClearDetected(Standard_False);
  update();
}

double PartView::MmPerPixel() const {
  // Two pixels a hundred apart, taken back into the view's plane.
  double x0 = 0, y0 = 0, z0 = 0, x1 = 0, y1 = 0, z1 = 0;
  const Graphic3d_Vec2i a = Device(QPoint(0, 0)), b = Device(QPoint(100, 0));
  view_->Convert(a.x(), a.y(), x0, y0, z0);
  view_->Convert(b.x(), b.y(), x1, y1, z1);
  return gp_Pnt(x0, y0, z0).Distance(gp_Pnt(x1, y1, z1)) / 100;
}

Pick PartView::PickAt(QPoint pixel) {
  Pick pick;
  if (view_->Window().IsNull()) return pick;
  const Graphic3d_Vec2i at = Device(pixel);
  context_->MoveTo(at.x(), at.y(), view_, Standard_False);
  update();
  if (!context_->HasDetected()) return pick;
  Handle(StdSelect_BRepOwner) owner =
      Handle(StdSelect_BRepOwner)::DownCast(context_->DetectedOwner());
  if (owner.IsNull() || !owner->HasShape() || owner->Shape().ShapeType() != TopAbs_FACE)
    return pick;
  const auto cell = cellOf_.find(owner->Selectable().get());
  if (cell == cellOf_.end()) return pick;
  const Handle(SelectMgr_ViewerSelector)& selector = context_->MainSelector();
  if (selector->NbPicked() < 1) return pick;
  pick.hit = true;
  pick.cell = cell->second;
  pick.face = TopoDS::Face(owner->Shape());
  pick.point = selector->PickedPoint(1);
  return pick;
}

QPoint PartView::PixelOf(const gp_Pnt& point) const {
  Standard_Integer x = 0, y = 0;
  view_->Convert(point.X(), point.Y(), point.Z(), x, y);
  const double ratio = devicePixelRatioF();
  return {static_cast<int>(std::lround(x / ratio)), static_cast<int>(std::lround(y / ratio))};
}

void PartView::Select(const std::vector<std::pair<size_t, TopoDS_Shape>>& faces) {
  context_->ClearSelected(Standard_False);
  for (const auto& [cell, face] : faces) {
    if (cell >= cells_.size() || cells_[cell].faces.IsNull()) continue;
    const Handle(SelectMgr_Selection)& selection = cells_[cell].faces->Selection(kFaceSelection);
    if (selection.IsNull()) continue;
    for (const Handle(SelectMgr_SensitiveEntity) & entity : selection->Entities()) {
      Handle(StdSelect_BRepOwner) owner =
          Handle(StdSelect_BRepOwner)::DownCast(entity->BaseSensitive()->OwnerId());
      if (!owner.IsNull() && owner->Shape().IsSame(face)) {
        context_->AddOrRemoveSelected(owner, Standard_False);
        break;
      }
    }
  }
  update();
}

void PartView::FitAll() {
  view_->FitAll(0.05, Standard_False);
  update();
}

void PartView::SetProjection(V3d_TypeOfOrientation orientation) {
  view_->SetProj(orientation);
  FitAll();
}

// ---- mouse ----

void PartView::mousePressEvent(QMouseEvent* event) {
  pressAt_ = lastAt_ = event->position().toPoint();
  dragging_ = false;
  const Graphic3d_Vec2i at = Device(pressAt_);
  if (event->button() == Qt::LeftButton && !(event->modifiers() & Qt::ShiftModifier))
    view_->StartRotation(at.x(), at.y());
}

void PartView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint now = event->position().toPoint();
  if (event->buttons() == Qt::NoButton) {
    PickAt(now);  // lights the face under the cursor
    if (hovered) hovered(now);
    return;
  }
  if ((now - pressAt_).manhattanLength() > kClickSlack) dragging_ = true;
  if (!dragging_) return;
  const Graphic3d_Vec2i at = Device(now), last = Device(lastAt_);
  const bool pan =
      (event->buttons() & Qt::MiddleButton) ||
      ((event->buttons() & Qt::LeftButton) && (event->modifiers() & Qt::ShiftModifier));
  if (pan)
    view_->Pan(at.x() - last.x(), last.y() - at.y());
  else if (event->buttons() & Qt::LeftButton)
    view_->Rotation(at.x(), at.y());
  else if (event->buttons() & Qt::RightButton)
    view_->Zoom(last.x(), last.y(), at.x(), at.y());
  lastAt_ = now;
  update();
}

void PartView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (!dragging_ && event->button() == Qt::LeftButton && clicked) clicked(at, event->modifiers());
  // A right click that did not zoom asks for the menu of what lies there.
  if (!dragging_ && event->button() == Qt::RightButton && contextMenu)
    QTimer::singleShot(0, this, [this, at] { contextMenu(at); });
  dragging_ = false;
}

void PartView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !doubleClicked) return;
  const QPoint at = event->position().toPoint();
  // The edit dialog is modal: it runs after this event, not inside it.
  QTimer::singleShot(0, this, [this, at] { doubleClicked(at); });
}

void PartView::wheelEvent(QWheelEvent* event) {
  const Graphic3d_Vec2i at = Device(event->position().toPoint());
  const int step = event->angleDelta().y() / 8;
  view_->StartZoomAtPoint(at.x(), at.y());
  view_->ZoomAtPoint(at.x(), at.y(), at.x() + step, at.y() + step);
  update();
}

// ---- drag and drop ----

void PartView::dragEnterEvent(QDragEnterEvent* event) {
  if (!accepts || !accepts(*event->mimeData())) return;
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void PartView::dragMoveEvent(QDragMoveEvent* event) {
  const QPoint at = event->position().toPoint();
  const bool taken = draggedOver ? draggedOver(at, event->modifiers()) : PickAt(at).hit;
  if (!taken) {
    event->ignore();
    return;
  }
  // A copy whatever keys are held: a held key says how to place the hole, not what to do with
  // the catalog entry.
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void PartView::dragLeaveEvent(QDragLeaveEvent* /*event*/) {
  if (dragLeft) dragLeft();
}

void PartView::dropEvent(QDropEvent* event) {
  if (!accepts || !accepts(*event->mimeData()) || !dropped) return;
  event->setDropAction(Qt::CopyAction);
  event->accept();
  dropped(event->position().toPoint(), event->modifiers());
}

}  // namespace cavix::hostwindow
