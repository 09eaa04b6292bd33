// The kernel's STEP translator, in a module of its own (cavix-step.so) that is loaded the first
// time a STEP file is read or written through it: its five libraries were half of every
// command's start-up, and the export writes STEP text itself. The module and the command are
// built from the same sources by the same compiler; these are its two functions, by name.
#pragma once

#include <TopoDS_Shape.hxx>
#include <string>

namespace cavix::exporter {

extern "C" {
// Reads the STEP file at `path` and transfers its roots into `shape`; false when the file is not
// STEP that the translator can read. The kernel's exceptions pass through.
using ReadStepFunction = bool (*)(const std::string* path, TopoDS_Shape* shape);
// Writes `shape` as it is through the translator, in millimetres, the product named `product`, to
// the file `file`. Returns 0 when written, 1 when the translator refuses the shape, 2 when the
// file could not be written (errno then says why). The kernel's exceptions pass through.
using WriteStepFunction = int (*)(const TopoDS_Shape* shape, const std::string* product,
                                  const std::string* file);
}
inline constexpr const char* kReadStepName = "cavix_step_read";
inline constexpr const char* kWriteStepName = "cavix_step_write";

struct StepTranslator {
  ReadStepFunction read = nullptr;
  WriteStepFunction write = nullptr;
};

// The module's functions, loaded once. Raises 53 naming the module and the loader's reason when it
// cannot be loaded.
const StepTranslator& LoadStepTranslator();

}  // namespace cavix::exporter
