// `cavix regen`, `cavix resize` and `cavix threads`: what the host does to hole shapes when a
// part changes, and what a drawing view asks a hole about its thread.
#include <iomanip>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/commands.h"
#include "dialog/globals.h"
#include "hole_objects/class_list.h"
#include "runtime/error.h"

namespace cavix::app {

namespace {

// Shapes bound to a hole class. Other bindings (a catalog item's drop handler) have no
// regeneration; a shape bound to a class the scene does not know is left in, so that
// regenerating it reports the problem.
bool RegeneratesAsHole(const scene::Scene& model, const scene::Shape& shape) {
  const host::ClassInfo* info = model.FindClassByTag(shape.BindingTag());
  if (!info) return true;
  for (const host::ClassInfo& hole : HoleClasses())
    if (hole.progId == info->progId) return true;
  return false;
}

// Regenerates the hole shapes as the host does: each through its bound class. Returns how many.
int RegenerateAll(scene::Scene& model, std::ostream& out) {
  int count = 0;
  for (scene::Shape* s : model.BoundShapes()) {
    if (!RegeneratesAsHole(model, *s)) continue;
    model.Regenerate(*s);
    out << "regenerated " << s->Describe() << "\n";
    ++count;
  }
  return count;
}

}  // namespace

int CmdRegen(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto model = OpenModel(inv, path);
  if (inv.args.size() == 2) {
    scene::Shape& s = model->ResolveShape(inv.args[1]);
    model->Regenerate(s);
    inv.out << "regenerated " << s.Describe() << "\n";
  } else if (RegenerateAll(*model, inv.out) == 0) {
    inv.out << "no hole shapes in " << path << "\n";
  }
  SaveModelFile(*model, path);
  return 0;
}

int CmdResize(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto value = inv.Value("--block");
  if (!value) throw UsageError("--block X,Y,Z is required");
  const scene::Vec3 block = ParseTriple(*value, "--block");
  if (!(block.x > 0 && block.y > 0 && block.z > 0))
    throw UsageError("--block extents must be positive");

  auto model = OpenModel(inv, path);
  const auto shapes = model->MainPart().ShapeItems();
  if (shapes.empty())
    rt::Raise(rt::err::kSubscript, "the part of " + path + " has no shapes", "cavix resize");
  if (!shapes.front()->Solid().empty())
    rt::Raise(rt::err::kInvalidCall,
              "the part of " + path + " is made from a STEP file: its size is its solid's",
              "cavix resize");
  // The part's size is the extents of its first shape, as the holes measure it.
  host::IComponent& size = shapes.front()->Components(host::comp::kShapeSize).Item(1);
  size.SetValue(1, block.x);
  size.SetValue(2, block.y);
  size.SetValue(3, block.z);
  inv.out << "block " << Num(block.x) << " x " << Num(block.y) << " x " << Num(block.z) << "\n";
  RegenerateAll(*model, inv.out);
  SaveModelFile(*model, path);
  return 0;
}

int CmdThreads(Invocation& inv) {
  auto model = OpenModel(inv, inv.args[0]);
  scene::Shape& shape = model->ResolveShape(inv.args[1]);
  // The drawing view is on the model's page: lengths are converted for it.
  Globals().CurrentPage = &model->ActivePage();
  auto query = model->ThreadQuery(shape);

  double inner = 0, outer = 0, taper = 0, length = 0, offset = 0, vx = 0, vy = 0, vz = 0;
  bool isHole = false, taperProjection = false;
  const bool result = query->GetProjectedThreadInformation(
      shape, inner, outer, taper, length, offset, vx, vy, vz, isHole, taperProjection);
  bool finite = false;
  double depth = 0, cbDepth = 0, cbDiameter = 0, csDiameter = 0, csAngle = 0, bottom = 0;
  query->GetHoleInformation(true, finite, depth, cbDepth, cbDiameter, csDiameter, csAngle, bottom);
  const int32_t flags = query->ProjectionFlags();

  nlohmann::ordered_json j;
  j["result"] = result;
  j["InnerDiameter"] = inner;
  j["OuterDiameter"] = outer;
  j["TaperAngle"] = taper;
  j["ThreadLength"] = length;
  j["OffsetDistance"] = offset;
  j["VecX"] = vx;
  j["VecY"] = vy;
  j["VecZ"] = vz;
  j["IsHole"] = isHole;
  j["TaperProjection"] = taperProjection;
  j["bHoleDepthIsFinite"] = finite;
  j["dHoleDepth"] = depth;
  j["dCounterboreDepth"] = cbDepth;
  j["dCounterboreDiameter"] = cbDiameter;
  j["dCountersinkDiameter"] = csDiameter;
  j["dCountersinkAngle"] = csAngle;
  j["dBottomAngle"] = bottom;
  j["ProjectionFlags"] = flags;

  if (inv.Has("--json")) {
    inv.out << j.dump(2) << "\n";
    return 0;
  }
  inv.out << "thread of " << shape.Describe() << "\n";
  for (const auto& [key, v] : j.items()) {
    std::string text;
    if (v.is_boolean())
      text = v.get<bool>() ? "True" : "False";
    else if (v.is_number_float())
      text = Num(v.get<double>());
    else
      text = v.dump();
    const std::string label = key == "result" ? "GetProjectedThreadInformation" : key;
    inv.out << "  " << std::left << std::setw(31) << label << text << "\n";
  }
  return 0;
}

}  // namespace cavix::app
