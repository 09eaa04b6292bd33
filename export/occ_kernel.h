// How Cavix uses the geometry kernel, the same everywhere (the export, the part's own solid, the
// view): what a kernel exception says, the kernel kept off standard output, and booleans set up
// one way. For the layers that work on Open CASCADE shapes.
#pragma once

#include <BRepAlgoAPI_BooleanOperation.hxx>
#include <Standard_Failure.hxx>
#include <TopTools_ListOfShape.hxx>
#include <string>

namespace cavix::exporter {

// "Standard_DomainError: reason": the exception's type and message.
std::string KernelFailure(const Standard_Failure& f);

// The kernel reports on standard output by default; the command line keeps that for its results.
// Idempotent and safe to call from any thread.
void QuietKernelMessages();

// Whether a boolean may change its inputs in place (widen a tolerance): shapes the caller made for
// this boolean alone may be; shapes also used elsewhere (the part's solid, tools shared by two
// tiles, a cut part the caller keeps) may not.
enum class Inputs { kOwned, kShared };

// Runs `op` on `objects` and `tools` (tools may be empty, as for a glue), the one way Cavix sets a
// boolean up: on the calling thread (callers run whole booleans side by side instead) unless
// `shared` lets the kernel share it among its own threads (a boolean with the cores to itself:
// one tile, the glue; the result is the same), boxes oriented to the shapes to skip far pairs
// early, and no check for solids turned inside out (every solid is made or read facing
// outwards). Options particular to `op` (a glue) are set before. Returns false when the kernel
// says it failed; BooleanErrors says why.
bool RunBoolean(BRepAlgoAPI_BooleanOperation& op, const TopTools_ListOfShape& objects,
                const TopTools_ListOfShape& tools, Inputs inputs, bool shared = false);

// The kernel's own words for what went wrong in a boolean, or "the kernel gave no reason".
std::string BooleanErrors(BRepAlgoAPI_BuilderAlgo& op);

}  // namespace cavix::exporter
