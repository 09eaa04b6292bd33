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
  auto workspace = ReadModel(inv, model);
  exporter::ExportOptions options;
  options.allowMisses = inv.Has("--allow-misses");
  options.jobs = inv.Jobs();
  options.stepPCurves = inv.Has("--pcurves");
  exporter::ExportReport report;
  try {
    report = exporter::ExportModel(workspace->Model(), out,
                                   std::filesystem::path(model).filename().string(), options);
  } catch (const exporter::MissError& e) {
    throw exporter::MissError(std::string(e.what()) + " (--allow-misses writes it anyway)");
  }
  inv.out << Printable(report.written) << "\n";
  for (const std::string& w : report.warnings) inv.err << "warning: " << Printable(w) << "\n";
  return 0;
}

}  // namespace cavix::app
