// The thread queries of a drawing view.
#include "actions/threads.h"

#include "hole_objects/hole_record.h"
#include "runtime/error.h"

namespace cavix::actions {

namespace {

// Why the stored values of a bound hole make no hole, or "".
std::string ProblemOf(scene::Scene& model, scene::Shape& hole) {
  const host::ClassInfo* info = model.FindClassByTag(hole.BindingTag());
  const holes::HoleKind* kind = info ? holes::FindHoleKindByName(info->progId) : nullptr;
  host::IComponent* data = holes::HoleData(hole);
  if (!kind || !data) return {};
  try {
    return holes::ProblemOf(holes::DecodeHoleRecord(*data, *kind), *kind);
  } catch (const rt::Error& e) {
    return e.Description();
  }
}

}  // namespace

ThreadAnswer QueryThread(scene::Scene& model, scene::Shape& hole) {
  auto query = model.ThreadQuery(hole);
  ThreadAnswer a;
  a.problem = ProblemOf(model, hole);
  if (!a.problem.empty()) return a;
  a.result = query->GetProjectedThreadInformation(hole, a.InnerDiameter, a.OuterDiameter,
                                                  a.TaperAngle, a.ThreadLength, a.OffsetDistance,
                                                  a.VecX, a.VecY, a.VecZ, a.IsHole,
                                                  a.TaperProjection);
  query->GetHoleInformation(true, a.bHoleDepthIsFinite, a.dHoleDepth, a.dCounterboreDepth,
                            a.dCounterboreDiameter, a.dCountersinkDiameter, a.dCountersinkAngle,
                            a.dBottomAngle);
  a.ProjectionFlags = query->ProjectionFlags();
  return a;
}

nlohmann::ordered_json ThreadJson(const ThreadAnswer& a) {
  nlohmann::ordered_json j;
  j["result"] = a.result;
  j["InnerDiameter"] = a.InnerDiameter;
  j["OuterDiameter"] = a.OuterDiameter;
  j["TaperAngle"] = a.TaperAngle;
  j["ThreadLength"] = a.ThreadLength;
  j["OffsetDistance"] = a.OffsetDistance;
  j["VecX"] = a.VecX;
  j["VecY"] = a.VecY;
  j["VecZ"] = a.VecZ;
  j["IsHole"] = a.IsHole;
  j["TaperProjection"] = a.TaperProjection;
  j["bHoleDepthIsFinite"] = a.bHoleDepthIsFinite;
  j["dHoleDepth"] = a.dHoleDepth;
  j["dCounterboreDepth"] = a.dCounterboreDepth;
  j["dCounterboreDiameter"] = a.dCounterboreDiameter;
  j["dCountersinkDiameter"] = a.dCountersinkDiameter;
  j["dCountersinkAngle"] = a.dCountersinkAngle;
  j["dBottomAngle"] = a.dBottomAngle;
  j["ProjectionFlags"] = a.ProjectionFlags;
  if (!a.problem.empty()) j["problem"] = a.problem;
  return j;
}

}  // namespace cavix::actions
