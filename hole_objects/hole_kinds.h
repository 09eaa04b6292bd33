// The four kinds of hole in one table: identifiers, names, which recess properties a kind has,
// and how it reports itself. The hole classes and their storage look their row up here.
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
  // Recess properties the thread loader handles, in the order it reads them (0 ends the list).
  std::array<RecessProp, 3> threadLoadOrder;
  bool unthreadedLoadResult;  // what the thread loader answers for an unthreaded hole
  bool hasUpdateNew;
};

// clang-format off
inline constexpr std::array<HoleKind, 4> kHoleKinds{{
//  type class         progId              classId                                   interface      interfaceId                               plain      thread    recess                     recessProps                                        threadLoadOrder                                         unthr. UpdateNew
  { 1, "HoleSimple", "Cavix.HoleSimple", "{88D03352-D7EE-11D4-85A2-00E08110F9CF}", "_HoleSimple", "{D22E60DD-F5BB-11D4-85BF-00E08110F9CF}", "Hole ",   "Hole",   geo::Recess::None,         kNoRecess,                                        {kNoRecess, kNoRecess, kNoRecess},                      true,  true  },
  { 2, "HoleCBore",  "Cavix.HoleCBore",  "{88D03356-D7EE-11D4-85A2-00E08110F9CF}", "_HoleCBore",  "{D22E60DE-F5BB-11D4-85BF-00E08110F9CF}", "CBHole ", "CBHole", geo::Recess::Counterbore,  kRecessDiameter | kRecessDepth,                   {kRecessDepth, kNoRecess, kNoRecess},                   false, false },
  { 3, "HoleCSink",  "Cavix.HoleCSink",  "{88D03358-D7EE-11D4-85A2-00E08110F9CF}", "_HoleCSink",  "{D22E60DF-F5BB-11D4-85BF-00E08110F9CF}", "CSHole ", "CSHole", geo::Recess::Countersink,  kRecessDiameter | kRecessAngle,                   {kRecessAngle, kRecessDiameter, kNoRecess},             true,  false },
  { 4, "HoleCDrill", "Cavix.HoleCDrill", "{88D0335A-D7EE-11D4-85A2-00E08110F9CF}", "_HoleCDrill", "{D22E60E0-F5BB-11D4-85BF-00E08110F9CF}", "CDHole ", "CDHole", geo::Recess::Counterdrill, kRecessDiameter | kRecessDepth | kRecessAngle,    {kRecessAngle, kRecessDiameter, kRecessDepth},          true,  false },
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

// The number slot that stores a recess property.
constexpr int16_t RecessSlot(RecessProp p) {
  return p == kRecessDiameter ? 16 : p == kRecessDepth ? 17 : 18;
}

}  // namespace cavix::holes
