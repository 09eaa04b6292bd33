// What a drawing view asks a hole about its thread, through the class bound to the hole.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>

#include "scene/scene.h"

namespace cavix::actions {

// The answers, named as the members' arguments are.
struct ThreadAnswer {
  bool result = false;  // of GetProjectedThreadInformation
  double InnerDiameter = 0, OuterDiameter = 0, TaperAngle = 0, ThreadLength = 0,
         OffsetDistance = 0, VecX = 0, VecY = 0, VecZ = 0;
  bool IsHole = false, TaperProjection = false;
  bool bHoleDepthIsFinite = false;
  double dHoleDepth = 0, dCounterboreDepth = 0, dCounterboreDiameter = 0,
         dCountersinkDiameter = 0, dCountersinkAngle = 0, dBottomAngle = 0;
  int32_t ProjectionFlags = 0;
};

// GetProjectedThreadInformation, then GetHoleInformation (angles in degrees) and
// ProjectionFlags, as a drawing view calls them. Errors of the class reach the caller.
ThreadAnswer QueryThread(scene::Scene& model, scene::Shape& hole);

// The answers as one JSON object keyed by the argument names ("result" first).
nlohmann::ordered_json ThreadJson(const ThreadAnswer& a);

}  // namespace cavix::actions
