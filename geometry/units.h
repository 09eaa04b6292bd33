// Length conversions through the host's units service (on the page they are asked for) and the
// through depth of a part along a hole's axis.
#pragma once

#include "host/host_model.h"

namespace cavix::geo {

// Unit codes of the host's units service.
namespace unit {
inline constexpr int32_t kModel = 1;
inline constexpr int32_t kModelLength = 2;
inline constexpr int32_t kInch = 4;
inline constexpr int32_t kPage = 7;
inline constexpr int32_t kDrawing = 11;
}  // namespace unit

// A length known in inches, in page units. The units service comes from the page's application;
// its errors reach the caller.
double InchesToPage(host::IPage& page, double& value);
// A page length in model units (the point handed to the surface-finish request).
double PageToModel(host::IPage& page, double& value);
// A model length as drawings report it.
void ConvertForDrawing(host::IPage& page, double& value, double& result);
double ConvertForDrawing(host::IPage& page, double value);

// The extents (variables 1 to 3 of the shape-size component) of the part's first shape.
// Raises the host's error when the part has no shapes or the shape no size component.
void GetPartSize(host::IPart& part, double& sx, double& sy, double& sz);

// The length a through hole at `shape` must have. On a part with a solid of its own that the host
// measures, the material crossed: from the position to where the axis last leaves the part. On a
// block, or where the axis meets no material ahead, the part's extent along the hole's axis, or
// for an oblique axis the largest extent among the axes its direction has a share (> 0.1) in.
double GetThroughDepth(host::IShape& shape);

}  // namespace cavix::geo
