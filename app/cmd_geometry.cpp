// `cavix move`, `cavix regen`, `cavix resize` and `cavix threads`: what the host does to hole
// shapes when they or the part change, and what a drawing view asks a hole about its thread.
#include <iomanip>
#include <nlohmann/json.hpp>
#include <ostream>

#include "actions/move.h"
#include "actions/regen.h"
#include "actions/threads.h"
#include "app/commands.h"
#include "runtime/error.h"

namespace cavix::app {

int CmdMove(Invocation& inv) {
  const std::string& path = inv.args[0];
  const std::optional<std::string> at = inv.Value("--at");
  if (!at) throw UsageError("--at X,Y,Z is required");
  actions::Placement to{ParseTriple(*at, "--at")};
  const std::optional<std::string> normal = inv.Value("--normal");
  if (normal) {
    to.normal = ParseTriple(*normal, "--normal");
    if (to.normal.x == 0 && to.normal.y == 0 && to.normal.z == 0)
      throw UsageError("--normal must not be the zero vector");
  }
  auto workspace = OpenModelToChange(inv, path);
  scene::Shape& s = workspace->Model().ResolveShape(inv.args[1]);
  if (!normal) to.normal = s.Normal();
  actions::MoveHoles(workspace->Model(), {{&s, to}});
  workspace->Save();
  inv.out << "moved " << Printable(s.Describe()) << " to " << Num(to.position.x) << ","
          << Num(to.position.y) << "," << Num(to.position.z) << " along " << Num(to.normal.x) << ","
          << Num(to.normal.y) << "," << Num(to.normal.z) << "\n";
  return 0;
}

int CmdRegen(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto workspace = OpenModelToChange(inv, path);
  scene::Scene& model = workspace->Model();
  if (inv.args.size() == 2) {
    scene::Shape& s = model.ResolveShape(inv.args[1]);
    actions::RegenerateHole(model, s);
    inv.out << "regenerated " << Printable(s.Describe()) << "\n";
  } else {
    const std::vector<scene::Shape*> done = actions::RegenerateAll(model);
    for (const scene::Shape* s : done)
      inv.out << "regenerated " << Printable(s->Describe()) << "\n";
    if (done.empty()) inv.out << "no hole shapes in " << Printable(path) << "\n";
  }
  workspace->Save();
  return 0;
}

int CmdResize(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto value = inv.Value("--block");
  if (!value) throw UsageError("--block X,Y,Z is required");
  ParseTriple(*value, "--block");  // wrong use is said before the model is read
  auto workspace = OpenModelToChange(inv, path);
  const scene::Vec3 block = ParseBlock(*value, workspace->Model().ActivePage().LengthUnits());
  if (workspace->Model().MainPart().ShapeItems().empty())
    rt::Raise(rt::err::kSubscript, "the part of " + path + " has no shapes", "cavix resize");
  const std::vector<scene::Shape*> regenerated = actions::ResizeBlock(workspace->Model(), block);
  inv.out << "block " << Num(block.x) << " x " << Num(block.y) << " x " << Num(block.z) << "\n";
  for (const scene::Shape* s : regenerated)
    inv.out << "regenerated " << Printable(s->Describe()) << "\n";
  workspace->Save();
  return 0;
}

int CmdThreads(Invocation& inv) {
  auto workspace = ReadModel(inv, inv.args[0]);
  scene::Shape& shape = workspace->Model().ResolveShape(inv.args[1]);
  const actions::ThreadAnswer a = actions::QueryThread(workspace->Model(), shape);

  const nlohmann::ordered_json j = actions::ThreadJson(a);

  if (inv.Has("--json")) {
    inv.out << j.dump(2) << "\n";
    return 0;
  }
  inv.out << "thread of " << Printable(shape.Describe()) << "\n";
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
