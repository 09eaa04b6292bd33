// What a drawing view asks a hole about its thread: diameters, threaded length and where it
// starts, direction, and the recess. Everything comes from the parameters stored on the shape.
#include "geometry/units.h"
#include "hole_objects/hole.h"
#include "runtime/error.h"
#include "runtime/fp.h"

namespace cavix::holes {

// Nothing sets a callout: drawings are told an empty one.
std::string HoleObject::Callout() { return {}; }

bool HoleObject::LoadThreadData(host::IShape& shape) {
  const std::optional<HoleRecord> r = StoredRecord(shape, kind_);
  if (!r) return false;
  const auto loads = [&](RecessProp p) { return (kind_.threadLoadProps & p) != 0; };
  projectionFlags_ = r->threadFlag;
  HoleSpec& d = drawn_;
  if (projectionFlags_ < 1) {
    d.diameter = d.threadLength = d.pitch = 0;
    if (loads(kRecessDiameter)) d.recessDiameter = 0;
    if (loads(kRecessDepth)) d.recessDepth = 0;
    if (loads(kRecessAngle)) d.recessAngle = 0;
    d.through = false;
    return kind_.unthreadedLoadResult;
  }
  d.diameter = r->diameter;
  d.threadLength = r->threadOrBoreLength;
  d.pitch = r->pitchOrAllowance;
  if (loads(kRecessDiameter)) d.recessDiameter = r->recessDiameter;
  if (loads(kRecessDepth)) d.recessDepth = r->counterboreDepth;
  if (loads(kRecessAngle)) d.recessAngle = r->countersinkAngle;
  d.through = r->Through();
  return true;
}

double HoleObject::ForDrawing(double value) {
  if (!page_) rt::Raise(rt::err::kObjectVariableNotSet, {}, "IC2DProjectedThreads");
  return geo::ConvertForDrawing(*page_, value);
}

bool HoleObject::GetHoleInformation(bool /*bWantAnglesInDegrees*/, bool& bHoleDepthIsFinite,
                                    double& dHoleDepth, double& dCounterboreDepth,
                                    double& dCounterboreDiameter, double& dCountersinkDiameter,
                                    double& dCountersinkAngle, double& dBottomAngle) {
  const HoleSpec& d = drawn_;
  const bool counterbore = kind_.Has(kRecessDepth);
  const bool countersink = kind_.Has(kRecessAngle);
  bHoleDepthIsFinite = d.threadLength != 0;
  dHoleDepth = d.boreLength;
  dCounterboreDepth = counterbore ? d.recessDepth : 0;
  dCounterboreDiameter = counterbore ? d.recessDiameter : 0;
  dCountersinkDiameter = countersink ? d.recessDiameter : 0;
  dCountersinkAngle = countersink ? d.recessAngle : 0;
  dBottomAngle = d.pointAngle;
  return true;
}

int32_t HoleObject::HoleInformationFlags() { return 0; }

int32_t HoleObject::ProjectionFlags() { return projectionFlags_; }

bool HoleObject::Initialize(host::IShape& shape) {
  page_ = &shape.Page();
  return LoadThreadData(shape);
}

bool HoleObject::GetDiameters(double& InnerDiameter, double& OuterDiameter) {
  InnerDiameter = ForDrawing(rt::Checked(drawn_.diameter - drawn_.pitch));
  OuterDiameter = ForDrawing(drawn_.diameter);
  return true;
}

bool HoleObject::GetTaperFromMajorDiameter(double& /*angle*/) { return true; }

bool HoleObject::GetPositionInformation(double& Length, double& OffsetDistance) {
  // The thread starts where the threaded bore does: below the counterbore, the cone, or both,
  // as the builders draw them. A cone is only asked of a hole it can be measured in.
  const HoleSpec& d = drawn_;
  switch (kind_.recess) {
    case geo::Recess::None:
    case geo::Recess::Counterbore:
      break;
    case geo::Recess::Countersink:
      if (!(d.diameter > 0 && d.recessDiameter > 0 && d.pitch > 0 && d.recessAngle > 0))
        return false;
      break;
    case geo::Recess::Counterdrill:
      if (!(d.diameter > 0 && d.pitch < d.diameter)) return true;
      break;
  }
  HoleSpec tapped = d;
  tapped.threaded = true;
  const double offset = tapped.ThreadStart();
  Length = ForDrawing(d.threadLength);
  OffsetDistance = ForDrawing(offset);
  return true;
}

bool HoleObject::GetThreadDirection(double& VecX, double& VecY, double& VecZ) {
  VecX = 0;
  VecY = 0;
  VecZ = -1;
  return true;
}

bool HoleObject::GetIsHole(bool& IsHole) {
  IsHole = true;
  return true;
}

bool HoleObject::GetTaperProjection(bool& TaperProjection) {
  TaperProjection = !drawn_.through;
  return true;
}

bool HoleObject::GetProjectedThreadInformation(host::IShape& shape, double& InnerDiameter,
                                               double& OuterDiameter, double& TaperAngle,
                                               double& ThreadLength, double& OffsetDistance,
                                               double& VecX, double& VecY, double& VecZ,
                                               bool& IsHole, bool& TaperProjection) {
  return Initialize(shape) && GetDiameters(InnerDiameter, OuterDiameter) &&
         GetTaperFromMajorDiameter(TaperAngle) &&
         GetPositionInformation(ThreadLength, OffsetDistance) &&
         GetThreadDirection(VecX, VecY, VecZ) && GetIsHole(IsHole) &&
         GetTaperProjection(TaperProjection);
}

}  // namespace cavix::holes
