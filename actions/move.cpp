// Moving holes.
#include "actions/move.h"

#include <cmath>

#include "hole_objects/hole_kinds.h"
#include "runtime/error.h"

namespace cavix::actions {

namespace {

bool Finite(const scene::Vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

bool IsHole(const scene::Scene& model, const scene::Shape& shape) {
  const host::ClassInfo* info = model.FindClassByTag(shape.BindingTag());
  return info && holes::FindHoleKindByName(info->progId) != nullptr;
}

void MoveHoles(scene::Scene& model, const std::vector<std::pair<scene::Shape*, Placement>>& moves) {
  for (const auto& move : moves) {
    // Plain names, not a structured binding: the lambda captures them.
    scene::Shape* const shape = move.first;
    const Placement& to = move.second;
    const auto refuse = [&](const std::string& why) {
      rt::Raise(rt::err::kInvalidCall, shape->Describe() + " " + why, "Move");
    };
    if (!IsHole(model, *shape)) refuse("is not a hole");
    if (!Finite(to.position)) refuse("cannot go to a position that is not a number");
    const scene::Vec3& n = to.normal;
    if (!Finite(n) || (n.x == 0 && n.y == 0 && n.z == 0)) refuse("needs an axis that is not zero");
  }
  for (const auto& [shape, to] : moves) {
    shape->SetPosition(to.position);
    shape->SetNormal(to.normal);
  }
  for (const auto& [shape, to] : moves) model.Regenerate(*shape);
}

}  // namespace cavix::actions
