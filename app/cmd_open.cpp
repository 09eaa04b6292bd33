// `cavix open MODEL`: the host window on a model file.
#include "app/commands.h"
#include "host_window/host_window.h"

namespace cavix::app {

int CmdOpen(Invocation& inv) {
  RequireRegistryFile(inv, "cavix open");
  return hostwindow::RunHostWindow({inv.args[0], inv.Services()});
}

}  // namespace cavix::app
