// Fuzz target: a model file (fuzzed) loaded as `cavix` opens one. A model that loads must save
// to a text that loads back to the same text; its holes are then regenerated and asked for their
// threads, as `cavix regen` and `cavix threads` would on a hand-edited file.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "fuzz/private_install.h"
#include "runtime/error.h"
#include "scene/config_files.h"
#include "scene/model_file.h"

using namespace cavix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::PrivateInstall install(CAVIX_FUZZ_DATA, fuzz::ScratchDir() / "appl");
  fuzz::InstallSilentMessages();
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::unique_ptr<scene::Scene> model;
  try {
    model = scene::ModelFromText(text, "fuzz.cvx");
  } catch (const rt::Error& e) {
    if (e.Number() != scene::kInvalidFileFormat) __builtin_trap();  // refused, in words
    return 0;
  }

  const std::string saved = scene::ModelText(*model);
  // The streaming writer and nlohmann's own dump must agree byte for byte.
  const auto doc = nlohmann::ordered_json::parse(saved);
  if (doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n" != saved)
    __builtin_trap();
  try {
    if (scene::ModelText(*scene::ModelFromText(saved, "saved.cvx")) != saved) __builtin_trap();
  } catch (const rt::Error&) {
    __builtin_trap();  // what the writer wrote, the reader must read
  }

  actions::LoadAddIn(*model, install.Services(), std::make_shared<actions::AddInHooks>());
  int shapes = 0;
  for (scene::Shape* shape : model->BoundShapes()) {
    if (++shapes > 8) break;
    try {
      model->Regenerate(*shape);
    } catch (const rt::Error&) {
      // A hole that cannot be rebuilt reaches the host as an automation error: expected.
    }
    try {
      auto threads = model->ThreadQuery(*shape);
      double d[8] = {};
      bool b[2] = {};
      threads->GetProjectedThreadInformation(*shape, d[0], d[1], d[2], d[3], d[4], d[5], d[6],
                                             d[7], b[0], b[1]);
    } catch (const rt::Error&) {
    }
  }
  return 0;
}
