// What the window's gestures do: a catalog entry dragged over a face (where the hole would go,
// snapped), dropped (one hole or a pattern, previewed while the dialog shows), clicks and double
// clicks on holes, their context menu, moving and deleting the selection.
#include <BRepAdaptor_Surface.hxx>
#include <BRepClass3d_SolidClassifier.hxx>
#include <ElSLib.hxx>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <Standard_Failure.hxx>
#include <gp_Pln.hxx>

#include "dialog/dialog_form.h"
#include "forms/qt/form_view.h"
#include "host_window/host_window.h"
#include "host_window/pattern_panel.h"
#include "host_window/position_panel.h"
#include "host_window/preview.h"
#include "host_window/window_text.h"

namespace cavix::hostwindow {

namespace {

// The shape id of the hole whose face was picked; 0 (no shape has it) for the part's own faces
// and for a pick that hit nothing.
int32_t PickedHole(const partsolid::ShownPart& shown, const Pick& pick) {
  if (!pick.hit) return 0;
  const std::optional<partsolid::HoleId> hole = shown.HoleOf(pick.cell, pick.face);
  return hole ? static_cast<int32_t>(*hole) : 0;
}

// How near (in pixels) a dragged hole must come to a point of the face to snap to it.
constexpr double kSnapReach = 8;
// How far from the point a dialog opens for stays (pixels).
constexpr int kDialogClearance = 48;

// -0 written as 0: the axis is stored and shown as people write it.
double Clean(double v) { return v + 0.0; }

QString SnapWord(SnapKind kind) {
  switch (kind) {
    case SnapKind::Grid:
      return QObject::tr("on the grid");
    case SnapKind::Centre:
      return QObject::tr("at the face's centre");
    case SnapKind::Midpoint:
      return QObject::tr("at an edge's midpoint");
    case SnapKind::Corner:
      return QObject::tr("at a corner");
    case SnapKind::Hole:
      return QObject::tr("at a hole's centre");
    case SnapKind::None:
      break;
  }
  return {};
}

// Puts a dialog window beside `keep` (global pixels: the drop point and the holes to come),
// never over it: to its right if it fits on the screen, else to its left, below or above.
void PlaceBeside(QWidget& dialog, QRect keep) {
  QRect frame = dialog.frameGeometry();
  const QRect clear =
      keep.adjusted(-kDialogClearance, -kDialogClearance, kDialogClearance, kDialogClearance);
  if (!frame.intersects(clear)) return;
  QScreen* screen = QGuiApplication::screenAt(keep.center());
  const QRect room = (screen ? screen : dialog.screen())->availableGeometry();
  const int w = frame.width(), h = frame.height();
  const int midY =
      std::clamp(keep.center().y() - h / 2, room.top(), std::max(room.top(), room.bottom() - h));
  const int midX =
      std::clamp(keep.center().x() - w / 2, room.left(), std::max(room.left(), room.right() - w));
  const QPoint tries[] = {{clear.right() + 1, midY},
                          {clear.left() - w, midY},
                          {midX, clear.bottom() + 1},
                          {midX, clear.top() - h}};
  for (const QPoint& at : tries) {
    frame.moveTopLeft(at);
    if (room.contains(frame) && !frame.intersects(clear)) {
      dialog.move(at);
      return;
    }
  }
  dialog.move(tries[0]);
}

}  // namespace

// ---- where a dragged hole goes ----

std::optional<FaceFrame> HostWindow::PartFaceAt(const gp_Pnt& at, const gp_Dir& normal) {
  if (base_.IsNull()) return std::nullopt;
  try {
    return FaceAt(base_, at, normal);
  } catch (const Standard_Failure&) {
    return std::nullopt;  // a face the kernel cannot measure: no frame, model coordinates only
  }
}

std::vector<SnapPoint> HostWindow::HoleCentresOn(const FaceFrame& face) {
  std::vector<SnapPoint> centres;
  scene::Scene& model = doc_->Model();
  for (const ShapeRow& row : Shapes(model)) {
    if (!row.hole) continue;
    const HoleAt at = PlaceOf(model, row.id);
    const gp_Pnt p(at.position.x, at.position.y, at.position.z);
    if (face.OnPlane(p) && gp_Dir(at.axis.x, at.axis.y, at.axis.z).IsEqual(face.Inward(), 1e-9))
      centres.push_back({face.ToFace(p), SnapKind::Hole});
  }
  return centres;
}

std::optional<DropPlace> HostWindow::DropPlaceOf(const Pick& pick,
                                                 Qt::KeyboardModifiers keys) {
  try {
    return Place(pick, keys);
  } catch (const Standard_Failure&) {
    return std::nullopt;  // a face the kernel cannot measure takes no hole
  }
}

std::optional<DropPlace> HostWindow::Place(const Pick& pick, Qt::KeyboardModifiers keys) {
  if (!pick.hit) return std::nullopt;
  BRepAdaptor_Surface surface(pick.face, Standard_False);
  if (surface.GetType() != GeomAbs_Plane) return std::nullopt;
  // The point on the face's plane, not on its mesh.
  const gp_Pln plane = surface.Plane();
  double u = 0, v = 0;
  ElSLib::Parameters(plane, pick.point, u, v);
  const gp_Pnt at = ElSLib::Value(u, v, plane);
  DropPlace place{gp_Pnt(Clean(at.X()), Clean(at.Y()), Clean(at.Z())), plane.Axis().Direction(),
                  PartFaceAt(at, plane.Axis().Direction()), SnapKind::None};
  if (place.face) {
    place.inward = place.face->Inward();
  } else {
    // A flat face a hole made (a counterbore's floor): the material is where a step along the
    // normal stays inside the solid shown.
    const TopoDS_Shape& solid = shown_.Cells()[pick.cell].shape;
    constexpr double kStep = 1e-3;
    BRepClass3d_SolidClassifier probe(solid, at.Translated(gp_Vec(place.inward) * kStep), 1e-7);
    if (probe.State() != TopAbs_IN) place.inward.Reverse();
  }
  place.inward = gp_Dir(Clean(place.inward.X()), Clean(place.inward.Y()), Clean(place.inward.Z()));
  if (place.face && snap_->isChecked() && !(keys & Qt::ShiftModifier)) {
    std::vector<SnapPoint> points = place.face->Features();
    for (const SnapPoint& p : HoleCentresOn(*place.face)) points.push_back(p);
    const double step = gridStep_->value() * UnitOf(doc_->Model()).mm;
    const SnapPoint snapped =
        Snap(*place.face, place.face->ToFace(at), points, kSnapReach * view_->MmPerPixel(), step);
    if (snapped.kind != SnapKind::None) {
      const gp_Pnt p = place.face->ToModel(snapped.at);
      place.at = gp_Pnt(Exact(p.X()), Exact(p.Y()), Exact(p.Z()));
      place.snapped = snapped.kind;
    }
  }
  return place;
}

void HostWindow::SayWhere(const DropPlace& place) {
  const LengthUnit unit = UnitOf(doc_->Model());
  const gp_Pnt& p = place.at;
  QString text = tr("model %1, %2, %3 %4")
                     .arg(Length(p.X() / unit.mm), Length(p.Y() / unit.mm), Length(p.Z() / unit.mm),
                          unit.name);
  if (place.face) {
    const gp_Pnt2d d =
        place.face->Measure(place.face->ToFace(p), place.face->LeftLine(), place.face->LowerLine());
    text = tr("face X %1, Y %2 %3 (from its left and lower edges) \u00b7 ")
               .arg(Length(d.X() / unit.mm), Length(d.Y() / unit.mm), unit.name) +
           text;
  }
  if (place.snapped != SnapKind::None) text += " \u00b7 " + SnapWord(place.snapped);
  cursor_->setText(text);
}

bool HostWindow::DragOver(QPoint pixel, Qt::KeyboardModifiers keys) {
  const Pick pick = view_->PickAt(pixel);
  const std::optional<DropPlace> place = DropPlaceOf(pick, keys);
  view_->ShowMarker(place ? std::optional<gp_Pnt>(place->at) : std::nullopt);
  if (!place) {
    cursor_->clear();
    return pick.hit;  // a curved face takes the drop, to say why it cannot
  }
  SayWhere(*place);
  return true;
}

void HostWindow::Hover(QPoint pixel) {
  const Pick pick = view_->PickAt(pixel);
  const std::optional<DropPlace> place = DropPlaceOf(pick, Qt::ShiftModifier);
  if (place)
    SayWhere(*place);
  else
    cursor_->clear();
  // A faulty hole under the cursor says what is wrong with it.
  if (const int32_t id = PickedHole(shown_, pick))
    if (const QString errors = ErrorsOf(id); !errors.isEmpty()) statusBar()->showMessage(errors);
}

QString HostWindow::ErrorsOf(int32_t hole) const {
  QStringList errors;
  for (const Finding& f : findings_)
    if (f.error && f.hole == hole) errors << Text(f.text);
  return errors.isEmpty() ? QString() : tr("#%1: %2").arg(hole).arg(errors.join("; "));
}

// ---- drops and edits ----

DialogUser HostWindow::DialogFor(QPoint pixel, std::vector<HoleAt> places) {
  return [this, pixel, places](qtview::FormView& form) {
    QRect keep(view_->mapToGlobal(pixel), QSize(1, 1));
    for (const HoleAt& p : places)
      keep |= QRect(
          view_->mapToGlobal(view_->PixelOf(gp_Pnt(p.position.x, p.position.y, p.position.z))),
          QSize(1, 1));
    PlaceBeside(form, keep);
    if (auto* d = dynamic_cast<dialog::Dialog*>(&form.Model()))
      preview_ = std::make_unique<DialogPreview>(
          *d, places,
          [this](const std::vector<TopoDS_Shape>& solids) { view_->ShowGhost(solids); });
    if (dialogUser_) dialogUser_(form);
  };
}

void HostWindow::DropAt(QPoint pixel, Qt::KeyboardModifiers keys) {
  view_->ShowMarker(std::nullopt);
  // Where the user let go, as the view stood then: the dialog opens once the drag is over, and
  // by then the window may have laid itself out anew (a panel grown by a longer text) and the
  // same pixel show another point of the part.
  const Pick pick = view_->PickAt(pixel);
  const std::optional<DropPlace> place = DropPlaceOf(pick, keys);
  QTimer::singleShot(0, this, [this, pixel, hit = pick.hit, place] { DropOn(pixel, hit, place); });
}

void HostWindow::DropOn(QPoint pixel, bool hit, const std::optional<DropPlace>& place) {
  if (!hit) {
    statusBar()->showMessage(cutting_ ? tr("The holes are being cut: drop once they show.")
                                      : tr("Drop the hole on a face of the part."));
    return;
  }
  if (!place) {
    Message(tr("Holes are drilled into flat faces; this face is curved."));
    return;
  }
  const scene::Vec3 centre{place->at.X(), place->at.Y(), place->at.Z()};
  const scene::Vec3 axis{place->inward.X(), place->inward.Y(), place->inward.Z()};
  std::vector<actions::Placement> at;
  try {
    at = pattern_->Around(centre, axis);
  } catch (const std::exception& e) {
    Message(ErrorText(e));
    return;
  }
  std::vector<HoleAt> places;
  for (const actions::Placement& p : at) places.push_back({p.position, p.normal});
  // While the dialog shows, the preview is what is lit, not the face it goes into.
  view_->ClearHover();
  std::vector<int32_t> placed;
  const bool made = Change([&](actions::Workspace& work) {
    return DropOnFace(work, at, DialogFor(pixel, places), &placed) == Outcome::Done;
  });
  if (!made) {
    statusBar()->showMessage(tr("Nothing placed."));
    return;
  }
  SelectShapes(placed);
  WarnOfFindings(placed);
}

void HostWindow::EditAt(QPoint pixel) {
  const Pick pick = view_->PickAt(pixel);
  const int32_t hole = PickedHole(shown_, pick);
  if (!hole) {
    statusBar()->showMessage(tr("Double-click a hole to edit it."));
    return;
  }
  SelectShape(hole);
  Edit(hole, false, pixel);
}

void HostWindow::EditSelected(bool allLike) {
  const std::vector<int32_t> holes = SelectedHoles();
  if (holes.empty() || holes.front() != Selected()) return;
  const HoleAt at = PlaceOf(doc_->Model(), holes.front());
  Edit(holes.front(), allLike, view_->PixelOf(gp_Pnt(at.position.x, at.position.y, at.position.z)));
}

void HostWindow::Edit(int32_t id, bool allLike, QPoint pixel) {
  std::vector<HoleAt> places;
  const std::vector<int32_t> targets =
      allLike ? HolesLike(doc_->Model(), id) : std::vector<int32_t>{id};
  for (int32_t t : targets) places.push_back(PlaceOf(doc_->Model(), t));
  if (Change([&](actions::Workspace& work) {
        return EditHole(work, id, DialogFor(pixel, places), allLike) == Outcome::Done;
      })) {
    SelectShapes(targets);
    WarnOfFindings(targets);
  }
}

void HostWindow::WarnOfFindings(const std::vector<int32_t>& holes) {
  QStringList errors;
  for (const Finding& f : findings_)
    if (f.error && std::find(holes.begin(), holes.end(), f.hole) != holes.end())
      errors << tr("#%1: %2").arg(f.hole).arg(Text(f.text));
  if (!errors.isEmpty()) Message(tr("The design check found errors:\n%1").arg(errors.join("\n")));
}

// ---- selection ----

void HostWindow::SelectAt(QPoint pixel, Qt::KeyboardModifiers keys) {
  const Pick pick = view_->PickAt(pixel);
  int32_t id = 0;
  if (pick.hit) {
    id = PickedHole(shown_, pick);
    if (!id) {  // a face of the part itself: its first shape
      const auto rows = Shapes(doc_->Model());
      id = rows.empty() ? 0 : rows.front().id;
    }
  }
  std::vector<int32_t> ids = selection_;
  const auto there = std::find(ids.begin(), ids.end(), id);
  if (keys & Qt::ControlModifier) {
    if (there != ids.end())
      ids.erase(there);
    else if (id)
      ids.insert(ids.begin(), id);
  } else if (keys & Qt::ShiftModifier) {
    if (id && there == ids.end()) ids.insert(ids.begin(), id);
  } else {
    ids = {id};
  }
  SelectShapes(ids);
}

void HostWindow::SelectAllLike() {
  const std::vector<int32_t> holes = SelectedHoles();
  if (holes.empty()) return;
  SelectShapes(HolesLike(doc_->Model(), holes.front()));
}

void HostWindow::ContextMenu(QPoint pixel) {
  const Pick pick = view_->PickAt(pixel);
  const int32_t hole = PickedHole(shown_, pick);
  if (!hole) return;
  if (std::find(selection_.begin(), selection_.end(), hole) == selection_.end())
    SelectShape(hole);
  else if (hole != Selected()) {
    std::vector<int32_t> ids = selection_;
    std::erase(ids, hole);
    ids.insert(ids.begin(), hole);
    SelectShapes(ids);
  }
  QMenu menu;
  menu.addActions({edit_, editAllLike_, move_, delete_, selectLike_});
  menu.exec(view_->mapToGlobal(pixel));
}

void HostWindow::DeleteSelected() {
  const std::vector<int32_t> holes = SelectedHoles();
  if (holes.empty()) return;
  Change([&](actions::Workspace& work) {
    DeleteShapes(work.Model(), holes);
    return true;
  });
  statusBar()->showMessage(tr("Deleted %1.").arg(Counted(holes.size(), "hole", "holes")));
}

void HostWindow::MoveSelectedTo(const gp_Pnt& to) {
  const std::vector<int32_t> holes = SelectedHoles();
  if (holes.empty()) return;
  scene::Scene& model = doc_->Model();
  const HoleAt first = PlaceOf(model, holes.front());
  const gp_Vec by(gp_Pnt(first.position.x, first.position.y, first.position.z), to);
  const gp_Dir axis(first.axis.x, first.axis.y, first.axis.z);
  const std::optional<FaceFrame> face =
      PartFaceAt(gp_Pnt(first.position.x, first.position.y, first.position.z), axis);
  std::vector<std::pair<int32_t, scene::Vec3>> moves;
  for (int32_t id : holes) {
    const HoleAt at = PlaceOf(model, id);
    const gp_Pnt p = gp_Pnt(at.position.x, at.position.y, at.position.z).Translated(by);
    // The others go as far as the first; none may leave the face.
    if (face && !face->Contains(face->ToFace(p))) {
      position_->Refuse(tr("Hole #%1 would leave the face: the holes move together, and each "
                           "stays within the face's edges.")
                            .arg(id));
      return;
    }
    moves.push_back({id, {Exact(p.X()), Exact(p.Y()), Exact(p.Z())}});
  }
  const std::vector<int32_t> kept = selection_;
  if (Change([&](actions::Workspace& work) {
        MoveHolesTo(work.Model(), moves);
        return true;
      })) {
    SelectShapes(kept);
    WarnOfFindings(holes);
  }
}

}  // namespace cavix::hostwindow
