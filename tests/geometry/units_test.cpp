// Unit conversion codes and the through depth of a part along a hole's axis.
#include "geometry/units.h"

#include <gtest/gtest.h>

#include "support/fake_host.h"

namespace {

namespace geo = cavix::geo;

TEST(ThroughDepth, AxisRules) {
  struct Row {
    double n[3];
    double size[3];
    double depth;
  };
  const Row rows[] = {
      {{0, 0, -1}, {100, 60, 20}, 20},           {{0, 0, 1}, {100, 60, 20}, 20},
      {{-1, 0, 0}, {100, 60, 20}, 100},          {{0, 1, 0}, {100, 60, 20}, 60},
      {{0.9995, 0, 0.0316}, {100, 60, 20}, 100},  // nearly x: x wins, z ignored
      {{0.999, 0, 0.0447}, {100, 60, 20}, 100},   // exactly 0.999 is not aligned: oblique
      {{0.6, 0.8, 0}, {50, 50, 10}, 50},          // tie goes to y
      {{0.7071, 0.7071, 0}, {60, 40, 10}, 60},    // equal shares: the larger extent
      {{0.7071, 0.7071, 0}, {40, 60, 10}, 60},
      {{0.7071, 0, 0.7071}, {40, 100, 30}, 40},   // y has no share
      {{0.05, 0.05, 0.05}, {40, 100, 30}, 0},     // no axis has a share
      {{0.1, 0.3, 0.9487}, {500, 60, 20}, 60},    // 0.1 is not a share
      {{0, 0.1, 0.995}, {100, 60, 50}, 50},       // nor on y
      {{0.5, 0.5, 0.7071}, {10, 5, 30}, 30},     {{0.5, 0.5, 0.7071}, {10, 50, 30}, 50},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.n[0] << "," << r.n[1] << "," << r.n[2]);
    fake::World w(r.size[0], r.size[1], r.size[2]);
    std::copy(r.n, r.n + 3, w.hole.normal);
    EXPECT_EQ(geo::GetThroughDepth(w.hole), r.depth);
  }
}

TEST(ThroughDepth, HostErrorsReachTheCaller) {
  fake::World w;
  w.hole.parent = nullptr;
  EXPECT_EQ(fake::ErrorOf([&] { geo::GetThroughDepth(w.hole); }), 91);
  fake::World empty;
  static_cast<fake::PartShapes&>(empty.part.holder.Get(23).First()).shapes.items.clear();
  EXPECT_THROW(geo::GetThroughDepth(empty.hole), cavix::rt::Error);
}

TEST(Units, CodesAndPage) {
  fake::World w;
  double v = 2;
  EXPECT_DOUBLE_EQ(geo::InchesToPage(w.page, v), 50.8);
  EXPECT_EQ(geo::PageToModel(w.page, v), 2);
  EXPECT_EQ(geo::ConvertForDrawing(w.page, 3.5), 3.5);
  EXPECT_EQ(w.services.state.calls,
            (std::vector<std::string>{"units 4>7", "units 7>2", "units 1>11"}));
}

}  // namespace
