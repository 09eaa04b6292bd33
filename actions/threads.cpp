// The thread queries of a drawing view.
#include "actions/threads.h"

#include "export/scene_export.h"

namespace cavix::actions {

ThreadAnswer QueryThread(scene::Scene& model, scene::Shape& hole) {
  auto query = model.ThreadQuery(hole);
  ThreadAnswer a;
  // A hole whose record makes no hole is not asked.
  a.problem = exporter::FactsOf(model, hole).problem;
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
