// `cavix check MODEL [--json]`: the design check of a model's holes; `cavix delete MODEL SHAPE`:
// a hole or dropped shape taken out of the model.
#include <ostream>

#include "actions/design_check.h"
#include "app/commands.h"
#include "runtime/error.h"

namespace cavix::app {

int CmdCheck(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto workspace = ReadModel(inv, path);
  const std::vector<actions::Finding> findings = actions::CheckModel(workspace->Model());
  bool error = false;
  for (const actions::Finding& f : findings) {
    error = error || f.IsError();
    inv.out << Printable(inv.Has("--json") ? f.Json() : f.Line()) << "\n";
  }
  if (findings.empty() && !inv.Has("--json")) inv.out << "no findings in " << Printable(path) << "\n";
  return error ? 1 : 0;
}

int CmdDelete(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto workspace = OpenModelToChange(inv, path);
  scene::Scene& model = workspace->Model();
  scene::Shape& s = model.ResolveShape(inv.args[1]);
  const std::vector<scene::Shape*> shapes = model.MainPart().ShapeItems();
  if (!shapes.empty() && shapes.front() == &s)
    rt::Raise(rt::err::kInvalidCall,
              s.Describe() + " is the part's own shape, not a hole: it cannot be deleted", "Cavix");
  const std::string said = s.Describe();
  model.DiscardShape(s);
  workspace->Save();
  inv.out << "deleted " << Printable(said) << "\n";
  return 0;
}

}  // namespace cavix::app
