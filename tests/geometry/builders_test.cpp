// The eight hole builders as the host sees them: the chain points and their value types, the
// size variables, the call sequence, the point below the thread, and rebuilds.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "geometry/create_holes.h"
#include "support/fake_host.h"

namespace {

using cavix::rt::VarType;
namespace geo = cavix::geo;

double TanHalf(double deg) { return std::tan(deg * std::numbers::pi / 360); }

struct Expected {
  double x, y;
  bool xInt = false, yInt = false;  // passed as the short integer 0
};

struct BuilderCase {
  const char* name;
  std::function<void(cavix::host::IShape&)> build;
  double maxDiameter;
  std::vector<Expected> points;  // after the start point
};

void PrintTo(const BuilderCase& c, std::ostream* os) { *os << c.name; }

// Points worked out by hand from the hole's drawing, not from the code.
std::vector<BuilderCase> Cases() {
  const double h118 = 5.25 / TanHalf(118);
  const double hs120 = (10 - 4.25) / TanHalf(120);
  return {
      {"SimpleFlat",
       [](auto& s) { geo::CreateHoleSimple(s, 10, 20, 0, 0.5); },
       10.5,
       {{5.25, 0, false, true}, {5.25, -20}, {0, -20, true}, {0, 0, true, true}}},
      {"SimplePoint118",
       [](auto& s) { geo::CreateHoleSimple(s, 10, 20, 118, 0.5); },
       10.5,
       {{5.25, 0, false, true}, {5.25, -20}, {0, -20 - h118, true}, {0, 0, true, true}}},
      {"CBore",
       [](auto& s) { geo::CreateHoleCBore(s, 6.4, 20, -5, 0.2, 11, 6.5); },
       11,
       {{5.5, 0, false, true},
        {5.5, -6.5},
        {3.3, -6.5},
        {3.3, -26.5},
        {0, -26.5, true},
        {0, 0, true, true}}},
      {"CSink90",
       [](auto& s) { geo::CreateHoleCSink(s, 10, 15.25, 0, 0.5, 20, 90); },
       20,
       {{10, 0, false, true}, {5.25, -4.75}, {5.25, -20}, {0, -20, true}, {0, 0, true, true}}},
      {"CSinkNoCone",
       [](auto& s) { geo::CreateHoleCSink(s, 10, 15, 0, 0, 20, 0); },
       20,
       {{10, 0, false, true}, {5, 0}, {5, -15}, {0, -15, true}, {0, 0, true, true}}},
      {"CDrill90",
       [](auto& s) { geo::CreateHoleCDrill(s, 10, 12, 0, 0, 16, 4, 90); },
       16,
       {{8, 0, false, true}, {8, -4}, {5, -7}, {5, -19}, {0, -19, true}, {0, 0, true, true}}},
      {"CDrillNoCone",
       [](auto& s) { geo::CreateHoleCDrill(s, 10, 12, 0, 0, 16, 4, 0); },
       16,
       {{8, 0, false, true}, {8, -4}, {5, -4}, {5, -16}, {0, -16, true}, {0, 0, true, true}}},
      {"SimpleThread",
       [](auto& s) { geo::CreateHoleSimpleThread(s, 10, 25, 0, 20, 1.5); },
       8.5,
       {{4.25, 0, false, true},
        {4.25, -20},
        {0.9995 * 4.25, -25},
        {0, -25, true},
        {0, 0, true, true}}},
      {"SimpleThreadFull",
       [](auto& s) { geo::CreateHoleSimpleThread(s, 10, 20, 0, 20, 1.5); },
       8.5,
       {{4.25, 0, false, true}, {4.25, -20}, {0, -20, true}, {0, 0, true, true}}},
      {"CBoreThread",
       [](auto& s) { geo::CreateHoleCBoreThread(s, 8, 20, 0, 15, 1.25, 14, 8); },
       14,
       {{7, 0, false, true},
        {7, -8},
        {3.375, -8},
        {3.375, -23},
        {0.9995 * 3.375, -28},
        {0, -28, true},
        {0, 0, true, true}}},
      {"CSinkThread120",
       [](auto& s) { geo::CreateHoleCSinkThread(s, 10, 20, 0, 12, 1.5, 20, 120); },
       20,
       {{10, 0, false, true},
        {4.25, -hs120},
        {4.25, -hs120 - 12},
        {0.9995 * 4.25, -hs120 - 20},
        {0, -hs120 - 20, true},
        {0, 0, true, true}}},
      {"CDrillThread",
       [](auto& s) { geo::CreateHoleCDrillThread(s, 12, 30, 0, 30, 1.75, 20, 5, 90); },
       20,
       {{10, 0, false, true},
        {10, -5},
        {5.125, -9.875},
        {5.125, -39.875},
        {0, -39.875, true},
        {0, 0, true, true}}},
  };
}

class Builders : public ::testing::TestWithParam<BuilderCase> {};

TEST_P(Builders, ChainPointsAndSizes) {
  const BuilderCase& c = GetParam();
  fake::World w;
  c.build(w.hole);

  auto& chain = w.hole.Chain();
  ASSERT_EQ(chain.size(), c.points.size() + 1);
  EXPECT_EQ(chain[0].first, cavix::rt::Variant(int16_t{0}));
  EXPECT_EQ(chain[0].second, cavix::rt::Variant(int16_t{0}));
  for (size_t i = 0; i < c.points.size(); ++i) {
    SCOPED_TRACE("point " + std::to_string(i + 1));
    const auto& [vx, vy] = chain[i + 1];
    const Expected& e = c.points[i];
    EXPECT_EQ(vx.Type(), e.xInt ? VarType::Int16 : VarType::Double);
    EXPECT_EQ(vy.Type(), e.yInt ? VarType::Int16 : VarType::Double);
    EXPECT_NEAR(cavix::rt::CDbl(vx), e.x, 1e-9);
    EXPECT_NEAR(cavix::rt::CDbl(vy), e.y, 1e-9);
  }

  auto& size = w.hole.holder.Get(1).First();
  EXPECT_NEAR(size.Value(1).F64(), c.maxDiameter, 1e-12);
  EXPECT_NEAR(size.Value(2).F64(), c.maxDiameter, 1e-12);
  EXPECT_EQ(size.Value(3), cavix::rt::Variant(0.0));
  for (int v : {4, 5, 6}) EXPECT_EQ(size.Value(v), cavix::rt::Variant(int16_t{1}));
  EXPECT_EQ(size.Value(7), cavix::rt::Variant(int32_t{1}));

  auto& prof = w.hole.holder.Get(15).First().Profile();
  auto& psize = prof.Components(4).Item(1);
  EXPECT_NEAR(psize.Value(1).F64(), c.maxDiameter / 2, 1e-12);
  EXPECT_NEAR(psize.Value(2).F64(), c.maxDiameter / 2, 1e-12);
  EXPECT_EQ(psize.Value(3), cavix::rt::Variant(0.0));
  EXPECT_EQ(w.hole.holder.Get(14).First().Value(62), cavix::rt::Variant(int32_t{1}));
  EXPECT_EQ(w.hole.log().back(), "ResetSizeBox");
}

TEST_P(Builders, RebuildLeavesExactlyOneChain) {
  fake::World w;
  auto& chains = w.hole.holder.Get(15).First().Profile().Components(3);
  chains.Add().SetStartPoint(int16_t{0}, int16_t{0});
  chains.Add().SetStartPoint(1.0, 1.0);
  GetParam().build(w.hole);
  EXPECT_EQ(w.hole.ChainCount(), 1);
  GetParam().build(w.hole);
  EXPECT_EQ(w.hole.ChainCount(), 1);
  EXPECT_EQ(w.hole.Chain().size(), GetParam().points.size() + 1);
}

INSTANTIATE_TEST_SUITE_P(AllBuilders, Builders, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The host sees sizes first, then the old chains go, then the profile size, then one new chain;
// the rebuild flag and the size box come last.
TEST(BuilderSequence, HostCallsInOrder) {
  fake::World w;
  auto& chains = w.hole.holder.Get(15).First().Profile().Components(3);
  chains.Add();
  chains.Add();
  w.log.clear();
  geo::CreateHoleSimple(w.hole, 10, 20, 0, 0);
  const fake::Log expected = {"c1.v1=f64:10", "c1.v2=f64:10",  "c1.v3=f64:0", "c1.v4=i16:1",
                              "c1.v5=i16:1",  "c1.v6=i16:1",   "c1.v7=i32:1", "remove c3",
                              "remove c3",    "c4.v1=f64:5",   "c4.v2=f64:5", "c4.v3=f64:0",
                              "add c3",       "c14.v62=i32:1", "ResetSizeBox"};
  EXPECT_EQ(w.log, expected);
}

// A fault in the numbers stops the builder before the shape is touched.
TEST(BuilderFaults, OverflowRaisesSixAndLeavesShapeAlone) {
  fake::World w;
  w.log.clear();
  try {
    geo::CreateHoleSimple(w.hole, 1e308, 20, 0, 1e308);
    FAIL() << "no error";
  } catch (const cavix::rt::Error& e) {
    EXPECT_EQ(e.Number(), 6);
  }
  EXPECT_TRUE(w.log.empty());
}

// A host failure part way keeps what was already written.
TEST(BuilderFaults, MissingRebuildComponentFailsAfterTheChain) {
  fake::World w;
  w.hole.holder.Get(14).items.clear();
  try {
    geo::CreateHoleSimple(w.hole, 10, 20, 0, 0);
    FAIL() << "no error";
  } catch (const cavix::rt::Error& e) {
    EXPECT_EQ(e.Number(), 9);
  }
  EXPECT_EQ(w.hole.ChainCount(), 1);
  EXPECT_EQ(w.hole.Chain().size(), 5u);
}

// Cone heights: the true height (Ds/2 - r)/tan(angle/2) in every builder, so a threaded and a
// plain countersink with the same bore radius have the same cone.
TEST(ConeHeight, SameConeForPlainAndThreadedBores) {
  for (double angle : {60.0, 82.0, 90.0, 100.0, 120.0}) {
    SCOPED_TRACE(angle);
    fake::World a, b;
    geo::CreateHoleCSink(a.hole, 10, 10, 0, 0, 20, angle);            // r = 5
    geo::CreateHoleCSinkThread(b.hole, 11, 10, 0, 10, 1, 20, angle);  // r = 5
    const double hs = 5 / TanHalf(angle);
    EXPECT_NEAR(cavix::rt::CDbl(a.hole.Chain()[2].second), -hs, 1e-9);
    EXPECT_NEAR(cavix::rt::CDbl(b.hole.Chain()[2].second), -hs, 1e-9);
  }
  EXPECT_NEAR(5 / TanHalf(120), 2.887, 1e-3);
}

TEST(ConeHeight, UnusedArgumentsDoNotMatter) {
  fake::World a, b;
  geo::CreateHole(a.hole, {.recess = geo::Recess::Counterbore,
                           .diameter = 8,
                           .length = 10,
                           .allowance = 0.5,
                           .threadLength = 99,
                           .pitch = 3,
                           .recessDiameter = 14,
                           .recessDepth = 4});
  geo::CreateHoleCBore(b.hole, 8, 10, 0, 0.5, 14, 4);
  EXPECT_EQ(a.hole.Chain(), b.hole.Chain());
}

}  // namespace
