// The program's own modules: shared objects the command loads the first time it needs them, so
// that the commands that do not need them start without them and the libraries they bring.
#pragma once

#include <initializer_list>
#include <string>

namespace cavix::rt {

struct Module {
  void* handle = nullptr;  // kept loaded for the rest of the process
  std::string why;         // when not loaded: what was tried and what the loader said
  // The address of one of the functions the module was loaded with.
  template <class Function>
  Function Get(const char* function) const {
    return reinterpret_cast<Function>(Address(function));
  }
  void* Address(const char* function) const;
};

// Loads the module file `name` (e.g. "cavix-step.so") that defines `functions` (by their C names):
// from beside the running program, as in a build tree, else from `fromBindir`, the folder an
// install puts modules in, relative to the program's. A build tree's other programs (its tests)
// find it through their run path.
Module LoadModule(const std::string& name, const std::string& fromBindir,
                  std::initializer_list<const char*> functions);

}  // namespace cavix::rt
