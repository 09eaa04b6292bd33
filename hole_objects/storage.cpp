// The record a hole leaves on its shape (collection 34: numbers in group 1, texts in group 2)
// and the binding of the shape to its class (collections 25 and 43).
#include "dialog/globals.h"
#include "hole_objects/hole.h"
#include "hole_objects/utils.h"
#include "runtime/variant.h"

namespace cavix::holes {

namespace {

constexpr int32_t kNumbers = 1;
constexpr int32_t kTexts = 2;

// The first component of a collection, created when there is none.
host::IComponent& FirstOrNew(host::IShape& shape, int32_t type) {
  host::IComponents& c = shape.Components(type);
  return c.Count() == 0 ? c.Add() : c.Item(1);
}

int16_t Flag(bool b) { return b ? int16_t{1} : int16_t{0}; }

}  // namespace

void BindShapeToClass(host::IShape& objHole, std::string& tag) {
  host::IComponent& events = FirstOrNew(objHole, host::comp::kEventSettings);
  events.SetValue(3, int32_t{5});
  events.SetValue(4, int32_t{5});
  FirstOrNew(objHole, host::comp::kHandler).SetValue(1, tag);
}

std::string HoleObject::GetClassTag() {
  auto service = host::Services().CreateClassTagService();
  std::string progId(kind_.progId);
  int32_t reserved = 0;
  return service->ProgIdToClassTag(progId, reserved);
}

void HoleObject::SavePartData(host::IShape& objShape) {
  host::IComponent& c = FirstOrNew(objShape, host::comp::kHoleData);
  const GlobalsState& g = Globals();

  c.SetValue(kTexts, 0, "Zentrox");
  c.SetValue(kTexts, 1, std::string(kind_.className));
  c.SetValue(kTexts, 2, "");

  c.SetValue(kNumbers, 0, int16_t{0});
  c.SetValue(kNumbers, 1, g.HoleType);
  c.SetValue(kNumbers, 2, int32_t{0});
  c.SetValue(kNumbers, 5, g.StandardsTab);

  if (!isThread_) {
    c.SetValue(kNumbers, 6, int16_t{0});
    c.SetValue(kNumbers, 11, lunghezza_);
    c.SetValue(kNumbers, 12, hToll_);
  } else {
    c.SetValue(kNumbers, 6, int16_t{1});
    c.SetValue(kNumbers, 11, lungFiletto_);
    c.SetValue(kNumbers, 12, passoFiletto_);
    c.SetValue(kNumbers, 9, lunghezza_);
  }
  c.SetValue(kNumbers, 7, Flag(isThrough_));
  c.SetValue(kNumbers, 8, angPunta_);
  c.SetValue(kNumbers, 10, diametro_);

  c.SetValue(kTexts, 13, normativa_);
  c.SetValue(kTexts, 14, codice_);
  c.SetValue(kTexts, 15, fileData_);

  for (RecessProp p : {kRecessDiameter, kRecessDepth, kRecessAngle})
    if (Has(p)) c.SetValue(kNumbers, RecessSlot(p), RecessField(p));
}

void HoleObject::GetPartData(host::IShape& objShape) {
  host::IComponents& coll = objShape.Components(host::comp::kHoleData);
  if (coll.Count() <= 0) return;
  host::IComponent& c = coll.Item(1);
  auto number = [&](int16_t slot) { return c.Value(kNumbers, slot); };

  // Read into a copy so that a slot that fails to convert leaves the record as it was.
  StoredParams s = Globals().Stored;
  s.holeType = rt::CInt(number(1));
  s.standardsTab = rt::CInt(number(5));
  s.threadFlag = rt::CInt(number(6));
  s.throughFlag = rt::CInt(number(7));
  s.drillAngle = rt::CDbl(number(8));
  s.length = rt::CDbl(number(11));
  s.pitch = rt::CDbl(number(12));
  const double afterThread = rt::CDbl(number(9)) - rt::CDbl(number(11));
  s.lengthAfterThread = afterThread < 0 ? -1.0 : afterThread;
  s.standard = rt::CStr(c.Value(kTexts, 13));
  s.sizeCode = rt::CStr(c.Value(kTexts, 14));
  if (Has(kRecessDiameter)) s.recessDiameter = rt::CDbl(number(16));
  if (Has(kRecessDepth)) s.counterboreDepth = rt::CDbl(number(17));
  if (Has(kRecessAngle)) s.countersinkAngle = rt::CDbl(number(18));
  Globals().Stored = s;
}

bool HoleObject::LoadThreadData(host::IShape& shape) {
  host::IComponents& coll = shape.Components(host::comp::kHoleData);
  if (coll.Count() <= 0) return false;
  host::IComponent& c = coll.Item(1);

  transferFlags_ = rt::CLng(c.Value(kNumbers, 6));
  if (transferFlags_ < 1) {
    diametro_ = lungFiletto_ = passoFiletto_ = 0;
    for (RecessProp p : kind_.threadLoadOrder)
      if (p != kNoRecess) RecessField(p) = 0;
    isThrough_ = false;
    return kind_.unthreadedLoadResult;
  }
  diametro_ = rt::CDbl(c.Value(kNumbers, 10));
  lungFiletto_ = rt::CDbl(c.Value(kNumbers, 11));
  passoFiletto_ = rt::CDbl(c.Value(kNumbers, 12));
  for (RecessProp p : kind_.threadLoadOrder)
    if (p != kNoRecess) RecessField(p) = rt::CDbl(c.Value(kNumbers, RecessSlot(p)));
  isThrough_ = rt::CDbl(c.Value(kNumbers, 7)) == 1;
  return true;
}

}  // namespace cavix::holes
