// `cavix holes MODEL [--csv]`: the hole table of a model.
#include <ostream>

#include "actions/hole_table.h"
#include "app/commands.h"
#include "export/scene_export.h"

namespace cavix::app {

int CmdHoles(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto workspace = ReadModel(inv, path);
  const std::vector<holes::HoleFacts> holes = exporter::HolesOf(workspace->Model());
  if (inv.Has("--csv")) {
    actions::WriteHoleCsv(holes, inv.out);
    return 0;
  }
  if (holes.empty()) {
    inv.out << "no holes in " << Printable(path) << "\n";
    return 0;
  }
  actions::WriteHoleList(holes, inv.out);
  return 0;
}

}  // namespace cavix::app
