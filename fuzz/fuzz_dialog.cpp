// Fuzz target: the hole dialog opened by a drop on a new model with the shipped standards tables,
// driven by a fuzzed sequence of user actions (clicks, picks, typed and pasted texts, focus
// moves, OK, Cancel, close); when a hole was placed, a double click reopens it for a second
// fuzzed sequence. The only acceptable failures are a script that cannot be played on
// (ScriptError) and a numbered error reaching the host.
#include <cstdint>
#include <functional>
#include <sstream>

#include "actions/holes.h"
#include "fuzz/action_decoder.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/private_install.h"
#include "runtime/error.h"
#include "runtime/regional.h"

using namespace cavix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::PrivateInstall install(CAVIX_FUZZ_DATA, fuzz::ScratchDir() / "appl");
  fuzz::ByteReader in(data, size);
  // The first byte picks the regional settings: "." or "," as decimal separator.
  rt::SetRegional(rt::RegionalFor((in.Byte() & 1) ? "de_DE" : "en_US"));
  const forms::Script drop = fuzz::DecodeScript(in, 1 + in.Byte() % 32);
  const forms::Script edit = fuzz::DecodeScript(in, 32);

  auto work = install.NewModel();
  scene::Shape& shape = work->Model().AddDroppedShape({0, 0, -1}, {50, 30, 20});
  std::ostringstream out, diag;
  auto play = [&](const forms::Script& script, const std::function<void()>& open) {
    try {
      actions::DialogPlayer(script, out, diag).Run(work->AddIn(), open);
    } catch (const forms::ScriptError&) {
    } catch (const rt::Error&) {
    }
  };
  play(drop, [&] { work->Model().DropCatalogEntry(shape); });
  if (!shape.BindingTag().empty()) play(edit, [&] { work->Model().DoubleClick(shape); });
  return 0;
}
