// The part's material along a line: runs, re-entries, the faces entered and left, and the
// distance to the surface, on solids whose figures are worked out by hand.
#include <gtest/gtest.h>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <cmath>

#include "part_solid/material.h"
#include "tests/part_solid/parts.h"

namespace cavix::testing {
namespace {

using partsolid::MaterialAlong;

std::vector<std::pair<double, double>> Runs(const host::AxisMaterial& m) {
  std::vector<std::pair<double, double>> runs;
  for (const host::MaterialSpan& s : m.spans) runs.push_back({s.enter, s.exit});
  return runs;
}

// Runs compared to a micrometre: the kernel's intersections are that good on planes.
void ExpectRuns(const host::AxisMaterial& m, const std::vector<std::pair<double, double>>& want) {
  ASSERT_TRUE(m.Measured()) << m.failure;
  const auto got = Runs(m);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_NEAR(got[i].first, want[i].first, 1e-6) << "run " << i;
    EXPECT_NEAR(got[i].second, want[i].second, 1e-6) << "run " << i;
  }
}

TEST(MaterialAlong, BlockFromOnItInsideAndFarOff) {
  const TopoDS_Shape block = BRepPrimAPI_MakeBox(100, 60, 20).Shape();
  const host::AxisMaterial on = MaterialAlong(block, {50, 30, 20}, {0, 0, -1});
  ExpectRuns(on, {{0, 20}});
  EXPECT_TRUE(on.entryPlanar && on.exitPlanar);
  EXPECT_NEAR(on.entryCos, 1, 1e-12);
  EXPECT_NEAR(on.exitCos, 1, 1e-12);
  EXPECT_NEAR(on.LastExit(), 20, 1e-6);
  EXPECT_NEAR(on.surfaceDistance, 0, 1e-9);
  EXPECT_NEAR(on.entryEdgeDistance, 30, 1e-9);  // the long sides are 30 away
  EXPECT_NEAR(MaterialAlong(block, {10, 25, 20}, {0, 0, -1}).entryEdgeDistance, 10, 1e-9);

  // The axis's length does not matter, only its direction; x runs 100 through the block.
  ExpectRuns(MaterialAlong(block, {0, 30, 10}, {7, 0, 0}), {{0, 100}});

  const host::AxisMaterial inside = MaterialAlong(block, {50, 30, 10}, {0, 0, -1});
  ExpectRuns(inside, {{-10, 10}});
  EXPECT_NEAR(inside.surfaceDistance, 10, 1e-9);

  const host::AxisMaterial off = MaterialAlong(block, {500, 300, 100}, {0, 0, -1});
  ExpectRuns(off, {});
  EXPECT_EQ(off.Ahead(1e-6), nullptr);
  EXPECT_EQ(off.LastExit(), 0);
  EXPECT_NEAR(off.surfaceDistance, std::sqrt(400.0 * 400 + 240 * 240 + 80 * 80), 1e-6);

  // Above the block, pointing away from it: the material is all behind.
  const host::AxisMaterial away = MaterialAlong(block, {50, 30, 25}, {0, 0, 1});
  ExpectRuns(away, {{-25, -5}});
  EXPECT_EQ(away.Ahead(1e-6), nullptr);
}

TEST(MaterialAlong, ReEntriesAndTheLastExit) {
  // A channel: a 30 mm bar with a 10 mm slot from x 10 to 20 down to z 5.
  const TopoDS_Shape bar = BRepPrimAPI_MakeBox(30, 10, 20).Shape();
  const TopoDS_Shape channel =
      BRepAlgoAPI_Cut(bar, BRepPrimAPI_MakeBox(gp_Pnt(10, -1, 5), gp_Pnt(20, 11, 21)).Shape())
          .Shape();
  const host::AxisMaterial across = MaterialAlong(channel, {30, 5, 12}, {-1, 0, 0});
  ExpectRuns(across, {{0, 10}, {20, 30}});
  EXPECT_NEAR(across.LastExit(), 30, 1e-6);
  // Under the slot the line stays in the floor: one run.
  ExpectRuns(MaterialAlong(channel, {30, 5, 2}, {-1, 0, 0}), {{0, 30}});

  // The L bracket away from the origin: down the upright from its top, through its 60 mm.
  ExpectRuns(MaterialAlong(LBracket(), {10, 0, 63}, {0, 0, -1}), {{0, 60}});
  ExpectRuns(MaterialAlong(LBracket(), {15, 0, 40}, {-1, 0, 0}), {{0, 10}});
}

TEST(MaterialAlong, FacesEnteredAndLeft) {
  // A cylinder of radius 10 on the z axis, 30 high: entered square through its curved side.
  const TopoDS_Shape rod = BRepPrimAPI_MakeCylinder(10, 30).Shape();
  const host::AxisMaterial side = MaterialAlong(rod, {10, 0, 15}, {-1, 0, 0});
  ExpectRuns(side, {{0, 20}});
  EXPECT_FALSE(side.entryPlanar);
  EXPECT_NEAR(side.entryCos, 1, 1e-9);
  // Off centre by 6: the side is met at 36.87 degrees to its normal (cos 0.8) on both sides.
  const host::AxisMaterial aslant = MaterialAlong(rod, {8, 6, 15}, {-1, 0, 0});
  ExpectRuns(aslant, {{0, 16}});
  EXPECT_NEAR(aslant.entryCos, 0.8, 1e-9);
  EXPECT_NEAR(aslant.exitCos, 0.8, 1e-9);

  // A block turned 30 degrees about y, entered square on its top: leaves by its bottom, square.
  gp_Trsf turn;
  turn.SetRotation(gp_Ax1(gp_Pnt(0, 0, 0), gp_Dir(0, 1, 0)), M_PI / 6);
  const TopoDS_Shape tilted =
      BRepBuilderAPI_Transform(BRepPrimAPI_MakeBox(100, 60, 20).Shape(), turn, true).Shape();
  const gp_Pnt top = gp_Pnt(50, 30, 20).Transformed(turn);
  const host::AxisMaterial vertical = MaterialAlong(tilted, {top.X(), top.Y(), top.Z()}, {0, 0, -1});
  // Straight down, not square to the faces: 20 / cos 30 through the plate, at 30 degrees.
  ExpectRuns(vertical, {{0, 20 / std::cos(M_PI / 6)}});
  EXPECT_NEAR(vertical.entryCos, std::cos(M_PI / 6), 1e-9);
}

TEST(MaterialAlong, WhatCannotBeMeasuredIsSaidNotRaised) {
  const TopoDS_Shape block = BRepPrimAPI_MakeBox(10, 10, 10).Shape();
  EXPECT_EQ(MaterialAlong(block, {5, 5, 10}, {0, 0, 0}).failure, "the hole's axis has no direction");
  EXPECT_EQ(MaterialAlong(block, {NAN, 5, 10}, {0, 0, -1}).failure,
            "the hole's position is not a number");
  EXPECT_FALSE(MaterialAlong(TopoDS_Shape(), {5, 5, 10}, {0, 0, -1}).Measured());
}

}  // namespace
}  // namespace cavix::testing
