// `cavix check-tables [DIR]`: runs the table checker over standards families, the named one or
// every family the dialog offers (the registry's and the user's own), and lists each line the table queries would refuse or
// misread. Exit status 1 when anything was found.
#include <ostream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "runtime/text_file.h"
#include "standards/config.h"
#include "standards/table_check.h"

namespace cavix::app {

namespace {

struct FamilyFiles {
  std::string name;
  std::string iniPath;
  std::string dataDir;
};

// A family directory given on the command line, with the INI and TAB names of the registry
// (the shipped names when the registry has none).
FamilyFiles FamilyInDirectory(const config::Registry& registry, std::string dir) {
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  std::string ini = registry.Numbered("File INI#", 0);
  std::string data = registry.Numbered("Data#", 0);
  if (ini.empty()) ini = "Cavix.ini";
  if (data.empty()) data = "Tab\\";
  return {dir, dir + ini, dir + data};
}

// Every family the dialog offers (the registry's, then the user's own), with its paths built as
// the dialog builds them.
std::vector<FamilyFiles> DialogFamilies(const config::Registry& registry,
                                        std::vector<std::string>& problems) {
  std::vector<FamilyFiles> families;
  const config::FamilyList list = config::ListFamilies(registry);
  problems = list.problems;
  for (size_t i = 0; i < list.families.size(); ++i) {
    const config::FamilyPaths paths = config::ReadFamilyPaths(registry, static_cast<int>(i));
    families.push_back({list.families[i].caption, paths.IniPath(), paths.dataDir});
  }
  return families;
}

}  // namespace

int CmdCheckTables(Invocation& inv) {
  scene::Scene scene;  // the registry reader is a host service; an empty scene provides it
  scene.InstallServices(inv.Services());
  const config::Registry registry(scene.App().Services());

  std::vector<FamilyFiles> families;
  std::vector<std::string> problems;
  if (!inv.args.empty()) {
    families.push_back(FamilyInDirectory(registry, inv.args[0]));
  } else {
    families = DialogFamilies(registry, problems);
    for (const std::string& problem : problems)
      inv.err << "cavix check-tables: " << Printable(problem) << "\n";
    if (families.empty()) {
      inv.err << "cavix check-tables: the registry " << Printable(scene.Services().registryFile)
              << " lists no standards family (value \"Norme#0\")\n";
      return 1;
    }
  }

  size_t total = 0;
  for (const FamilyFiles& family : families) {
    const std::vector<tablecheck::Finding> findings =
        tablecheck::CheckFamily(family.iniPath, family.dataDir);
    for (const tablecheck::Finding& f : findings)
      inv.out << Printable(tablecheck::FormatFinding(f)) << "\n";
    inv.out << Printable(family.name) << ": " << Printable(rt::NativePath(family.iniPath)) << ": "
            << (findings.empty() ? std::string("no problems")
                                 : std::to_string(findings.size()) +
                                       (findings.size() == 1 ? " problem" : " problems"))
            << "\n";
    total += findings.size();
  }
  return total == 0 && problems.empty() ? 0 : 1;
}

}  // namespace cavix::app
