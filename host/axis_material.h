// What a hole's axis meets in its part: the runs of material along the axis line, measured by the
// layer that owns the part's solid and handed to the hole logic as plain numbers.
#pragma once

#include <string>
#include <vector>

namespace cavix::host {

// One run of material along the axis, in the page's length unit from the hole's position, positive
// along the axis (into the part for a hole that enters where it is placed).
struct MaterialSpan {
  double enter = 0, exit = 0;
};

// Everything the axis line meets, both sides of the position, in order along the axis.
struct AxisMaterial {
  std::vector<MaterialSpan> spans;
  // The face the hole enters by: the span that starts nearest the position ahead of it.
  bool entryPlanar = false;
  double entryCos = 0;  // axis against the face's inward normal: 1 square on, 0 grazing
  double entryEdgeDistance = 0;  // from where the axis enters to the nearest edge of that face
  // The face of the last exit, axis against its outward normal.
  bool exitPlanar = false;
  double exitCos = 0;
  // Distance from the position to the nearest point of the part's surface.
  double surfaceDistance = 0;
  // Why the part could not be measured (a kernel failure), in words; empty when it was.
  std::string failure;

  bool Measured() const { return failure.empty(); }
  // The first run that reaches further than `tolerance` ahead of the position, or null when
  // the axis meets no material ahead.
  const MaterialSpan* Ahead(double tolerance) const {
    for (const MaterialSpan& s : spans)
      if (s.exit > tolerance) return &s;
    return nullptr;
  }
  // How far the material reaches along the axis: the last exit (0 when there is none ahead).
  double LastExit() const { return spans.empty() || spans.back().exit < 0 ? 0 : spans.back().exit; }
};

}  // namespace cavix::host
