// Unit conversions and through depth.
#include "geometry/units.h"

#include <cmath>
#include <optional>

#include "host/services.h"
#include "runtime/variant.h"

namespace cavix::geo {

namespace {

// One service instance per call, released at once, as the host expects of its utility objects.
double Convert(host::IPage& page, double& value, int32_t from, int32_t to) {
  auto units = page.Application().Services().CreateUnitsService();
  return units->Convert(&page, value, from, to);
}

}  // namespace

double InchesToPage(host::IPage& page, double& value) {
  return Convert(page, value, unit::kInch, unit::kPage);
}

double PageToModel(host::IPage& page, double& value) {
  return Convert(page, value, unit::kPage, unit::kModelLength);
}

void ConvertForDrawing(host::IPage& page, double& value, double& result) {
  result = Convert(page, value, unit::kModel, unit::kDrawing);
}

double ConvertForDrawing(host::IPage& page, double value) {
  double result = 0;
  ConvertForDrawing(page, value, result);
  return result;
}

void GetPartSize(host::IPart& part, double& sx, double& sy, double& sz) {
  host::IShape& first = part.Components(host::comp::kPartShapes).Item(1).Shapes().Item(1);
  host::IComponent& size = first.Components(host::comp::kShapeSize).Item(1);
  sx = rt::CDbl(size.Value(1));
  sy = rt::CDbl(size.Value(2));
  sz = rt::CDbl(size.Value(3));
}

namespace {

// Material closer than this ahead of the position is not ahead: a hole does not go through a
// face it only touches.
constexpr double kAheadTolerance = 1e-6;

}  // namespace

double GetThroughDepth(host::IShape& shape) {
  if (const std::optional<host::AxisMaterial> m = shape.MaterialAlongAxis();
      m && m->Measured() && m->Ahead(kAheadTolerance))
    return m->LastExit();

  double nx = 0, ny = 0, nz = 0;
  shape.GetNormal(nx, ny, nz);
  double sx = 0, sy = 0, sz = 0;
  GetPartSize(shape.Parent(), sx, sy, sz);

  // An axis-aligned hole: the strict tests run x, y, z in this order.
  constexpr double kAligned = 0.999;
  if (std::fabs(nx) > kAligned) return sx;
  if (std::fabs(ny) > kAligned) return sy;
  if (std::fabs(nz) > kAligned) return sz;

  // Oblique: the largest extent among the axes with a share; ties go to the later axis.
  constexpr double kShare = 0.1;
  double best = 0, result = 0;
  if (std::fabs(nx) > kShare && sx >= 0) best = result = sx;
  if (std::fabs(ny) > kShare && sy >= best) best = result = sy;
  if (std::fabs(nz) > kShare && sz >= best) result = sz;
  return result;
}

}  // namespace cavix::geo
