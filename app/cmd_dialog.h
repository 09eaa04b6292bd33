// Placing and editing holes through the dialog, played by a dialog script: what `cavix drop`,
// `cavix edit` and the demo use.
#pragma once

#include <iosfwd>
#include <string>

#include "scene/scene.h"

namespace cavix::app {

// How a dialog run ended.
enum class DialogOutcome {
  Shown,    // the dialog was shown and the script played to its end
  Refused,  // the add-in refused before showing the dialog (its message says why)
};

// Drops a new shape on the main part (axis `normal`, at `at`) as a catalog drop does and plays the
// script file on the dialog. Message boxes and dumps go to `out` as JSON lines, diagnostics to
// `diag`. A malformed script, a script that ends with the dialog open or leaves actions over, and
// the add-in's run-time errors are thrown.
DialogOutcome DropWithScript(scene::Scene& model, scene::Vec3 normal, scene::Vec3 at,
                             const std::string& scriptFile, std::ostream& out, std::ostream& diag,
                             scene::Shape** dropped = nullptr);

// Double-clicks `shape` and plays the script file on the dialog it opens (as DropWithScript).
DialogOutcome EditWithScript(scene::Scene& model, scene::Shape& shape,
                             const std::string& scriptFile, std::ostream& out, std::ostream& diag);

}  // namespace cavix::app
