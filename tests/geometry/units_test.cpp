// Unit conversion codes and the through depth of a part along a hole's axis.
#include "geometry/units.h"

#include <gtest/gtest.h>

#include "support/scene_host.h"

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
    geotest::Model m({r.size[0], r.size[1], r.size[2]}, {r.n[0], r.n[1], r.n[2]});
    EXPECT_EQ(geo::GetThroughDepth(m.hole), r.depth);
  }
}

TEST(ThroughDepth, HostErrorsReachTheCaller) {
  geotest::Model m;
  cavix::scene::Shape detached(99, "Fori", nullptr);
  EXPECT_EQ(geotest::ErrorOf([&] { geo::GetThroughDepth(detached); }), 91);
  auto& shapes = m.scene->MainPart().Components(23);
  shapes.Remove(shapes.Item(1));
  EXPECT_EQ(geotest::ErrorOf([&] { geo::GetThroughDepth(m.hole); }), 9);
}

// A fault in the unit codes or the direction of a conversion shows in the inch.
TEST(Units, CodesAndPage) {
  geotest::Model m;
  double v = 2;
  EXPECT_DOUBLE_EQ(geo::InchesToPage(m.scene->ActivePage(), v), 50.8);
  EXPECT_EQ(geo::PageToModel(m.scene->ActivePage(), v), 2);
  EXPECT_EQ(geo::ConvertForDrawing(m.scene->ActivePage(), 3.5), 3.5);
}

}  // namespace
