// Reading and writing the hole data component through the slot table.
#include "hole_objects/hole_record.h"

#include <cmath>
#include <type_traits>

#include "runtime/error.h"
#include "runtime/variant.h"

namespace cavix::holes {

namespace {

constexpr const char* kMarker = "Zentrox";

bool KindWrites(const HoleSlot& s, const HoleKind& kind) {
  return s.recess == kNoRecess || (kind.recessProps & s.recess) != 0;
}

// The record's field for a number slot (nullptr for the reserved ones and the texts).
template <class Record>
auto* NumberField(Record& r, int16_t slot) {
  using D = std::conditional_t<std::is_const_v<Record>, const double, double>;
  D* d = nullptr;
  switch (slot) {
    case 8: d = &r.pointAngle; break;
    case 9: d = &r.drilledLength; break;
    case 10: d = &r.diameter; break;
    case 11: d = &r.threadOrBoreLength; break;
    case 12: d = &r.pitchOrAllowance; break;
    case 16: d = &r.recessDiameter; break;
    case 17: d = &r.counterboreDepth; break;
    case 18: d = &r.countersinkAngle; break;
    default: break;
  }
  return d;
}

template <class Record>
auto* FlagField(Record& r, int16_t slot) {
  using I = std::conditional_t<std::is_const_v<Record>, const int16_t, int16_t>;
  I* i = nullptr;
  switch (slot) {
    case 1: i = &r.holeType; break;
    case 5: i = &r.standardsTab; break;
    case 6: i = &r.threadFlag; break;
    case 7: i = &r.throughFlag; break;
    default: break;
  }
  return i;
}

template <class Record>
auto* TextField(Record& r, int16_t slot) {
  using S = std::conditional_t<std::is_const_v<Record>, const std::string, std::string>;
  S* s = nullptr;
  switch (slot) {
    case 1: s = &r.className; break;
    case 13: s = &r.standard; break;
    case 14: s = &r.sizeCode; break;
    case 15: s = &r.tableFile; break;
    default: break;
  }
  return s;
}

// A stored value as a message shows it.
std::string Shown(const rt::Variant& v) {
  if (v.Type() != rt::VarType::Text) return rt::CStr(v);
  std::string t = v.Text().substr(0, 40);
  for (char& c : t)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return "\"" + t + (v.Text().size() > 40 ? "...\"" : "\"");
}

rt::Variant StoredValue(const HoleSlot& s, const HoleRecord& r, const HoleKind& kind) {
  switch (s.type) {
    case SlotType::Text:
      if (s.slot == 0) return rt::Variant(kMarker);
      if (s.slot == 1) return rt::Variant(std::string(kind.className));
      if (const std::string* t = TextField(r, s.slot)) return rt::Variant(*t);
      return rt::Variant("");
    case SlotType::Int16:
      if (const int16_t* i = FlagField(r, s.slot)) return rt::Variant(*i);
      return rt::Variant(int16_t{0});
    case SlotType::Int32:
      return rt::Variant(int32_t{0});
    case SlotType::Double:
      break;
  }
  return rt::Variant(*NumberField(r, s.slot));
}

}  // namespace

double HoleRecord::LengthAfterThread() const {
  const double after = drilledLength - threadOrBoreLength;
  return after < 0 ? -1.0 : after;
}

host::IComponent* HoleData(host::IShape& shape) {
  host::IComponents& c = shape.Components(host::comp::kHoleData);
  return c.Count() > 0 ? &c.Item(1) : nullptr;
}

void EncodeHoleRecord(host::IComponent& data, const HoleRecord& r, const HoleKind& kind) {
  for (const HoleSlot& s : kHoleSlots) {
    if (!KindWrites(s, kind)) continue;
    if (s.when == SlotWhen::Threaded && !r.Threaded()) continue;
    data.SetValue(s.group, s.slot, StoredValue(s, r, kind));
  }
}

HoleRecord DecodeHoleRecord(const host::IComponent& data, const HoleKind& kind) {
  HoleRecord r;
  for (const HoleSlot& s : kHoleSlots) {
    if (!KindWrites(s, kind)) continue;
    const rt::Variant v = data.Value(s.group, s.slot);
    try {
      if (double* d = s.type == SlotType::Double ? NumberField(r, s.slot) : nullptr)
        *d = rt::CDbl(v);
      else if (int16_t* i = s.type == SlotType::Int16 ? FlagField(r, s.slot) : nullptr)
        *i = rt::CInt(v);
      else if (std::string* t = s.type == SlotType::Text ? TextField(r, s.slot) : nullptr)
        *t = rt::CStr(v);
    } catch (const rt::Error& e) {
      rt::Raise(e.Number(),
                e.Description() + ": the hole's stored " + s.field + " (" +
                    (s.group == kNumberGroup ? "number" : "text") + " slot " +
                    std::to_string(s.slot) + ") holds " + Shown(v),
                e.Source());
    }
  }
  return r;
}

std::optional<HoleRecord> StoredRecord(host::IShape& shape, const HoleKind& kind) {
  const host::IComponent* data = HoleData(shape);
  if (!data) return std::nullopt;
  return DecodeHoleRecord(*data, kind);
}

const HoleKind* StoredHoleKind(std::string_view boundProgId, const host::IComponent& data) {
  if (const HoleKind* k = FindHoleKindByName(boundProgId)) return k;
  const rt::Variant name = data.Value(kTextGroup, 1);
  if (name.Type() == rt::VarType::Text)
    if (const HoleKind* k = FindHoleKindByName(name.Text())) return k;
  const rt::Variant type = data.Value(kNumberGroup, 1);
  return type.IsNumeric() && std::fabs(rt::CDbl(type)) < 100
             ? FindHoleKind(static_cast<int16_t>(rt::CDbl(type)))
             : nullptr;
}

}  // namespace cavix::holes
