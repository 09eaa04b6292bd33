// The one tiling of a part among its holes: a k-d tree whose seams go between holes.

#include "export/tiling.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <optional>

namespace cavix::exporter {
namespace {

size_t At(HoleIndex h) { return static_cast<size_t>(h); }

class Splitter {
 public:
  Splitter(const Box3& part, const std::vector<HoleReach>& holes, const TilingRules& rules)
      : holes_(holes), rules_(rules), perTile_(std::max(rules.holesPerTile, 1)) {
    const double size = std::hypot(part.hi[0] - part.lo[0], part.hi[1] - part.lo[1],
                                   part.hi[2] - part.lo[2]);
    margin_ = 0.01 + 1e-9 * size;
  }

  void Split(const Box3& region, const std::vector<HoleIndex>& holes, int depth,
             std::vector<Tile>& out) const {
    if (static_cast<int>(holes.size()) > perTile_ && depth < 64) {
      std::array<double, 3> spread{};
      for (int k = 0; k < 3; ++k) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (HoleIndex h : holes) {
          lo = std::min(lo, Centre(h, k));
          hi = std::max(hi, Centre(h, k));
        }
        spread[k] = hi - lo;
      }
      std::array<int, 3> axes{0, 1, 2};
      std::stable_sort(axes.begin(), axes.end(),
                       [&](int a, int b) { return spread[a] > spread[b]; });
      for (int axis : axes) {
        if (spread[axis] <= 1e-9) break;
        const std::optional<double> at = FindSplit(axis, region, holes);
        if (!at) continue;
        std::vector<HoleIndex> below, above;
        for (HoleIndex h : holes) {
          if (Reach(h).lo[axis] < *at) below.push_back(h);
          if (Reach(h).hi[axis] > *at) above.push_back(h);
        }
        if (below.size() == holes.size() || above.size() == holes.size()) continue;
        Box3 low = region, high = region;
        low.hi[axis] = *at;
        high.lo[axis] = *at;
        Split(low, below, depth + 1, out);
        Split(high, above, depth + 1, out);
        return;
      }
    }
    out.push_back({region, holes});
  }

 private:
  const Box3& Reach(HoleIndex h) const { return holes_[At(h)].box; }
  double Centre(HoleIndex h, int axis) const {
    return (Reach(h).lo[axis] + Reach(h).hi[axis]) / 2;
  }

  bool Inside(const Box3& region, int axis, double at) const {
    return at > region.lo[axis] + margin_ && at < region.hi[axis] - margin_;
  }

  bool ClearOfPart(int axis, double at) const {
    for (double p : rules_.partPlanes[axis])
      if (std::fabs(at - p) < 0.01) return false;
    return true;
  }

  bool ClearOfHoles(int axis, double at, const std::vector<HoleIndex>& holes) const {
    for (HoleIndex h : holes) {
      const HoleReach& r = holes_[At(h)];
      if (!(r.box.lo[axis] < at && at < r.box.hi[axis])) continue;
      for (double c : r.keepClear[axis])
        if (std::fabs(at - c) < r.clearance) return false;
    }
    return true;
  }

  std::optional<double> FindSplit(int axis, const Box3& region,
                                  std::vector<HoleIndex> holes) const {
    std::sort(holes.begin(), holes.end(), [&](HoleIndex a, HoleIndex b) {
      return Centre(a, axis) < Centre(b, axis);
    });
    const int n = static_cast<int>(holes.size());
    std::vector<double> highest(n), lowest(n);
    for (int i = 0; i < n; ++i)
      highest[i] = std::max(i ? highest[i - 1] : -HUGE_VAL, Reach(holes[i]).hi[axis]);
    for (int i = n - 1; i >= 0; --i)
      lowest[i] = std::min(i + 1 < n ? lowest[i + 1] : HUGE_VAL, Reach(holes[i]).lo[axis]);
    // Candidates from the middle outwards, no further than the quartiles.
    std::vector<int> order;
    for (int step = 0; step <= n / 4; ++step)
      for (int i : {n / 2 - step, n / 2 + step})
        if (i >= 1 && i <= n - 1 && std::find(order.begin(), order.end(), i) == order.end())
          order.push_back(i);
    // A gap between the holes below and those above.
    for (int i : order) {
      if (!(highest[i - 1] < lowest[i])) continue;
      const double at = (highest[i - 1] + lowest[i]) / 2;
      if (Inside(region, axis, at) && ClearOfPart(axis, at)) return at;
    }
    // Else between two centres, through the holes but clear of their faces.
    for (int i : order) {
      const double a = Centre(holes[i - 1], axis), b = Centre(holes[i], axis);
      if (b - a <= 1e-9) continue;
      for (double f : {0.5, 0.3, 0.7, 0.15, 0.85}) {
        const double at = a + f * (b - a);
        if (Inside(region, axis, at) && ClearOfPart(axis, at) && ClearOfHoles(axis, at, holes))
          return at;
      }
    }
    return std::nullopt;
  }

  const std::vector<HoleReach>& holes_;
  const TilingRules& rules_;
  const int perTile_;
  double margin_ = 0.01;
};

}  // namespace

std::vector<Tile> SplitAmongHoles(const Box3& part, const std::vector<HoleReach>& holes,
                                  const std::vector<HoleIndex>& which, const TilingRules& rules) {
  std::vector<Tile> tiles;
  Splitter(part, holes, rules).Split(part, which, 0, tiles);
  return tiles;
}

namespace {

// Calls meet(h, o) for every ordered pair of holes of `which` whose boxes, grown by `margin`,
// meet. Buckets the size of the largest hole: each box meets only those of the buckets around it.
template <class Meet>
void ForEachMeeting(const std::vector<HoleReach>& holes, const std::vector<HoleIndex>& which,
                    double margin, Meet meet) {
  double cell = 0;
  for (HoleIndex h : which)
    for (int k = 0; k < 3; ++k)
      cell = std::max(cell, holes[At(h)].box.hi[k] - holes[At(h)].box.lo[k] + 2 * margin);
  cell = std::max(cell, 1e-6);
  std::map<std::array<long long, 3>, std::vector<HoleIndex>> buckets;
  auto key = [&](HoleIndex h) {
    std::array<long long, 3> k;
    for (int a = 0; a < 3; ++a)
      k[a] = static_cast<long long>(std::floor((holes[At(h)].box.lo[a] - margin) / cell));
    return k;
  };
  for (HoleIndex h : which) buckets[key(h)].push_back(h);
  for (HoleIndex h : which) {
    const auto k = key(h);
    const Box3& a = holes[At(h)].box;
    for (long long dx = -1; dx <= 1; ++dx)
      for (long long dy = -1; dy <= 1; ++dy)
        for (long long dz = -1; dz <= 1; ++dz) {
          const auto it = buckets.find({k[0] + dx, k[1] + dy, k[2] + dz});
          if (it == buckets.end()) continue;
          for (HoleIndex o : it->second) {
            if (o == h) continue;
            const Box3& b = holes[At(o)].box;
            bool meets = true;
            for (int i = 0; i < 3; ++i)
              meets = meets && b.lo[i] < a.hi[i] + 2 * margin && a.lo[i] < b.hi[i] + 2 * margin;
            if (meets) meet(h, o);
          }
        }
  }
}

}  // namespace

HoleReach ReachOf(const Box3& box, const std::array<double, 3>& origin,
                  const std::array<double, 3>& axis,
                  const std::vector<std::array<double, 2>>& vertices, double largestRadius) {
  HoleReach r;
  r.box = box;
  r.clearance = std::max(0.01, 0.02 * largestRadius);
  for (size_t k = 0; k < 3; ++k) {
    const double across = std::sqrt(std::max(0.0, 1 - axis[k] * axis[k]));
    for (const auto& v : vertices) {
      const double c = origin[k] + v[1] * axis[k], s = v[0] * across;
      r.keepClear[k].push_back(c - s);
      r.keepClear[k].push_back(c + s);
    }
  }
  return r;
}

int Crowding(const std::vector<HoleReach>& holes, const std::vector<HoleIndex>& which) {
  if (which.size() < 2) return 0;
  long long meetings = 0;
  ForEachMeeting(holes, which, 0, [&](HoleIndex, HoleIndex) { ++meetings; });
  return static_cast<int>(meetings / static_cast<long long>(which.size()));
}

std::vector<std::vector<HoleIndex>> MeetingGroups(const std::vector<HoleReach>& holes,
                                                  const std::vector<HoleIndex>& which,
                                                  double margin) {
  std::vector<size_t> parent(holes.size());
  std::iota(parent.begin(), parent.end(), size_t{0});
  auto root = [&](size_t h) {
    while (parent[h] != h) h = parent[h] = parent[parent[h]];
    return h;
  };
  ForEachMeeting(holes, which, margin, [&](HoleIndex a, HoleIndex b) {
    const size_t ra = root(At(a)), rb = root(At(b));
    if (ra != rb) parent[std::max(ra, rb)] = std::min(ra, rb);
  });
  std::vector<HoleIndex> sorted = which;
  std::sort(sorted.begin(), sorted.end());
  std::map<size_t, size_t> groupOf;
  std::vector<std::vector<HoleIndex>> groups;
  for (HoleIndex h : sorted) {
    const auto [it, fresh] = groupOf.emplace(root(At(h)), groups.size());
    if (fresh) groups.emplace_back();
    groups[it->second].push_back(h);
  }
  return groups;
}

}  // namespace cavix::exporter
