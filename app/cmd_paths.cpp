// `cavix paths`: every folder and file Cavix reads and writes with the registry, settings and user
// folders in force, and whether each exists; a first stop when something is not where it is
// looked for.
#include <nlohmann/json.hpp>
#include <ostream>
#include <sys/stat.h>

#include "app/commands.h"
#include "standards/config.h"

namespace cavix::app {

int CmdPaths(Invocation& inv) {
  const scene::ServiceConfig services = inv.Services();
  scene::Scene scene;  // the registry reader is a host service; an empty scene provides it
  scene.InstallServices(services);
  const config::Registry registry(scene.App().Services());

  auto regular = [](const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  };
  std::vector<config::PathUse> uses{
      {"registry file", services.registryFile, false, false, regular(services.registryFile)},
      {"host settings", services.settingsFile, false, false, regular(services.settingsFile)}};
  for (config::PathUse& use : config::PathsInUse(registry)) uses.push_back(std::move(use));
  if (services.user.config.empty() || services.user.data.empty())
    inv.err << "cavix paths: no folder of your own (HOME is not set to an absolute path): the "
               "preferences go to the application folder\n";

  if (inv.Has("--json")) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const config::PathUse& u : uses)
      all.push_back({{"what", u.what},
                     {"path", u.path},
                     {"kind", u.folder ? "folder" : "file"},
                     {"access", u.written ? "write" : "read"},
                     {"exists", u.exists}});
    inv.out << all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return 0;
  }
  size_t width = 0;
  for (const config::PathUse& u : uses) width = std::max(width, u.what.size());
  for (const config::PathUse& u : uses)
    inv.out << (u.written ? "write  " : "read   ") << (u.exists ? "exists   " : "missing  ")
            << u.what << std::string(width + 2 - u.what.size(), ' ') << Printable(u.path) << "\n";
  return 0;
}

}  // namespace cavix::app
