// `cavix export`: reads the model, hands its part and holes to the writer the output name asks
// for, and reports what was written; the model file itself is never changed.
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "export/scene_export.h"

namespace cavix::app {

int CmdExport(Invocation& inv) {
  const std::string& model = inv.args[0];
  const std::string& out = inv.args[1];
  auto workspace = OpenModel(inv, model);
  const std::vector<std::string> report = exporter::ExportModel(
      workspace->Model(), out, std::filesystem::path(model).filename().string());
  for (const std::string& line : report)
    (line.rfind("warning: ", 0) == 0 ? inv.err : inv.out) << line << "\n";
  return 0;
}

}  // namespace cavix::app
