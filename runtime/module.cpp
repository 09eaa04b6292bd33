#include "runtime/module.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace cavix::rt {

void* Module::Address(const char* function) const { return ::dlsym(handle, function); }

Module LoadModule(const std::string& name, const std::string& fromBindir,
                  std::initializer_list<const char*> functions) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path dir = ec ? std::filesystem::path(".") : self.parent_path();
  const std::vector<std::filesystem::path> candidates{dir / name, dir / fromBindir / name};
  Module m;
  auto complete = [&](const std::string& path) {
    for (const char* f : functions)
      if (!m.Address(f)) {
        m.handle = nullptr;
        m.why = "\"" + path + "\" is not the module it is named after (it lacks " + f + ")";
        return false;
      }
    return true;
  };
  for (const std::filesystem::path& path : candidates) {
    if (!std::filesystem::exists(path, ec)) continue;
    if ((m.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))) {
      if (complete(path.string())) return m;
      continue;
    }
    const char* error = ::dlerror();
    m.why = "cannot load \"" + path.string() + "\": " + (error ? error : "unknown reason");
  }
  if (!m.why.empty()) return m;
  // By name alone the loader searches the program's run path, which only a build tree sets.
  if ((m.handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) && complete(name)) return m;
  if (!m.why.empty()) return m;
  m.why = "\"" + candidates.back().lexically_normal().string() + "\" is not installed";
  return m;
}

}  // namespace cavix::rt
