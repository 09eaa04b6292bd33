// The one tiling of a part among its holes, checked against facts worked out by brute force: the
// tiles cover the part exactly once, every hole is in exactly the tiles its box reaches, seams
// keep off the holes' faces and the part's own, and the tiles are small; and the workers that cut
// them run every task once and report the first failure by task, not by time.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "export/tiling.h"
#include "runtime/workers.h"

using namespace cavix::exporter;

namespace {

// A hole as the tiling sees an M6 counterbore (11 mm across, 20 deep) drilled into z = 20: its
// box, and the planes square to x and y that touch its counterbore's and bore's walls.
HoleReach Counterbore(double x, double y) {
  HoleReach r;
  r.box = {{x - 5.5, y - 5.5, 0}, {x + 5.5, y + 5.5, 20}};
  for (double radius : {5.5, 3.3}) {
    r.keepClear[0].insert(r.keepClear[0].end(), {x - radius, x + radius});
    r.keepClear[1].insert(r.keepClear[1].end(), {y - radius, y + radius});
  }
  r.keepClear[2] = {20, 13.6, 3.6};  // mouth, counterbore floor, bore's end
  r.clearance = 0.11;
  return r;
}

struct Layout {
  Box3 part;
  std::vector<HoleReach> holes;
  std::vector<HoleIndex> all;
};

Layout Grid(int nx, int ny, double px, double py) {
  Layout l;
  l.part = {{0, 0, 0}, {px * nx, py * ny, 20}};
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j) {
      l.all.push_back(HoleIndex(l.holes.size()));
      l.holes.push_back(Counterbore(px * (i + 0.5), py * (j + 0.5)));
    }
  return l;
}

bool Meets(const Box3& a, const Box3& b) {
  for (int k = 0; k < 3; ++k)
    if (!(a.lo[k] < b.hi[k] && b.lo[k] < a.hi[k])) return false;
  return true;
}

double Volume(const Box3& b) {
  return (b.hi[0] - b.lo[0]) * (b.hi[1] - b.lo[1]) * (b.hi[2] - b.lo[2]);
}

}  // namespace

// Holes apart (15 mm pitch) are split between tiles through the gaps, so no hole is in two tiles;
// holes that overlap all round (10 x 6.6 mm: the bores touch, and the plane half way between two
// centres is a bore's wall) are crossed by seams and listed on both sides. Either
// way the tiles fill the part once, each holds exactly the holes whose boxes reach into it, no
// more than asked for where seams can go between centres, and no seam touches a hole's wall or
// floor or the part's own face at x = 60.
TEST(Tiling, TilesFillThePartAndHoldTheHolesTheyReach) {
  const struct {
    const char* name;
    Layout layout;
    bool apart;
  } cases[] = {{"apart", Grid(10, 10, 15, 15), true}, {"overlapping", Grid(10, 10, 10, 6.6), false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TilingRules rules;
    rules.holesPerTile = 12;
    rules.partPlanes[0] = {60};
    const std::vector<Tile> tiles = SplitAmongHoles(c.layout.part, c.layout.holes, c.layout.all,
                                                    rules);
    ASSERT_GE(tiles.size(), 8u);
    double volume = 0;
    std::vector<int> placed(c.layout.holes.size(), 0);
    for (size_t t = 0; t < tiles.size(); ++t) {
      volume += Volume(tiles[t].box);
      for (size_t u = t + 1; u < tiles.size(); ++u)
        EXPECT_FALSE(Meets(tiles[t].box, tiles[u].box)) << "tiles " << t << " and " << u;
      std::vector<HoleIndex> reaching;
      for (HoleIndex h : c.layout.all)
        if (Meets(c.layout.holes[static_cast<size_t>(h)].box, tiles[t].box)) reaching.push_back(h);
      std::vector<HoleIndex> listed = tiles[t].holes;
      std::sort(listed.begin(), listed.end());
      EXPECT_EQ(listed, reaching) << "tile " << t;
      for (HoleIndex h : listed) ++placed[static_cast<size_t>(h)];
      if (c.apart) {
        EXPECT_LE(tiles[t].holes.size(), 12u);
      }
      for (int k = 0; k < 3; ++k)
        for (double side : {tiles[t].box.lo[k], tiles[t].box.hi[k]}) {
          if (side == c.layout.part.lo[k] || side == c.layout.part.hi[k]) continue;  // the part's
          if (k == 0) {
            EXPECT_GT(std::fabs(side - 60), 0.01);
          }
          for (const HoleReach& h : c.layout.holes) {
            if (!(h.box.lo[k] < side && side < h.box.hi[k])) continue;
            for (double plane : h.keepClear[k]) {
              EXPECT_GE(std::fabs(side - plane), h.clearance);
            }
          }
        }
    }
    EXPECT_NEAR(volume, Volume(c.layout.part), 1e-9 * Volume(c.layout.part));
    const int most = *std::max_element(placed.begin(), placed.end());
    EXPECT_EQ(*std::min_element(placed.begin(), placed.end()), 1);
    if (c.apart) {
      EXPECT_EQ(most, 1) << "a seam crosses a hole with gaps all round";
    } else {
      EXPECT_GT(most, 1) << "no seam crosses holes that leave no gap";
    }
    // The same part, the same tiles.
    const std::vector<Tile> again = SplitAmongHoles(c.layout.part, c.layout.holes, c.layout.all,
                                                    rules);
    ASSERT_EQ(again.size(), tiles.size());
    for (size_t t = 0; t < tiles.size(); ++t) {
      EXPECT_EQ(again[t].box.lo, tiles[t].box.lo);
      EXPECT_EQ(again[t].box.hi, tiles[t].box.hi);
      EXPECT_EQ(again[t].holes, tiles[t].holes);
    }
  }
  // Holes of one centre leave nothing to split between: one tile, however many.
  Layout stacked = Grid(1, 1, 15, 15);
  for (int i = 0; i < 30; ++i) {
    stacked.all.push_back(HoleIndex(stacked.holes.size()));
    stacked.holes.push_back(stacked.holes.front());
  }
  EXPECT_EQ(SplitAmongHoles(stacked.part, stacked.holes, stacked.all, TilingRules{}).size(), 1u);
}

// Boxes that meet: none apart, the eight neighbours all round on the 10 x 6 grid inside it.
TEST(Tiling, CrowdingCountsTheNeighboursABoxMeets) {
  const Layout apart = Grid(6, 6, 15, 15), overlapping = Grid(20, 20, 10, 6);
  EXPECT_EQ(Crowding(apart.holes, apart.all), 0);
  // Inner holes meet 8, edge ones 5, corner ones 3: (18*18*8 + 4*18*5 + 4*3) / 400 = 7.4.
  EXPECT_EQ(Crowding(overlapping.holes, overlapping.all), 7);
}

// Every task once, on any number of workers; the failure reported is that of the lowest task
// number, after all the others ran.
TEST(Workers, EveryTaskRunsOnceAndTheFirstFailureByNumberIsReported) {
  for (int jobs : {1, 3, 64}) {
    SCOPED_TRACE(jobs);
    std::vector<std::atomic<int>> runs(200);
    cavix::rt::RunOnWorkers(jobs, runs.size(), [&](size_t i) { ++runs[i]; });
    for (const auto& r : runs) EXPECT_EQ(r.load(), 1);

    std::atomic<int> ran{0};
    try {
      cavix::rt::RunOnWorkers(jobs, 50, [&](size_t i) {
        ++ran;
        if (i == 31 || i == 7 || i == 40) throw std::runtime_error(std::to_string(i));
      });
      ADD_FAILURE() << "no failure reported";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "7");
    }
    EXPECT_EQ(ran.load(), 50);
  }
  cavix::rt::RunOnWorkers(4, 0, [](size_t) { FAIL() << "a task of none ran"; });
}
