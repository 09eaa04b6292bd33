// Regeneration and resizing.
#include "actions/regen.h"

#include "hole_objects/hole_kinds.h"
#include "runtime/error.h"

namespace cavix::actions {

namespace {

// Shapes bound to a hole class. Other bindings (a catalog item's drop handler) have no
// regeneration; a shape bound to a class the scene does not know is left in, so that
// regenerating it reports the problem.
bool RegeneratesAsHole(const scene::Scene& model, const scene::Shape& shape) {
  const host::ClassInfo* info = model.FindClassByTag(shape.BindingTag());
  return !info || holes::FindHoleKindByName(info->progId) != nullptr;
}

}  // namespace

void RegenerateHole(scene::Scene& model, scene::Shape& shape) {
  try {
    model.Regenerate(shape);
  } catch (const rt::Error& e) {
    rt::Raise(e.Number(), "could not regenerate #" + std::to_string(shape.Id()) + ": " +
                              e.Description(), e.Source());
  }
}

std::vector<scene::Shape*> RegenerateAll(scene::Scene& model) {
  std::vector<scene::Shape*> done;
  for (scene::Shape* s : model.BoundShapes()) {
    if (!RegeneratesAsHole(model, *s)) continue;
    RegenerateHole(model, *s);
    done.push_back(s);
  }
  return done;
}

std::vector<scene::Shape*> ResizeBlock(scene::Scene& model, const scene::Vec3& extents) {
  if (const std::string problem =
          scene::BlockExtentsProblem(extents, model.ActivePage().LengthUnits());
      !problem.empty())
    rt::Raise(rt::err::kInvalidCall, problem, "Resize");
  const auto shapes = model.MainPart().ShapeItems();
  if (shapes.empty()) rt::Raise(rt::err::kSubscript, "the part has no shapes", "Resize");
  // A part made from a STEP file is its solid; its stored extents only describe that solid.
  if (!shapes.front()->Solid().empty())
    rt::Raise(rt::err::kInvalidCall, "the part is made from a STEP file: its size is its solid's",
              "Resize");
  // The part's size is the extents of its first shape, as the holes measure it.
  host::IComponent& size = shapes.front()->Components(host::comp::kShapeSize).Item(1);
  size.SetValue(1, extents.x);
  size.SetValue(2, extents.y);
  size.SetValue(3, extents.z);
  return RegenerateAll(model);
}

}  // namespace cavix::actions
