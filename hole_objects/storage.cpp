// The record a hole leaves on its shape and the binding of the shape to its class (collections
// 25 and 43).
#include "hole_objects/hole.h"
#include "hole_objects/utils.h"
#include "runtime/variant.h"

namespace cavix::holes {

namespace {

// The first component of a collection, created when there is none.
host::IComponent& FirstOrNew(host::IShape& shape, int32_t type) {
  host::IComponents& c = shape.Components(type);
  return c.Count() == 0 ? c.Add() : c.Item(1);
}

}  // namespace

void BindShapeToClass(host::IShape& objHole, std::string& tag) {
  host::IComponent& events = FirstOrNew(objHole, host::comp::kEventSettings);
  events.SetValue(3, int32_t{5});
  events.SetValue(4, int32_t{5});
  FirstOrNew(objHole, host::comp::kHandler).SetValue(1, tag);
}

std::string HoleObject::GetClassTag(host::IServiceFactory& services) {
  auto service = services.CreateClassTagService();
  std::string progId(kind_.progId);
  int32_t reserved = 0;
  return service->ProgIdToClassTag(progId, reserved);
}

HoleRecord HoleObject::Record() const {
  HoleRecord r;
  r.holeType = kind_.type;
  r.standardsTab = standardsTab_;
  r.threadFlag = isThread_ ? 1 : 0;
  r.throughFlag = isThrough_ ? 1 : 0;
  r.pointAngle = angPunta_;
  r.drilledLength = lunghezza_;
  r.diameter = diametro_;
  r.length = isThread_ ? lungFiletto_ : lunghezza_;
  r.pitchOrAllowance = isThread_ ? passoFiletto_ : hToll_;
  r.recessDiameter = diamIncasso_;
  r.counterboreDepth = lungIncasso_;
  r.countersinkAngle = angoloIncasso_;
  r.className = std::string(kind_.className);
  r.standard = normativa_;
  r.sizeCode = codice_;
  r.tableFile = fileData_;
  return r;
}

void HoleObject::SavePartData(host::IShape& objShape) {
  EncodeHoleRecord(FirstOrNew(objShape, host::comp::kHoleData), Record(), kind_);
}

bool HoleObject::GetPartData(host::IShape& objShape, HoleRecord& stored) {
  const host::IComponent* data = HoleData(objShape);
  if (!data) return false;
  stored = DecodeHoleRecord(*data, kind_);
  return true;
}

bool HoleObject::LoadThreadData(host::IShape& shape) {
  const host::IComponent* data = HoleData(shape);
  if (!data) return false;
  const HoleRecord r = DecodeHoleRecord(*data, kind_);
  const auto loads = [&](RecessProp p) { return (kind_.threadLoadProps & p) != 0; };

  transferFlags_ = r.threadFlag;
  if (transferFlags_ < 1) {
    diametro_ = lungFiletto_ = passoFiletto_ = 0;
    if (loads(kRecessDiameter)) diamIncasso_ = 0;
    if (loads(kRecessDepth)) lungIncasso_ = 0;
    if (loads(kRecessAngle)) angoloIncasso_ = 0;
    isThrough_ = false;
    return kind_.unthreadedLoadResult;
  }
  diametro_ = r.diameter;
  lungFiletto_ = r.length;
  passoFiletto_ = r.pitchOrAllowance;
  if (loads(kRecessDiameter)) diamIncasso_ = r.recessDiameter;
  if (loads(kRecessDepth)) lungIncasso_ = r.counterboreDepth;
  if (loads(kRecessAngle)) angoloIncasso_ = r.countersinkAngle;
  isThrough_ = r.Through();
  return true;
}

}  // namespace cavix::holes
