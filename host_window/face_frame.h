// A flat face of the part as a user measures on it: a 2D frame in its plane, its straight edges as
// lines to measure a position from, and the points a dragged hole snaps to. Open CASCADE only, on
// the part's own solid (before any hole is cut), so it does not depend on how the view cuts it.
#pragma once

#include <TopoDS_Face.hxx>
#include <TopoDS_Shape.hxx>
#include <gp_Dir.hxx>
#include <gp_Pnt.hxx>
#include <gp_Pnt2d.hxx>
#include <gp_Vec2d.hxx>
#include <optional>
#include <vector>

namespace cavix::hostwindow {

// A straight line on a face to measure from: one of its straight edges, or a side of its bounding
// rectangle when no edge runs that way.
struct FaceLine {
  gp_Pnt2d from, to;  // face coordinates (mm)
  gp_Pnt a, b;        // the same ends in model coordinates (mm)
  gp_Vec2d inside;    // unit, across the line towards the face's inside
  bool edge = true;   // false: a side of the bounding rectangle
};

// What a dragged hole snapped to.
enum class SnapKind { None, Grid, Centre, Midpoint, Corner, Hole };

struct SnapPoint {
  gp_Pnt2d at;  // face coordinates (mm)
  SnapKind kind = SnapKind::None;
};

class FaceFrame {
 public:
  // The frame of a flat face of a solid. Its axes are the two the hole patterns use on a face
  // drilled along Inward() (actions::AxesOnFace: x then y on a face z = const, y then z on
  // x = const, x then z on y = const), its origin the point of the plane nearest the model's
  // origin, so that on a block's faces the face coordinates are model coordinates. Nullopt for a
  // face that is not flat.
  static std::optional<FaceFrame> Of(const TopoDS_Face& face);

  const TopoDS_Face& Face() const { return face_; }
  // The face's normal into the material: a hole drilled here goes this way.
  const gp_Dir& Inward() const { return inward_; }
  gp_Pnt2d ToFace(const gp_Pnt& p) const;
  gp_Pnt ToModel(const gp_Pnt2d& p) const;
  // A point within `tolerance` mm of the face's plane.
  bool OnPlane(const gp_Pnt& p, double tolerance = 1e-6) const;
  // A point of the plane on the face: within its outline and not in an opening of it.
  bool Contains(const gp_Pnt2d& p, double tolerance = 1e-7) const;

  const std::vector<FaceLine>& Lines() const { return lines_; }
  // The lines a position is measured from unless the user picks others: the face's left edge for
  // X (least first coordinate) and its lower edge for Y (least second).
  size_t LeftLine() const { return left_; }
  size_t LowerLine() const { return lower_; }
  // The distances of `p` from line `x` and from line `y`, positive towards the face's inside.
  gp_Pnt2d Measure(const gp_Pnt2d& p, size_t x, size_t y) const;
  // The point at distance X from line `x` and Y from line `y`; nullopt when the lines are
  // parallel (they then fix no point).
  std::optional<gp_Pnt2d> Locate(double X, double Y, size_t x, size_t y) const;

  // The face's own points to snap to: its centre of area (when it lies on the face), the middle
  // of each edge, its corners.
  const std::vector<SnapPoint>& Features() const { return features_; }

 private:
  FaceFrame() = default;
  TopoDS_Face face_;
  gp_Dir inward_, u_, v_;
  gp_Pnt origin_;
  std::vector<FaceLine> lines_;
  size_t left_ = 0, lower_ = 0;
  std::vector<SnapPoint> features_;
};

// The flat face of `solid` whose plane is square to `normal` (either way) and that holds `point`
// (mm, within `tolerance`); nullopt when there is none.
std::optional<FaceFrame> FaceAt(const TopoDS_Shape& solid, const gp_Pnt& point,
                                const gp_Dir& normal, double tolerance = 1e-6);

// Where a hole dragged to `cursor` on `face` goes: the nearest of `points` (the face's features
// and the centres of holes on it) within `reach` mm of the cursor; else the nearest point of a
// grid of `step` mm measured from the face's left and lower lines, when it lies on the face;
// else the cursor itself (kind None). A step of 0 or less has no grid. Snapped points are exact
// to 1e-9 mm: a corner at 100 is 100, not 99.99999999999999.
SnapPoint Snap(const FaceFrame& face, const gp_Pnt2d& cursor, const std::vector<SnapPoint>& points,
               double reach, double step);

// A length as exact as the model's numbers allow: rounded to 1e-9 mm.
double Exact(double mm);

}  // namespace cavix::hostwindow
