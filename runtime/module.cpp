#include "runtime/module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace cavix::rt {

Module LoadModule(const std::string& name, const std::string& fromBindir) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path dir = ec ? std::filesystem::path(".") : self.parent_path();
  const std::vector<std::filesystem::path> candidates{dir / name, dir / fromBindir / name};
  Module m;
  for (const std::filesystem::path& path : candidates) {
    if (!std::filesystem::exists(path, ec)) continue;
    if ((m.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))) return m;
    const char* error = ::dlerror();
    m.why = "cannot load \"" + path.string() + "\": " + (error ? error : "unknown reason");
  }
  if (!m.why.empty()) return m;
  // By name alone the loader searches the program's run path, which only a build tree sets.
  if ((m.handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL))) return m;
  m.why = "\"" + candidates.back().lexically_normal().string() + "\" is not installed";
  return m;
}

}  // namespace cavix::rt
