// The hole builder as the host sees it, for each kind of hole: the chain points and their value
// types, the size variables, the point below the thread, and rebuilds.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geometry/create_holes.h"
#include "support/scene_host.h"

namespace {

using cavix::rt::VarType;
namespace geo = cavix::geo;

double TanHalf(double deg) { return std::tan(deg * std::numbers::pi / 360); }

// Which coordinates are passed as the short integer 0 rather than a double.
enum Ints { N = 0, X = 1, Y = 2, XY = 3 };

struct Expected {
  double x, y;
  int ints = N;
};

struct BuilderCase {
  const char* name;
  geo::HoleParams hole;
  double maxDiameter;
  std::vector<Expected> points;  // after the start point
};

// A case's hole as the hand-worked points read it: D, L, A, then the allowance T of a plain hole
// or the LT and P of a tapped one (LT > 0), then the recess.
geo::HoleParams Hole(geo::Recess r, double D, double L, double A, double T, double LT, double P,
                     double Dr = 0, double Lc = 0, double Ar = 0) {
  return {r, LT > 0, D, L, A, T, LT, P, Dr, Lc, Ar};
}

// Points worked out by hand from the hole's drawing, not from the code.
std::vector<BuilderCase> Cases() {
  using R = geo::Recess;
  const double h118 = 5.25 / TanHalf(118);
  const double hs120 = (10 - 4.25) / TanHalf(120);
  // clang-format off
  return {
    {"SimpleFlat", Hole(R::None, 10, 20, 0, 0.5, 0, 0), 10.5,
     {{5.25, 0, Y}, {5.25, -20}, {0, -20, X}, {0, 0, XY}}},
    {"SimplePoint118", Hole(R::None, 10, 20, 118, 0.5, 0, 0), 10.5,
     {{5.25, 0, Y}, {5.25, -20}, {0, -20 - h118, X}, {0, 0, XY}}},
    {"CBore", Hole(R::Counterbore, 6.4, 20, -5, 0.2, 0, 0, 11, 6.5), 11,
     {{5.5, 0, Y}, {5.5, -6.5}, {3.3, -6.5}, {3.3, -26.5}, {0, -26.5, X}, {0, 0, XY}}},
    // Thread length and pitch of an unthreaded hole are ignored.
    {"CBoreThreadArgsIgnored",
     {.recess = R::Counterbore, .diameter = 6.4, .boreLength = 20, .pointAngle = -5,
      .allowance = 0.2, .threadLength = 99, .pitch = 3, .recessDiameter = 11, .recessDepth = 6.5},
     11, {{5.5, 0, Y}, {5.5, -6.5}, {3.3, -6.5}, {3.3, -26.5}, {0, -26.5, X}, {0, 0, XY}}},
    {"CSink90", Hole(R::Countersink, 10, 15.25, 0, 0.5, 0, 0, 20, 0, 90), 20,
     {{10, 0, Y}, {5.25, -4.75}, {5.25, -20}, {0, -20, X}, {0, 0, XY}}},
    {"CSinkNoCone", Hole(R::Countersink, 10, 15, 0, 0, 0, 0, 20, 0, 0), 20,
     {{10, 0, Y}, {5, 0}, {5, -15}, {0, -15, X}, {0, 0, XY}}},
    {"CDrill90", Hole(R::Counterdrill, 10, 12, 0, 0, 0, 0, 16, 4, 90), 16,
     {{8, 0, Y}, {8, -4}, {5, -7}, {5, -19}, {0, -19, X}, {0, 0, XY}}},
    {"CDrillNoCone", Hole(R::Counterdrill, 10, 12, 0, 0, 0, 0, 16, 4, 0), 16,
     {{8, 0, Y}, {8, -4}, {5, -4}, {5, -16}, {0, -16, X}, {0, 0, XY}}},
    {"SimpleThread", Hole(R::None, 10, 25, 0, 0, 20, 1.5), 8.5,
     {{4.25, 0, Y}, {4.25, -20}, {0.9995 * 4.25, -25}, {0, -25, X}, {0, 0, XY}}},
    {"SimpleThreadFull", Hole(R::None, 10, 20, 0, 0, 20, 1.5), 8.5,
     {{4.25, 0, Y}, {4.25, -20}, {0, -20, X}, {0, 0, XY}}},
    {"CBoreThread", Hole(R::Counterbore, 8, 20, 0, 0, 15, 1.25, 14, 8), 14,
     {{7, 0, Y}, {7, -8}, {3.375, -8}, {3.375, -23}, {0.9995 * 3.375, -28}, {0, -28, X},
      {0, 0, XY}}},
    {"CSinkThread120", Hole(R::Countersink, 10, 20, 0, 0, 12, 1.5, 20, 0, 120),
     20, {{10, 0, Y}, {4.25, -hs120}, {4.25, -hs120 - 12}, {0.9995 * 4.25, -hs120 - 20},
          {0, -hs120 - 20, X}, {0, 0, XY}}},
    {"CDrillThread", Hole(R::Counterdrill, 12, 30, 0, 0, 30, 1.75, 20, 5, 90),
     20, {{10, 0, Y}, {10, -5}, {5.125, -9.875}, {5.125, -39.875}, {0, -39.875, X}, {0, 0, XY}}},
  };
  // clang-format on
}

class Builders : public ::testing::TestWithParam<BuilderCase> {};

// Built over two stale chains, then rebuilt: exactly one chain with the hand-worked points.
TEST_P(Builders, ChainPointsAndSizes) {
  const BuilderCase& c = GetParam();
  geotest::Model m;
  geotest::Recorded shape(m.hole);
  shape.chains.Add().SetStartPoint(int16_t{0}, int16_t{0});
  shape.chains.Add().SetStartPoint(1.0, 1.0);
  geo::CreateHole(shape, c.hole);
  geo::CreateHole(shape, c.hole);

  ASSERT_EQ(shape.chains.Count(), 1);
  auto& chain = shape.chains.items[0]->points;
  ASSERT_EQ(chain.size(), c.points.size() + 1);
  EXPECT_EQ(chain[0].first, cavix::rt::Variant(int16_t{0}));
  EXPECT_EQ(chain[0].second, cavix::rt::Variant(int16_t{0}));
  for (size_t i = 0; i < c.points.size(); ++i) {
    SCOPED_TRACE("point " + std::to_string(i + 1));
    const auto& [vx, vy] = chain[i + 1];
    const Expected& e = c.points[i];
    EXPECT_EQ(vx.Type(), e.ints & X ? VarType::Int16 : VarType::Double);
    EXPECT_EQ(vy.Type(), e.ints & Y ? VarType::Int16 : VarType::Double);
    EXPECT_NEAR(cavix::rt::CDbl(vx), e.x, 1e-9);
    EXPECT_NEAR(cavix::rt::CDbl(vy), e.y, 1e-9);
  }

  const auto* size = m.hole.Store().First(1);
  EXPECT_NEAR(size->Value(1).F64(), c.maxDiameter, 1e-12);
  EXPECT_NEAR(size->Value(2).F64(), c.maxDiameter, 1e-12);
  auto& psize = m.hole.Store().First(15)->Profile().Components(4).At(1);
  EXPECT_NEAR(psize.Value(1).F64(), c.maxDiameter / 2, 1e-12);
  EXPECT_NEAR(psize.Value(2).F64(), c.maxDiameter / 2, 1e-12);
  EXPECT_EQ(m.hole.SizeBoxResetCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(AllBuilders, Builders, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// A host failure part way keeps what was already written. (An overflow that leaves the shape
// alone is checked through the hole classes, in tests/holes/create_test.cpp.)
TEST(BuilderFaults, MissingComponentFailsAfterTheChain) {
  geotest::Model m;
  auto& flags = m.hole.Components(14);
  flags.Remove(flags.Item(1));
  const geo::HoleParams plain = Hole(geo::Recess::None, 10, 20, 0, 0, 0, 0);
  EXPECT_EQ(geotest::ErrorOf([&] { geo::CreateHole(m.hole, plain); }), 9);
  EXPECT_EQ(m.hole.Store().First(15)->Profile().Store().First(3)->Points().size(), 5u);
}

}  // namespace
