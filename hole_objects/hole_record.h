// One hole's parameters as its shape keeps them: the hole data component (collection 34, numbers
// in group 1, texts in group 2). Every reader and writer of that component goes through the slot
// table here, so the stored layout is written down once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hole_objects/hole_kinds.h"
#include "host/host_model.h"

namespace cavix::holes {

// The stored parameters, one field per slot. Lengths in millimetres, angles in degrees.
struct HoleRecord {
  int16_t holeType = 0;         // number slot 1: 1..4, the kind's type code
  int16_t standardsTab = 0;     // 5: the standards family the dialog showed
  int16_t threadFlag = 0;       // 6: 1 threaded, 0 not
  int16_t throughFlag = 0;      // 7: 1 through, 0 blind
  double pointAngle = 0;        // 8: included drill-point angle; 0 or less is a flat bottom
  double drilledLength = 0;     // 9: threaded holes: the drilled length, thread included
  double diameter = 0;          // 10: nominal diameter D
  double threadOrBoreLength = 0;  // 11: the thread length of a threaded hole, else the bore length
  double pitchOrAllowance = 0;  // 12: the pitch of a threaded hole, else the clearance allowance
  double recessDiameter = 0;    // 16: counterbore, countersink and counterdrill
  double counterboreDepth = 0;  // 17: counterbore and counterdrill
  double countersinkAngle = 0;  // 18: countersink and counterdrill (included angle)
  std::string className;        // text slot 1
  std::string standard;         // 13
  std::string sizeCode;         // 14
  std::string tableFile;        // 15

  friend bool operator==(const HoleRecord&, const HoleRecord&) = default;
  bool Threaded() const { return threadFlag != 0; }
  bool Through() const { return throughFlag == 1; }
  // What the dialog shows as the length drilled after the thread: slot 9 less slot 11, or -1 when
  // that is negative (always so for a hole that never was threaded: slot 9 is then empty).
  double LengthAfterThread() const;
};

// Which hole kinds write a slot, and when.
enum class SlotWhen : uint8_t { Always, Threaded };

// A number slot's stored type.
enum class SlotType : uint8_t { Int16, Int32, Double, Text };

struct HoleSlot {
  int32_t group;      // 1 numbers, 2 texts
  int16_t slot;
  SlotType type;
  RecessProp recess;  // kNoRecess: every kind; else only kinds that have this recess property
  SlotWhen when;
  const char* field;  // what it holds, for messages
};

inline constexpr int32_t kNumberGroup = 1;
inline constexpr int32_t kTextGroup = 2;

// The slots in the order a hole writes them (the order the host sees the stores in).
// clang-format off
inline constexpr HoleSlot kHoleSlots[] = {
//  group         slot type              recess           when               field
  { kTextGroup,    0, SlotType::Text,   kNoRecess,       SlotWhen::Always,   "marker"             },
  { kTextGroup,    1, SlotType::Text,   kNoRecess,       SlotWhen::Always,   "class name"         },
  { kTextGroup,    2, SlotType::Text,   kNoRecess,       SlotWhen::Always,   "reserved text"      },
  { kNumberGroup,  0, SlotType::Int16,  kNoRecess,       SlotWhen::Always,   "reserved number"    },
  { kNumberGroup,  1, SlotType::Int16,  kNoRecess,       SlotWhen::Always,   "hole type"          },
  { kNumberGroup,  2, SlotType::Int32,  kNoRecess,       SlotWhen::Always,   "reserved long"      },
  { kNumberGroup,  5, SlotType::Int16,  kNoRecess,       SlotWhen::Always,   "standards family"   },
  { kNumberGroup,  6, SlotType::Int16,  kNoRecess,       SlotWhen::Always,   "thread flag"        },
  { kNumberGroup, 11, SlotType::Double, kNoRecess,       SlotWhen::Always,   "length"             },
  { kNumberGroup, 12, SlotType::Double, kNoRecess,       SlotWhen::Always,   "pitch or allowance" },
  { kNumberGroup,  9, SlotType::Double, kNoRecess,       SlotWhen::Threaded, "drilled length"     },
  { kNumberGroup,  7, SlotType::Int16,  kNoRecess,       SlotWhen::Always,   "through flag"       },
  { kNumberGroup,  8, SlotType::Double, kNoRecess,       SlotWhen::Always,   "drill-point angle"  },
  { kNumberGroup, 10, SlotType::Double, kNoRecess,       SlotWhen::Always,   "diameter"           },
  { kTextGroup,   13, SlotType::Text,   kNoRecess,       SlotWhen::Always,   "standard"           },
  { kTextGroup,   14, SlotType::Text,   kNoRecess,       SlotWhen::Always,   "size"               },
  { kTextGroup,   15, SlotType::Text,   kNoRecess,       SlotWhen::Always,   "table file"         },
  { kNumberGroup, 16, SlotType::Double, kRecessDiameter, SlotWhen::Always,   "recess diameter"    },
  { kNumberGroup, 17, SlotType::Double, kRecessDepth,    SlotWhen::Always,   "counterbore depth"  },
  { kNumberGroup, 18, SlotType::Double, kRecessAngle,    SlotWhen::Always,   "countersink angle"  },
};
// clang-format on


// Writes `r` into `data` slot by slot in table order, as `kind` writes it: the marker, the kind's
// class name, the slots of every kind, slot 9 only for a threaded hole, and the kind's own recess
// slots. Slots a kind does not write keep what they held. A store the host refuses ends the
// write there (the stores before it stay made).
void EncodeHoleRecord(host::IComponent& data, const HoleRecord& r, const HoleKind& kind);

// Reads every slot `kind` may have written (recess slots of other kinds stay 0; never-written
// slots read as 0 or ""). A value that cannot be taken as its field's type raises the conversion's
// error (13 or 6) with the field and slot named.
HoleRecord DecodeHoleRecord(const host::IComponent& data, const HoleKind& kind);

// The kind of a stored hole: the class the shape is bound to (`boundProgId`, "" when none), else
// the class name the record holds, else its stored type code; nullptr when none of them names one.
const HoleKind* StoredHoleKind(std::string_view boundProgId, const host::IComponent& data);

// The first hole data component of a shape, or nullptr.
host::IComponent* HoleData(host::IShape& shape);

// The record a hole of `kind` stored on `shape`, as DecodeHoleRecord reads it; nothing when the
// shape carries no hole data.
std::optional<HoleRecord> StoredRecord(host::IShape& shape, const HoleKind& kind);

}  // namespace cavix::holes
