// Faces as a user measures on them, without a display: which face holds a point, which way its
// material lies, distances from its edges and back, and what a dragged hole snaps to.
#include <gtest/gtest.h>

#include <BRepClass3d_SolidClassifier.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>

#include "host_window/face_frame.h"
#include "tests/part_solid/parts.h"

namespace cavix::testing {
namespace {

using hostwindow::FaceAt;
using hostwindow::FaceFrame;
using hostwindow::Snap;
using hostwindow::SnapKind;
using hostwindow::SnapPoint;

const TopoDS_Shape kBlock = BRepPrimAPI_MakeBox(gp_Pnt(0, 0, 0), 100, 60, 20).Shape();

FaceFrame Top() { return *FaceAt(kBlock, gp_Pnt(30, 30, 20), gp::DZ()); }

// Every face of a box and of an L-shaped bracket: a little inside each of its lines lies on the
// face, the material lies along Inward() from there, FaceAt finds the face again there, and the
// frame maps face and model coordinates both ways.
TEST(FaceFrame, EveryFaceKnowsItsMaterialAndItsPoints) {
  for (const TopoDS_Shape& solid : {kBlock, LBracket()}) {
    int faces = 0;
    for (TopExp_Explorer ex(solid, TopAbs_FACE); ex.More(); ex.Next(), ++faces) {
      const std::optional<FaceFrame> f = FaceFrame::Of(TopoDS::Face(ex.Current()));
      ASSERT_TRUE(f);
      ASSERT_FALSE(f->Lines().empty());
      for (const hostwindow::FaceLine& line : f->Lines()) {
        const gp_Pnt2d at((line.from.XY() + line.to.XY()) / 2 + line.inside.XY() * 0.5);
        EXPECT_TRUE(f->Contains(at)) << faces;
        const gp_Pnt p = f->ToModel(at);
        BRepClass3d_SolidClassifier in(solid, p.Translated(gp_Vec(f->Inward()) * 0.01), 1e-7);
        BRepClass3d_SolidClassifier out(solid, p.Translated(gp_Vec(f->Inward()) * -0.01), 1e-7);
        EXPECT_EQ(in.State(), TopAbs_IN) << faces;
        EXPECT_EQ(out.State(), TopAbs_OUT) << faces;
        const std::optional<FaceFrame> again = FaceAt(solid, p, f->Inward().Reversed());
        ASSERT_TRUE(again);
        EXPECT_TRUE(again->Face().IsSame(f->Face()));
        EXPECT_LT(f->ToFace(p).Distance(at), 1e-9);
      }
    }
    EXPECT_EQ(faces, solid.IsSame(kBlock) ? 6 : 8);
  }
  // The bracket's side face is an L: the notch between foot and upright is off it.
  const TopoDS_Shape bracket = LBracket();
  const std::optional<FaceFrame> side = FaceAt(bracket, gp_Pnt(10, -20, 8), gp::DY());
  ASSERT_TRUE(side);
  EXPECT_TRUE(side->Contains(side->ToFace(gp_Pnt(10, -20, 50))));
  EXPECT_FALSE(side->Contains(side->ToFace(gp_Pnt(50, -20, 50))));
  EXPECT_FALSE(FaceAt(bracket, gp_Pnt(50, -20, 50), gp::DY()));
  for (const SnapPoint& p : side->Features()) EXPECT_NE(p.kind, SnapKind::Centre);  // in the notch
}

// On a block's top face the face coordinates are the model's x and y, measured by default from
// the left (x = 0) and lower (y = 0) edges; measured from the right and upper edges they count
// inwards from there, and a position found from them is the same point.
TEST(FaceFrame, PositionsAreMeasuredFromTheEdgesPicked) {
  const FaceFrame top = Top();
  EXPECT_TRUE(top.Inward().IsEqual(-gp::DZ(), 1e-12));
  const gp_Pnt2d at = top.ToFace(gp_Pnt(15, 25, 20));
  EXPECT_EQ(at.X(), 15);
  EXPECT_EQ(at.Y(), 25);
  const gp_Pnt2d d = top.Measure(at, top.LeftLine(), top.LowerLine());
  EXPECT_EQ(d.X(), 15);
  EXPECT_EQ(d.Y(), 25);
  size_t right = 0, upper = 0;
  for (size_t i = 0; i < top.Lines().size(); ++i) {
    const auto& l = top.Lines()[i];
    if (l.from.X() == 100 && l.to.X() == 100) right = i;
    if (l.from.Y() == 60 && l.to.Y() == 60) upper = i;
  }
  const gp_Pnt2d far = top.Measure(at, right, upper);
  EXPECT_NEAR(far.X(), 85, 1e-12);
  EXPECT_NEAR(far.Y(), 35, 1e-12);
  const std::optional<gp_Pnt2d> back = top.Locate(85, 35, right, upper);
  ASSERT_TRUE(back);
  EXPECT_LT(back->Distance(at), 1e-12);
  EXPECT_FALSE(top.Locate(15, 15, top.LeftLine(), right));  // parallel: no point
  const gp_Pnt model = top.ToModel(*top.Locate(15, 15, top.LeftLine(), top.LowerLine()));
  EXPECT_TRUE(model.IsEqual(gp_Pnt(15, 15, 20), 0));
}

// A dragged hole takes the nearest snap point within reach, else the grid point, exactly; the
// grid has no point beyond the face's edges; a step of 0 leaves the cursor alone.
TEST(FaceFrame, DraggedHolesSnapExactly) {
  const FaceFrame top = Top();
  std::vector<SnapPoint> points = top.Features();
  points.push_back({gp_Pnt2d(30.2, 40.1), SnapKind::Hole});
  const struct {
    gp_Pnt2d cursor;
    double reach, step;
    gp_Pnt2d want;
    SnapKind kind;
  } cases[] = {
      {{51.3, 0.8}, 2, 1, {50, 0}, SnapKind::Midpoint},
      {{49.1, 29.2}, 2, 1, {50, 30}, SnapKind::Centre},
      {{99.2, 59.5}, 2, 1, {100, 60}, SnapKind::Corner},
      {{31, 40}, 2, 1, {30.2, 40.1}, SnapKind::Hole},
      {{14.6, 15.3}, 2, 1, {15, 15}, SnapKind::Grid},
      {{14.6, 15.3}, 2, 0.5, {14.5, 15.5}, SnapKind::Grid},
      {{14.6, 15.3}, 2, 0, {14.6, 15.3}, SnapKind::None},    // no grid
      {{99.9, 30.2}, 0, 150, {99.9, 30.2}, SnapKind::None},  // its point (150, 0) is off the face
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const SnapPoint s = Snap(top, c.cursor, points, c.reach, c.step);
    EXPECT_EQ(s.kind, c.kind) << i;
    EXPECT_EQ(s.at.X(), c.want.X()) << i;
    EXPECT_EQ(s.at.Y(), c.want.Y()) << i;
  }
}

}  // namespace
}  // namespace cavix::testing
