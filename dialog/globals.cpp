// The process-wide dialog state.
#include "dialog/globals.h"

namespace cavix {

GlobalsState& Globals() {
  static GlobalsState state;
  return state;
}

void ResetGlobals() { Globals() = GlobalsState{}; }

}  // namespace cavix
