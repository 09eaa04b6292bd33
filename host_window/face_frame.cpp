// The frame of a flat face: its plane and axes, the lines on it to measure from, what a hole
// dragged over it snaps to.
#include "host_window/face_frame.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepClass_FaceClassifier.hxx>
#include <BRepGProp.hxx>
#include <BRepTools.hxx>
#include <BRepTools_WireExplorer.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Wire.hxx>
#include <algorithm>
#include <cmath>
#include <limits>

#include "actions/placement.h"

namespace cavix::hostwindow {

namespace {

// How nearly an edge must run along a face axis to be measured from by default (about 2.5
// degrees).
constexpr double kAlong = 0.999;

gp_Dir ToDir(const scene::Vec3& v) { return gp_Dir(v.x, v.y, v.z); }

gp_Pnt ExactPoint(const gp_Pnt& p) { return gp_Pnt(Exact(p.X()), Exact(p.Y()), Exact(p.Z())); }

}  // namespace

double Exact(double mm) {
  // Beyond 1e6 mm the rounding would cost more precision than it removes.
  if (!std::isfinite(mm) || std::fabs(mm) > 1e6) return mm;
  return std::round(mm * 1e9) / 1e9 + 0.0;
}

std::optional<FaceFrame> FaceFrame::Of(const TopoDS_Face& face) {
  BRepAdaptor_Surface surface(face, Standard_False);
  if (surface.GetType() != GeomAbs_Plane) return std::nullopt;
  const gp_Pln plane = surface.Plane();
  const gp_Ax3& pos = plane.Position();
  // The surface's normal is XDir x YDir (whatever the handedness of its axes); a reversed face
  // turns it round. The solid's outside is along it, the material the other way.
  gp_Dir outward = pos.XDirection().Crossed(pos.YDirection());
  if (face.Orientation() == TopAbs_REVERSED) outward.Reverse();

  FaceFrame f;
  f.face_ = face;
  f.inward_ = outward.Reversed();
  const scene::Vec3 in{f.inward_.X(), f.inward_.Y(), f.inward_.Z()};
  const actions::FaceAxes axes = actions::AxesOnFace(in);
  f.u_ = ToDir(axes.u);
  f.v_ = ToDir(axes.v);
  const gp_XYZ n = f.inward_.XYZ();
  f.origin_ = gp_Pnt(n * n.Dot(plane.Location().XYZ()));

  // The outer wire in order: its winding says on which side of each edge the face lies.
  const TopoDS_Wire outer = BRepTools::OuterWire(face);
  std::vector<gp_Pnt2d> ring;
  struct Straight {
    gp_Pnt a, b;
  };
  std::vector<Straight> straight;
  for (BRepTools_WireExplorer ex(outer, face); ex.More(); ex.Next()) {
    const TopoDS_Vertex first = ex.CurrentVertex();
    ring.push_back(f.ToFace(BRep_Tool::Pnt(first)));
    BRepAdaptor_Curve curve(ex.Current());
    if (curve.GetType() != GeomAbs_Line) continue;
    TopoDS_Vertex v1, v2;
    TopExp::Vertices(ex.Current(), v1, v2, Standard_True);  // in the wire's direction
    straight.push_back({BRep_Tool::Pnt(v1), BRep_Tool::Pnt(v2)});
  }
  double area2 = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const gp_Pnt2d& p = ring[i];
    const gp_Pnt2d& q = ring[(i + 1) % ring.size()];
    area2 += p.X() * q.Y() - q.X() * p.Y();
  }
  const bool counterClockwise = area2 >= 0;
  for (const Straight& s : straight) {
    FaceLine line{f.ToFace(s.a), f.ToFace(s.b), s.a, s.b, {}, true};
    const gp_Vec2d along(line.from, line.to);
    if (along.Magnitude() < 1e-9) continue;
    const gp_Vec2d d = along.Normalized();
    line.inside = counterClockwise ? gp_Vec2d(-d.Y(), d.X()) : gp_Vec2d(d.Y(), -d.X());
    f.lines_.push_back(line);
  }

  // The bounding rectangle in face coordinates, for the sides no edge gives.
  double lo[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
  double hi[2] = {-lo[0], -lo[1]};
  for (TopExp_Explorer ex(face, TopAbs_VERTEX); ex.More(); ex.Next()) {
    const gp_Pnt2d p = f.ToFace(BRep_Tool::Pnt(TopoDS::Vertex(ex.Current())));
    lo[0] = std::min(lo[0], p.X()), hi[0] = std::max(hi[0], p.X());
    lo[1] = std::min(lo[1], p.Y()), hi[1] = std::max(hi[1], p.Y());
  }
  auto pick = [&](int across) {
    size_t best = f.lines_.size();
    double least = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < f.lines_.size(); ++i) {
      const FaceLine& l = f.lines_[i];
      const gp_Vec2d d = gp_Vec2d(l.from, l.to).Normalized();
      if (std::fabs(across == 0 ? d.Y() : d.X()) < kAlong) continue;
      const double at = across == 0 ? (l.from.X() + l.to.X()) / 2 : (l.from.Y() + l.to.Y()) / 2;
      if (at < least - 1e-9) least = at, best = i;
    }
    if (best < f.lines_.size()) return best;
    // No edge runs that way (a round face): the rectangle's side.
    const gp_Pnt2d from(lo[0], lo[1]);
    const gp_Pnt2d to = across == 0 ? gp_Pnt2d(lo[0], hi[1]) : gp_Pnt2d(hi[0], lo[1]);
    f.lines_.push_back({from, to, f.ToModel(from), f.ToModel(to),
                        across == 0 ? gp_Vec2d(1, 0) : gp_Vec2d(0, 1), false});
    return f.lines_.size() - 1;
  };
  f.left_ = pick(0);
  f.lower_ = pick(1);

  GProp_GProps props;
  BRepGProp::SurfaceProperties(face, props);
  const gp_Pnt2d centre = f.ToFace(ExactPoint(props.CentreOfMass()));
  if (f.Contains(centre)) f.features_.push_back({centre, SnapKind::Centre});  // an L's is not
  for (TopExp_Explorer ex(face, TopAbs_EDGE); ex.More(); ex.Next()) {
    BRepAdaptor_Curve curve(TopoDS::Edge(ex.Current()));
    const double mid = (curve.FirstParameter() + curve.LastParameter()) / 2;
    gp_Pnt middle = curve.Value(mid);
    if (curve.GetType() == GeomAbs_Line) {
      // The middle of a straight edge from its ends, exactly.
      const gp_Pnt a = curve.Value(curve.FirstParameter()), b = curve.Value(curve.LastParameter());
      middle = gp_Pnt((a.XYZ() + b.XYZ()) / 2);
    }
    f.features_.push_back({f.ToFace(ExactPoint(middle)), SnapKind::Midpoint});
  }
  for (TopExp_Explorer ex(face, TopAbs_VERTEX); ex.More(); ex.Next())
    f.features_.push_back(
        {f.ToFace(BRep_Tool::Pnt(TopoDS::Vertex(ex.Current()))), SnapKind::Corner});
  return f;
}

gp_Pnt2d FaceFrame::ToFace(const gp_Pnt& p) const {
  const gp_Vec d(origin_, p);
  return {d.Dot(gp_Vec(u_)), d.Dot(gp_Vec(v_))};
}

gp_Pnt FaceFrame::ToModel(const gp_Pnt2d& p) const {
  return gp_Pnt(origin_.XYZ() + u_.XYZ() * p.X() + v_.XYZ() * p.Y());
}

bool FaceFrame::OnPlane(const gp_Pnt& p, double tolerance) const {
  return std::fabs(gp_Vec(origin_, p).Dot(gp_Vec(inward_))) <= tolerance;
}

bool FaceFrame::Contains(const gp_Pnt2d& p, double tolerance) const {
  BRepClass_FaceClassifier inside(face_, ToModel(p), tolerance);
  return inside.State() == TopAbs_IN || inside.State() == TopAbs_ON;
}

gp_Pnt2d FaceFrame::Measure(const gp_Pnt2d& p, size_t x, size_t y) const {
  const FaceLine &a = lines_.at(x), &b = lines_.at(y);
  return {gp_Vec2d(a.from, p).Dot(a.inside), gp_Vec2d(b.from, p).Dot(b.inside)};
}

std::optional<gp_Pnt2d> FaceFrame::Locate(double X, double Y, size_t x, size_t y) const {
  const FaceLine &a = lines_.at(x), &b = lines_.at(y);
  // inside_a . p = X + inside_a . from_a, and the same for b: two equations for p.
  const double ca = X + a.inside.Dot(gp_Vec2d(a.from.XY())),
               cb = Y + b.inside.Dot(gp_Vec2d(b.from.XY()));
  const double det = a.inside.X() * b.inside.Y() - a.inside.Y() * b.inside.X();
  if (std::fabs(det) < 1e-9) return std::nullopt;
  return gp_Pnt2d((ca * b.inside.Y() - cb * a.inside.Y()) / det,
                  (a.inside.X() * cb - b.inside.X() * ca) / det);
}

std::optional<FaceFrame> FaceAt(const TopoDS_Shape& solid, const gp_Pnt& point,
                                const gp_Dir& normal, double tolerance) {
  for (TopExp_Explorer ex(solid, TopAbs_FACE); ex.More(); ex.Next()) {
    const TopoDS_Face& face = TopoDS::Face(ex.Current());
    BRepAdaptor_Surface surface(face, Standard_False);
    if (surface.GetType() != GeomAbs_Plane) continue;
    const gp_Pln plane = surface.Plane();
    if (!plane.Axis().Direction().IsParallel(normal, 1e-9) || plane.Distance(point) > tolerance)
      continue;
    BRepClass_FaceClassifier inside(face, point, tolerance);
    if (inside.State() == TopAbs_IN || inside.State() == TopAbs_ON) return FaceFrame::Of(face);
  }
  return std::nullopt;
}

SnapPoint Snap(const FaceFrame& face, const gp_Pnt2d& cursor, const std::vector<SnapPoint>& points,
               double reach, double step) {
  const SnapPoint* nearest = nullptr;
  double best = reach;
  for (const SnapPoint& p : points) {
    const double d = p.at.Distance(cursor);
    if (d <= best) best = d, nearest = &p;
  }
  if (nearest) return *nearest;
  if (step > 0) {
    const gp_Pnt2d at = face.Measure(cursor, face.LeftLine(), face.LowerLine());
    const std::optional<gp_Pnt2d> grid =
        face.Locate(Exact(std::round(at.X() / step) * step),
                    Exact(std::round(at.Y() / step) * step), face.LeftLine(), face.LowerLine());
    if (grid) {
      const gp_Pnt2d exact(Exact(grid->X()), Exact(grid->Y()));
      if (face.Contains(exact)) return {exact, SnapKind::Grid};
    }
  }
  return {cursor, SnapKind::None};
}

}  // namespace cavix::hostwindow
