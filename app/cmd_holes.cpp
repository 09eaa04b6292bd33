// `cavix holes MODEL [--csv]`: the hole table of a model.
#include <ostream>

#include "actions/hole_table.h"
#include "app/commands.h"

namespace cavix::app {

int CmdHoles(Invocation& inv) {
  const std::string& path = inv.args[0];
  auto workspace = OpenModel(inv, path);
  const std::vector<actions::HoleRow> rows = actions::HoleTable(workspace->Model());
  if (inv.Has("--csv")) {
    actions::WriteHoleCsv(rows, inv.out);
    return 0;
  }
  if (rows.empty()) {
    inv.out << "no holes in " << Printable(path) << "\n";
    return 0;
  }
  actions::WriteHoleList(rows, inv.out);
  return 0;
}

}  // namespace cavix::app
