#include "export/step_translator.h"

#include <dlfcn.h>

#include <mutex>

#include "runtime/error.h"
#include "runtime/module.h"

namespace cavix::exporter {
namespace {

StepTranslator Load() {
  const rt::Module module = rt::LoadModule(CAVIX_STEP_MODULE_NAME, CAVIX_MODULES_FROM_BINDIR);
  if (!module.handle)
    rt::Raise(rt::err::kFileNotFound, "the STEP translator cannot be loaded: " + module.why, "STEP");
  StepTranslator t;
  t.read = reinterpret_cast<ReadStepFunction>(::dlsym(module.handle, kReadStepName));
  t.write = reinterpret_cast<WriteStepFunction>(::dlsym(module.handle, kWriteStepName));
  if (!t.read || !t.write)
    rt::Raise(rt::err::kFileNotFound,
              "the STEP translator cannot be loaded: " CAVIX_STEP_MODULE_NAME
              " is not Cavix's STEP module",
              "STEP");
  return t;
}

}  // namespace

const StepTranslator& LoadStepTranslator() {
  static std::once_flag once;
  static StepTranslator translator;
  std::call_once(once, [] { translator = Load(); });
  return translator;
}

}  // namespace cavix::exporter
