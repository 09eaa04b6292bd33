// What drawings are told about a hole's thread, through both routes of the provider (the values
// of a plain M10 are checked through `cavix threads` in cli_test.cpp).
#include <cmath>
#include <numbers>

#include "hole_fixture.h"

namespace {

using namespace holetest;

double TanHalf(double deg) { return std::tan(deg * std::numbers::pi / 360); }

// Everything GetProjectedThreadInformation hands out, starting from sentinels.
struct Thread {
  bool result = false;
  double inner = -9, outer = -9, taper = -9, length = -9, offset = -9, vx = -9, vy = -9, vz = -9;
  bool isHole = false, taperProjection = false;
};

Thread Ask(holes::HoleObject& h, cavix::host::IShape& shape, bool namedRoute = false) {
  Thread t;
  t.result = namedRoute ? h.IC2DProjectedThreads_GetProjectedThreadInformation(
                              shape, t.inner, t.outer, t.taper, t.length, t.offset, t.vx, t.vy,
                              t.vz, t.isHole, t.taperProjection)
                        : h.GetProjectedThreadInformation(shape, t.inner, t.outer, t.taper,
                                                          t.length, t.offset, t.vx, t.vy, t.vz,
                                                          t.isHole, t.taperProjection);
  return t;
}

// The thread starts where the builder's threaded bore starts, by both routes.
TEST_F(HoleTest, OffsetsMatchTheBuiltBore) {
  struct Row {
    const char* what;
    HoleInput s;
    double offset;
    int boreStart;  // index of the chain point where the threaded bore starts
  };
  // clang-format off
  const Row rows[] = {
    {"plain", {.type = 1, .thread = true, .L = 25, .LT = 20, .P = 1.5}, 0, 0},
    {"countersink 120", {.type = 3, .thread = true, .LT = 15, .P = 1.5, .Dr = 20, .Ar = 120},
     5.75 / TanHalf(120), 2},
    {"counterbore", {.type = 2, .thread = true, .D = 8, .LT = 15, .P = 1.25, .Dr = 14, .Lc = 8},
     8, 3},
    {"counterdrill 82",
     {.type = 4, .thread = true, .D = 12, .L = 30, .LT = 20, .P = 1.75, .Dr = 20, .Lc = 5, .Ar = 82},
     5 + 4.875 / TanHalf(82), 3},
    {"counterdrill no cone",
     {.type = 4, .thread = true, .D = 12, .L = 30, .LT = 20, .P = 1.75, .Dr = 20, .Lc = 5, .Ar = 0},
     5, 3},
  };
  // clang-format on
  for (const Row& r : rows)
    for (bool named : {false, true}) {
      SCOPED_TRACE(::testing::Message() << r.what << (named ? " (named route)" : ""));
      Create(r.s);
      auto h = holes::MakeHole(r.s.type);
      const Thread t = Ask(*h, w.hole, named);
      EXPECT_TRUE(t.result);
      EXPECT_EQ(std::vector<double>({t.inner, t.outer, t.length, t.taper}),
                std::vector<double>({r.s.D - r.s.P, r.s.D, r.s.LT, -9}));
      EXPECT_NEAR(t.offset, r.offset, 1e-9);
      EXPECT_DOUBLE_EQ(-cavix::rt::CDbl(w.hole.Chain()[r.boreStart].second), t.offset);
      EXPECT_TRUE(t.isHole);
      EXPECT_EQ(h->ProjectionFlags(), 1);
    }
}

// No answer, outputs untouched where the hole has no thread to draw.
TEST_F(HoleTest, HolesWithoutAThreadToDraw) {
  // An unthreaded plain hole answers with nothing to draw.
  Create({.type = 1, .L = 25, .A = 118, .T = 0.5});
  holes::HoleSimple simple;
  Thread t = Ask(simple, w.hole);
  EXPECT_TRUE(t.result);
  EXPECT_EQ(simple.ProjectionFlags(), 0);
  EXPECT_EQ(std::vector<double>({t.inner, t.outer}), std::vector<double>({0, 0}));

  // The counterbore's loader refuses an unthreaded hole: stopped after Initialize.
  fake::World other;
  Make({.type = 2, .D = 6.6, .Dr = 11, .Lc = 6.5})->Create(other.hole);
  holes::HoleCBore cbore;
  t = Ask(cbore, other.hole);
  EXPECT_FALSE(t.result);
  EXPECT_EQ(t.inner, -9);

  // No record at all: no answer, and the host is not asked for anything.
  fake::World none;
  holes::HoleCDrill drill;
  t = Ask(drill, none.hole, true);
  EXPECT_FALSE(t.result);
  EXPECT_TRUE(none.services.state.calls.empty());

  // Countersink without a cone angle: no answer after the diameters.
  Create({.type = 3, .thread = true, .LT = 15, .P = 1.5, .Dr = 20, .Ar = 0});
  holes::HoleCSink sink;
  t = Ask(sink, w.hole);
  EXPECT_FALSE(t.result);
  EXPECT_EQ(std::vector<double>({t.inner, t.length}), std::vector<double>({8.5, -9}));

  // A stored counterdrill whose pitch is not below its diameter: success, outputs untouched.
  Create({.type = 4, .thread = true, .LT = 15, .P = 2, .Dr = 20, .Lc = 5, .Ar = 90});
  w.hole.HoleData().SetValue(1, 10, 2.0);
  double len = -9, off = -9;
  ASSERT_TRUE(drill.Initialize(w.hole));
  EXPECT_TRUE(drill.IC2DProjectedThreads_GetPositionInformation(len, off));
  EXPECT_EQ(std::vector<double>({len, off}), std::vector<double>({-9, -9}));
}

TEST_F(HoleTest, HoleInformationPerClass) {
  struct Row {
    int16_t type;
    double cbDepth, cbDia, csDia, csAngle;
  };
  const Row rows[] = {{1, 0, 0, 0, 0}, {2, 6, 18, 0, 0}, {3, 0, 0, 18, 82}, {4, 6, 18, 18, 82}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.type);
    // type, thread, through, D, L, LT, P, A, T, Dr, Lc, Ar
    Create({r.type, true, false, 10, 25, 20, 1.5, 118, 0, 18, 6, 82});
    auto h = holes::MakeHole(r.type);
    h->SetLunghezza(33);
    h->SetangPunta(118);
    ASSERT_TRUE(h->Initialize(w.hole));
    // The counterbore's loader knows only the depth: its diameter is what the object holds.
    if (r.type == 2) static_cast<holes::HoleCBore&>(*h).SetDiamIncasso(18);
    bool finite = false;
    double depth, cbd, cbdia, csdia, csang, bottom;
    EXPECT_TRUE(h->IC2DProjectedThreads_GetHoleInformation(true, finite, depth, cbd, cbdia, csdia,
                                                           csang, bottom));
    EXPECT_TRUE(finite);
    EXPECT_EQ(std::vector<double>({depth, cbd, cbdia, csdia, csang, bottom}),
              std::vector<double>({33, r.cbDepth, r.cbDia, r.csDia, r.csAngle, 118}));
  }
}

}  // namespace
