// Creating holes: shape names, through-hole lengths, refusals that leave the shape alone
// (refused regenerations are checked through `cavix resize` and `cavix regen` in cli_test.cpp).
#include <cmath>
#include <numbers>

#include "scene_fixture.h"

namespace {

using namespace holetest;

double TanHalf(double deg) { return std::tan(deg * std::numbers::pi / 360); }

TEST_F(HoleTest, ShapeNames) {
  struct Row {
    const char* before;
    int16_t type;
    bool thread;
    double D, P;
    const char* after;
  };
  const Row rows[] = {
      {"Fori", 1, false, 8.5, 0, "Hole  8.5"},
      {"Fori", 1, true, 10, 1.5, "Hole M10x1.5"},
      {"Fori", 1, true, 3, 1, "Hole M3x1"},
      {"Fori", 1, true, 3, 0, "Hole M3x00"},
      {"Fori", 1, true, 0.8, 0.2, "Hole M.8x0.2"},
      {"Hole M10x1.5", 1, false, 6.6, 0, "Hole  6.6"},
      {"My odd  name", 3, false, 6.6, 0, "My  6.6"},
      {"Fori", 2, true, 8, 1.25, "CBHole M8x1.25"},
      {"Fori", 3, false, 10, 0, "CSHole  10"},
      {"Fori", 4, true, 12, 1.75, "CDHole M12x1.75"},
      {" lead", 1, false, 5, 0, "  5"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.after);
    hole.SetName(r.before);
    // type, thread, through, D, L, LT, P, A, T, Dr, Lc, Ar
    Create({r.type, r.thread, false, r.D, 10, 8, r.P, 0, 0, 20, 2, 90});
    EXPECT_EQ(hole.Name(), r.after);
  }
}

// A through hole must end at the far face: its bore is the part's thickness less what the recess
// takes, a thread runs all of it, and that bore is what is built and stored.
TEST_F(HoleTest, ThroughCorrections) {
  struct Row {
    const char* what;
    HoleInput s;
    double length, threadLength, deepest;
  };
  const double k82 = (10 - 5.25) / TanHalf(82);
  // clang-format off
  const Row rows[] = {
    {"plain", {.type = 1, .through = true, .T = 0.5}, 20, 0, -20},
    {"counterbore", {.type = 2, .through = true, .L = 30, .LT = 30, .Dr = 11, .Lc = 5}, 25, 25, -30},
    {"countersink 90", {.type = 3, .through = true, .T = 0.5, .Dr = 20, .Ar = 90}, 15.25, 0, -20},
    {"countersink 82", {.type = 3, .through = true, .T = 0.5, .Dr = 20, .Ar = 82}, 20 - k82, 0, -20},
    {"countersink threaded",
     {.type = 3, .thread = true, .through = true, .LT = 18, .P = 1.5, .Dr = 20, .Ar = 90},
     14.25, 14.25, -20},
    {"countersink no cone", {.type = 3, .through = true, .Dr = 20, .Ar = 0}, 20, 0, -20},
    {"counterdrill", {.type = 4, .through = true, .Dr = 16, .Lc = 4, .Ar = 90}, 13, 0, -20},
    {"counterdrill threaded",
     {.type = 4, .thread = true, .through = true, .D = 12, .L = 30, .LT = 10, .P = 1.75,
      .Dr = 20, .Lc = 5, .Ar = 90}, 20.125, 20.125, -30},
    {"counterdrill no cone",
     {.type = 4, .through = true, .D = 12, .L = 30, .Dr = 20, .Lc = 5, .Ar = -3}, 25, 0, -30},
    {"blind countersink", {.type = 3, .T = 0.5, .Dr = 20, .Ar = 90}, 20, 0, -24.75},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const holes::HoleSpec h = Create(r.s);
    EXPECT_NEAR(h.boreLength, r.length, 1e-9);
    if (r.s.thread) {
      EXPECT_NEAR(h.threadLength, r.threadLength, 1e-9);
    }
    EXPECT_NEAR(Deepest(hole), r.deepest, 1e-9);
    EXPECT_EQ(Slot(1, r.s.thread ? 9 : 11), Variant(h.boreLength));
  }
}

// Numbers that overflow, or a recess deeper than the part, are refused before anything changes.
TEST_F(HoleTest, RefusedHolesLeaveTheShapeAlone) {
  const HoleInput huge{.type = 3, .through = true, .D = 1e308, .T = 1e308, .Dr = 20, .Ar = 90};
  EXPECT_EQ(ErrorOf([&] { Create(huge); }), 6);
  // A recess deeper than the part (the message is checked through `cavix resize`).
  EXPECT_EQ(ErrorOf([&] {
              Create({.type = 4, .through = true, .D = 10, .L = 6, .Dr = 16, .Lc = 4, .Ar = 90});
            }),
            5);
  EXPECT_EQ(hole.Components(15).At(1).Profile().Components(3).Count(), 0);
  EXPECT_TRUE(hole.Store().First(1)->Vars().empty());  // nor its size
  EXPECT_EQ(hole.Name(), "Fori");
  EXPECT_EQ(hole.Components(34).Count(), 0);
}

}  // namespace
