// The program's own modules: shared objects the command loads the first time it needs them, so
// that the commands that do not need them start without them and the libraries they bring.
#pragma once

#include <string>

namespace cavix::rt {

struct Module {
  void* handle = nullptr;  // kept loaded for the rest of the process
  std::string why;         // when not loaded: what was tried and what the loader said
};

// Loads the module file `name` (e.g. "cavix-step.so"): from beside the running program, as in a
// build tree, else from `fromBindir`, the folder an install puts modules in, relative to the
// program's. A build tree's other programs (its tests) find it through their run path.
Module LoadModule(const std::string& name, const std::string& fromBindir);

}  // namespace cavix::rt
