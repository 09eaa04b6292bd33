// What a drawing view asks a hole about its thread: diameters, threaded length and where it
// starts, direction, and the recess. Everything comes from the parameters stored on the shape.
#include "geometry/profile.h"
#include "geometry/units.h"
#include "hole_objects/hole.h"
#include "runtime/error.h"
#include "runtime/fp.h"

namespace cavix::holes {

std::string HoleObject::Callout() { return callout_; }

double HoleObject::ForDrawing(double value) {
  if (!page_) rt::Raise(rt::err::kObjectVariableNotSet, {}, "IC2DProjectedThreads");
  return geo::ConvertForDrawing(*page_, value);
}

bool HoleObject::GetHoleInformation(bool /*bWantAnglesInDegrees*/, bool& bHoleDepthIsFinite,
                                    double& dHoleDepth, double& dCounterboreDepth,
                                    double& dCounterboreDiameter, double& dCountersinkDiameter,
                                    double& dCountersinkAngle, double& dBottomAngle) {
  const bool counterbore = Has(kRecessDepth);
  const bool countersink = Has(kRecessAngle);
  bHoleDepthIsFinite = lungFiletto_ != 0;
  dHoleDepth = lunghezza_;
  dCounterboreDepth = counterbore ? lungIncasso_ : 0;
  dCounterboreDiameter = counterbore ? diamIncasso_ : 0;
  dCountersinkDiameter = countersink ? diamIncasso_ : 0;
  dCountersinkAngle = countersink ? angoloIncasso_ : 0;
  dBottomAngle = angPunta_;
  return true;
}

int32_t HoleObject::HoleInformationFlags() { return 0; }

int32_t HoleObject::ProjectionFlags() { return transferFlags_; }

bool HoleObject::Initialize(host::IShape& shape) {
  page_ = &shape.Page();
  return LoadThreadData(shape);
}

bool HoleObject::GetDiameters(double& InnerDiameter, double& OuterDiameter) {
  InnerDiameter = ForDrawing(rt::Checked(diametro_ - passoFiletto_));
  OuterDiameter = ForDrawing(diametro_);
  return true;
}

bool HoleObject::GetTaperFromMajorDiameter(double& /*angle*/) { return true; }

bool HoleObject::GetPositionInformation(double& Length, double& OffsetDistance) {
  // The thread starts where the threaded bore does: below the counterbore, the cone, or both,
  // measured with the same cone height the builders draw.
  const auto cone = [&] {
    const double r = geo::BoreRadius(true, diametro_, passoFiletto_);
    return geo::ConeHeight(rt::Checked(diamIncasso_ / 2), r, angoloIncasso_);
  };
  switch (kind_.recess) {
    case geo::Recess::None:
      Length = ForDrawing(lungFiletto_);
      OffsetDistance = 0;
      return true;
    case geo::Recess::Counterbore:
      Length = ForDrawing(lungFiletto_);
      OffsetDistance = ForDrawing(lungIncasso_);
      return true;
    case geo::Recess::Countersink:
      if (!(diametro_ > 0 && diamIncasso_ > 0 && passoFiletto_ > 0 && angoloIncasso_ > 0))
        return false;
      {
        const double offset = cone();
        Length = ForDrawing(lungFiletto_);
        OffsetDistance = ForDrawing(offset);
      }
      return true;
    case geo::Recess::Counterdrill:
      if (diametro_ > 0 && passoFiletto_ < diametro_) {
        const double offset = rt::Checked(lungIncasso_ + cone());
        Length = ForDrawing(lungFiletto_);
        OffsetDistance = ForDrawing(offset);
      }
      return true;
  }
  return false;
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
  TaperProjection = !isThrough_;
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
