// How a part is cut in pieces that hold a few holes each, so that no boolean grows with the whole
// part: one rule for the export's tiles and the window's cells. Plain values in and out, no kernel.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "export/export.h"

namespace cavix::exporter {

// An axis-aligned box, lo <= hi on every axis, in mm.
struct Box3 {
  std::array<double, 3> lo{}, hi{};
};

// What the tiling needs to know of one hole.
struct HoleReach {
  Box3 box;  // around every solid the hole removes
  // Coordinates along each axis where a plane square to that axis would meet one of the hole's
  // faces edge-on or in its own plane (a bore's sides, a counterbore's floor): a seam there
  // would leave slivers, so seams keep `clearance` away from them inside the hole's box.
  std::array<std::vector<double>, 3> keepClear;
  double clearance = 0.01;
};

// What a hole tells the tiling: its box, and the planes its faces keep clear of for a hole drilled
// from `origin` along the unit vector `axis`, whose profile has the vertices (radius, depth below
// the origin) given: each vertex sweeps a circle about the axis, which a plane square to axis k
// touches at its centre -+ its radius across k. `largestRadius` sets the clearance.
HoleReach ReachOf(const Box3& box, const std::array<double, 3>& origin,
                  const std::array<double, 3>& axis,
                  const std::vector<std::array<double, 2>>& vertices, double largestRadius);

struct TilingRules {
  // About this many holes a tile; at least 1.
  int holesPerTile = 24;
  // Planes of the part's own faces square to each axis: seams keep 0.01 mm off them.
  std::array<std::vector<double>, 3> partPlanes;
};

// A piece of the part's box and the holes whose boxes reach into it (ascending).
struct Tile {
  Box3 box;
  std::vector<HoleIndex> holes;
};

// Splits `part` among `holes` (a HoleIndex is a place in that vector) as a k-d tree on the holes'
// centres, each tile taking about rules.holesPerTile holes. Along the axis where the centres
// spread most, a seam goes through a gap between holes near the middle where there is one, else
// between two centres, clear of every face of the holes it crosses. A hole crossed by a seam
// belongs to the tiles on both sides. Holes not listed in `which` are left out. The result
// depends on its input alone: the same part always gets the same tiles in the same order.
std::vector<Tile> SplitAmongHoles(const Box3& part, const std::vector<HoleReach>& holes,
                                  const std::vector<HoleIndex>& which, const TilingRules& rules);

// How many other holes' boxes the box of each hole of `which` meets, on average: 0 for holes
// apart, about 8 for a grid whose neighbours overlap all round.
int Crowding(const std::vector<HoleReach>& holes, const std::vector<HoleIndex>& which);

// The holes of `which` in groups linked by boxes that, grown by `margin`, meet: each group
// ascending, the groups in the order of their first holes, a hole apart from all a group alone.
std::vector<std::vector<HoleIndex>> MeetingGroups(const std::vector<HoleReach>& holes,
                                                  const std::vector<HoleIndex>& which,
                                                  double margin);

}  // namespace cavix::exporter
