#include "runtime/module.h"

#include <dlfcn.h>

#include <cstddef>
#include <filesystem>
#include <system_error>
#include <vector>

namespace cavix::rt {

namespace {

// The folders the loader searches for the program's own libraries: its run path first.
std::vector<std::filesystem::path> SearchPath() {
  std::vector<std::filesystem::path> folders;
  void* self = ::dlopen(nullptr, RTLD_NOW);
  Dl_serinfo size{};
  if (!self || ::dlinfo(self, RTLD_DI_SERINFOSIZE, &size) != 0) return folders;
  std::vector<std::max_align_t> buffer(size.dls_size / sizeof(std::max_align_t) + 1);
  auto* info = reinterpret_cast<Dl_serinfo*>(buffer.data());
  ::dlinfo(self, RTLD_DI_SERINFOSIZE, info);
  if (::dlinfo(self, RTLD_DI_SERINFO, info) != 0) return folders;
  for (unsigned i = 0; i < info->dls_cnt; ++i)
    if (info->dls_serpath[i].dls_name && *info->dls_serpath[i].dls_name)
      folders.emplace_back(info->dls_serpath[i].dls_name);
  return folders;
}

}  // namespace

void* Module::Address(const char* function) const { return ::dlsym(handle, function); }

Module LoadModule(const std::string& name, const std::string& fromBindir,
                  std::initializer_list<const char*> functions) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path dir = ec ? std::filesystem::path(".") : self.parent_path();
  const std::vector<std::filesystem::path> candidates{dir / name, dir / fromBindir / name};
  Module m;
  // Loads `path`: false, with `why` said, when the loader refuses it or it lacks a function.
  auto load = [&](const std::filesystem::path& path) {
    if (!(m.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))) {
      const char* error = ::dlerror();
      m.why = "cannot load \"" + path.string() + "\": " + (error ? error : "unknown reason");
      return false;
    }
    for (const char* f : functions)
      if (!m.Address(f)) {
        m.handle = nullptr;
        m.why = "\"" + path.string() + "\" is not the module it is named after (it lacks " + f + ")";
        return false;
      }
    return true;
  };
  for (const std::filesystem::path& path : candidates)
    if (std::filesystem::exists(path, ec) && load(path)) return m;
  if (!m.why.empty()) return m;
  // A build tree's programs have its module folder on their run path, which an install strips.
  // The folders are looked through here, not by dlopen of the bare name: the loader takes the run
  // path of whoever calls dlopen, and under AddressSanitizer that is the sanitizer's library.
  for (const std::filesystem::path& folder : SearchPath())
    if (std::filesystem::exists(folder / name, ec)) {
      load(folder / name);
      return m;
    }
  m.why = "\"" + candidates.back().lexically_normal().string() + "\" is not installed";
  return m;
}

}  // namespace cavix::rt
