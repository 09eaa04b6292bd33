// What every output says about one hole of a part, worked out once per hole from the record on
// its shape and the part it is in. The hole table, the section sheet, the thread report, the
// solid's node names and the window read these facts and nothing else, so that no two of them
// can disagree about a hole.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hole_objects/hole_kinds.h"
#include "hole_objects/hole_record.h"
#include "hole_objects/hole_spec.h"
#include "host/host_model.h"
#include "host/axis_material.h"

namespace cavix::holes {

struct HoleFacts {
  int32_t id = 0;          // the shape's, as the host numbers its shapes
  std::string name;        // the shape's
  std::string boundClass;  // programmatic identifier of the class bound to the shape, or ""
  // The kind of hole: the bound class's, else the one the record names; null when neither does
  // (the record is then read as a plain hole's).
  const HoleKind* kind = nullptr;
  bool read = false;  // the record could be read (else `problem` says why, and nothing below)
  HoleRecord stored;  // the record as it reads
  HoleSpec spec;      // the hole it describes, lengths as built
  // Where the hole opens on the face and the direction it goes into the part (model units).
  std::array<double, 3> position{0, 0, 0}, axis{0, 0, -1};
  // How thick the part is along the axis (ThroughDepth): what a through hole goes through; 0 when
  // the part cannot be measured.
  double throughDepth = 0;
  // "" for a hole; else why its record makes none (it cannot be read, or its values describe an
  // outline that is no hole).
  std::string problem;
  // A blind hole whose point goes through the material it enters, as the part measures it
  // (set by whoever measured the part; outputs mark it).
  bool breaksOut = false;

  bool IsHole() const { return problem.empty(); }
  // "#5 \"CBHole M8x1.25\"": how the sheet, the solid and messages name the hole.
  std::string Label() const;
  // A thread that runs the whole bore of a through hole: drawings call it THRU.
  bool ThreadThrough() const;
};

// Material closer than this is touching: the tolerance a part's solid is read to (the finest
// drilled fits, H6 on small holes, allow about this much), in millimetres.
inline constexpr double kMaterialToleranceMm = 0.01;

// How much material is left under the deepest point of the blind hole `f` (its point or flat
// bottom), from what its axis meets in the part, in the page's unit: negative when it breaks
// out. None for a through hole, a shape that is no hole, or an axis that meets no material ahead.
std::optional<double> FloorUnder(const HoleFacts& f, const host::AxisMaterial& m,
                                 double tolerance);

// The facts of the hole on `shape`, which carries a hole record; `id`, `position` and
// `boundClass` are what only the host knows of the shape. Never raises for what the record or the
// part hold: that is said in `problem`. Host errors reach the caller.
HoleFacts FactsOf(host::IShape& shape, int32_t id, const std::array<double, 3>& position,
                  std::string_view boundClass);

}  // namespace cavix::holes
