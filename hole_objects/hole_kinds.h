// The four kinds of hole in one table: identifiers, names, which recess properties a kind has,
// where its allowance stands in a size row, its picture, and how it reports itself. The hole
// classes, their storage, the dialog and the hole table look their row up here.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "geometry/profile.h"

namespace cavix::holes {

// Recess properties a kind carries (and stores in number slots 16, 17, 18).
enum RecessProp : uint8_t {
  kNoRecess = 0,
  kRecessDiameter = 1,  // DiamIncasso, slot 16
  kRecessDepth = 2,     // LungIncasso, slot 17
  kRecessAngle = 4,     // AngoloIncasso, slot 18
};

struct HoleKind {
  int16_t type;                // hole type code, 1..4
  std::string_view className;  // stored in text slot 1
  std::string_view progId;     // bound to the shape
  std::string_view classId;
  std::string_view interfaceName;  // default dispatch interface
  std::string_view interfaceId;
  std::string_view plainPrefix;  // name of a new unthreaded hole, before the number text
  std::string_view threadWord;   // name of a new threaded hole, before " M"
  geo::Recess recess;            // which builder pair makes it
  uint8_t recessProps;           // RecessProp bits
  uint8_t threadLoadProps;     // RecessProp bits the thread loader reads back for drawings
  bool unthreadedLoadResult;   // what the thread loader answers for an unthreaded hole
  int allowanceColumn;         // index in the size row of the clearance allowance HToll
  std::string_view picture;    // picture key of the hole-type button ("plain", …)
  std::string_view recessWord; // what the hole table calls its recess ("" for none)

  bool Has(RecessProp p) const { return (recessProps & p) != 0; }
  bool HasRecess() const { return recessProps != kNoRecess; }
};

// clang-format off
inline constexpr std::array<HoleKind, 4> kHoleKinds{{
//  type class         progId              classId                                   interface      interfaceId                               plain      thread    recess                     recessProps                                      threadLoadProps                                 unthr. allowance picture   recessWord
  { 1, "HoleSimple", "Cavix.HoleSimple", "{88D03352-D7EE-11D4-85A2-00E08110F9CF}", "_HoleSimple", "{D22E60DD-F5BB-11D4-85BF-00E08110F9CF}", "Hole ",   "Hole",   geo::Recess::None,         kNoRecess,                                      kNoRecess,                                      true,  2,        "plain",  ""             },
  { 2, "HoleCBore",  "Cavix.HoleCBore",  "{88D03356-D7EE-11D4-85A2-00E08110F9CF}", "_HoleCBore",  "{D22E60DE-F5BB-11D4-85BF-00E08110F9CF}", "CBHole ", "CBHole", geo::Recess::Counterbore,  kRecessDiameter | kRecessDepth,                 kRecessDepth,                                   false, 4,        "cbore",  "counterbore"  },
  { 3, "HoleCSink",  "Cavix.HoleCSink",  "{88D03358-D7EE-11D4-85A2-00E08110F9CF}", "_HoleCSink",  "{D22E60DF-F5BB-11D4-85BF-00E08110F9CF}", "CSHole ", "CSHole", geo::Recess::Countersink,  kRecessDiameter | kRecessAngle,                 kRecessDiameter | kRecessAngle,                 true,  3,        "csink",  "countersink"  },
  { 4, "HoleCDrill", "Cavix.HoleCDrill", "{88D0335A-D7EE-11D4-85A2-00E08110F9CF}", "_HoleCDrill", "{D22E60E0-F5BB-11D4-85BF-00E08110F9CF}", "CDHole ", "CDHole", geo::Recess::Counterdrill, kRecessDiameter | kRecessDepth | kRecessAngle,  kRecessDiameter | kRecessDepth | kRecessAngle,  true,  4,        "cdrill", "counterdrill" },
}};
// clang-format on

// Type library of the component library, and the host's projected-thread interface.
inline constexpr std::string_view kTypeLibraryId = "{88D0334D-D7EE-11D4-85A2-00E08110F9CF}";
inline constexpr std::string_view kProjectedThreadsId = "{FC213957-4068-11D3-80CC-00C04F6BFADF}";

// The row of a hole type code; nullptr outside 1..4.
constexpr const HoleKind* FindHoleKind(int16_t type) {
  for (const HoleKind& k : kHoleKinds)
    if (k.type == type) return &k;
  return nullptr;
}

// The row of a class name ("HoleCBore") or programmatic identifier ("Cavix.HoleCBore"); nullptr
// when no kind has it.
constexpr const HoleKind* FindHoleKindByName(std::string_view name) {
  for (const HoleKind& k : kHoleKinds)
    if (k.className == name || k.progId == name) return &k;
  return nullptr;
}

}  // namespace cavix::holes
