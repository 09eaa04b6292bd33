#include "export/step_translator.h"


#include "runtime/error.h"
#include "runtime/module.h"

namespace cavix::exporter {
namespace {

StepTranslator Load() {
  const rt::Module module = rt::LoadModule(CAVIX_STEP_MODULE_NAME, CAVIX_MODULES_FROM_BINDIR,
                                           {kReadStepName, kWriteStepName});
  if (!module.handle)
    rt::Raise(rt::err::kFileNotFound, "the STEP translator cannot be loaded: " + module.why, "STEP");
  return {module.Get<ReadStepFunction>(kReadStepName),
          module.Get<WriteStepFunction>(kWriteStepName)};
}

}  // namespace

const StepTranslator& LoadStepTranslator() {
  // Loaded by the first caller; one that fails is tried again by the next.
  static const StepTranslator translator = Load();
  return translator;
}

}  // namespace cavix::exporter
