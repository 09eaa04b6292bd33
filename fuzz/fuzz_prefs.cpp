// Fuzz target: the preferences file (fuzzed) restored when a dropped hole opens the dialog; the
// dialog is then confirmed (writing the preferences back and creating the hole) or cancelled.
#include <cstdint>
#include <sstream>

#include "actions/holes.h"
#include "forms/script.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/private_install.h"
#include "runtime/error.h"
#include "runtime/regional.h"

using namespace cavix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::PrivateInstall install(CAVIX_FUZZ_DATA, fuzz::ScratchDir() / "appl");
  if (size < 1) return 0;
  rt::SetRegional(rt::RegionalFor((data[0] & 1) ? "de_DE" : "en_US"));
  const bool confirm = (data[0] & 2) != 0;
  fuzz::WriteBytes(install.PrefsFile(), data + 1, size - 1);

  auto work = install.NewModel();
  scene::Shape& shape = work->Model().AddDroppedShape({0, 0, -1}, {50, 30, 20});
  std::ostringstream out, diag;
  try {
    actions::DialogPlayer(
        forms::ParseScript(confirm ? "click OKButton\nclose\n" : "close\n", "prefs"), out, diag)
        .Run(work->AddIn(), [&] { work->Model().DropCatalogEntry(shape); });
  } catch (const forms::ScriptError&) {
  } catch (const rt::Error&) {
  }
  return 0;
}
