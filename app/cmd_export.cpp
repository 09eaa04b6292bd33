// `cavix export`: reads the model, hands its part and holes to the writer the output name asks
// for, and reports what was written; the model file itself is never changed.
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "app/commands.h"
#include "export/scene_export.h"

namespace cavix::app {
namespace {

// Workers that cut the part: --jobs N, else the environment's CAVIX_JOBS, else every core (0).
int Jobs(const Invocation& inv) {
  constexpr int kMost = 1024;
  if (auto v = inv.Value("--jobs")) return ParseInt(*v, "--jobs", 1, kMost);
  const char* env = std::getenv("CAVIX_JOBS");
  return env && *env ? ParseInt(env, "CAVIX_JOBS", 1, kMost) : 0;
}

}  // namespace

int CmdExport(Invocation& inv) {
  const std::string& model = inv.args[0];
  const std::string& out = inv.args[1];
  auto workspace = OpenModel(inv, model);
  exporter::ExportOptions options;
  options.allowMisses = inv.Has("--allow-misses");
  options.jobs = Jobs(inv);
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
