// `cavix open MODEL`: the host window on a model file.
#include "app/commands.h"

namespace cavix::app {

int CmdOpen(Invocation& inv) {
  RequireRegistryFile(inv, "cavix open");
  if (!inv.host) rt::Raise(rt::err::kInvalidCall, "this program has no host window", "cavix open");
  return inv.host(inv.args[0], inv.Services());
}

}  // namespace cavix::app
