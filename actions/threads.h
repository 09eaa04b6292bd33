// What a drawing view asks a hole about its thread, through the class bound to the hole.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

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
  std::string problem;  // a hole whose stored values make no hole is not asked: why
};

// GetProjectedThreadInformation, then GetHoleInformation (angles in degrees) and
// ProjectionFlags, as a drawing view calls them; a hole whose stored values make no hole is not
// asked (result false, `problem` says why). Errors of the class reach the caller.
ThreadAnswer QueryThread(scene::Scene& model, scene::Shape& hole);

// The answers as one JSON object keyed by the argument names ("result" first), and "problem" for
// a hole that is none.
nlohmann::ordered_json ThreadJson(const ThreadAnswer& a);

}  // namespace cavix::actions
