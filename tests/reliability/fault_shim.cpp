// A preload library for fault-injection tests: it kills the process at the moment a file is about
// to be renamed over its target, as a power cut or a crash would between writing a file and
// renaming it into place. Set CAVIX_FAULT_KILL_AT_RENAME to a text the target path contains.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern "C" int rename(const char* from, const char* to) {
  const char* target = std::getenv("CAVIX_FAULT_KILL_AT_RENAME");
  if (target != nullptr && *target != '\0' && to != nullptr && std::strstr(to, target) != nullptr) {
    ::kill(::getpid(), SIGKILL);  // no handler, no destructor, no flush runs after this
  }
  using RenameFn = int (*)(const char*, const char*);
  static const auto real = reinterpret_cast<RenameFn>(::dlsym(RTLD_NEXT, "rename"));
  return real(from, to);
}
