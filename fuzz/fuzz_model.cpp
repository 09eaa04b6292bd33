// Fuzz target: a model file (fuzzed) loaded as `cavix` opens one. A model that loads must save
// to a text that loads back to the same text; its holes are then regenerated and asked for their
// threads, as `cavix regen` and `cavix threads` would on a hand-edited file; its section sheet is
// drawn, and must be text an XML reader takes (or refused in words); and a shape is added, which
// must get a new id or be refused.
#include <cstdint>
#include <string>
#include <string_view>

#include "export/scene_export.h"
#include "export/svg_drawing.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/private_install.h"
#include "runtime/error.h"
#include "scene/config_files.h"
#include "scene/model_file.h"

using namespace cavix;

namespace {

// Bytes an XML 1.0 document may hold: UTF-8 without control characters other than tab and line
// ends, surrogates, or U+FFFE and U+FFFF.
bool XmlText(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') return false;
      ++i;
      continue;
    }
    const size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
    if (len == 0 || i + len > s.size() || b > 0xF4) return false;
    char32_t c = b & (0x3F >> (len - 1));
    for (size_t k = 1; k < len; ++k) {
      const auto n = static_cast<unsigned char>(s[i + k]);
      if ((n & 0xC0) != 0x80) return false;
      c = (c << 6) | (n & 0x3F);
    }
    if ((len == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF) || c >= 0xFFFE)) ||
        (len == 4 && (c < 0x10000 || c > 0x10FFFF)))
      return false;
    i += len;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzz::PrivateInstall install(CAVIX_FUZZ_DATA, fuzz::ScratchDir() / "appl");
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

  actions::LoadAddIn(*model, install.Services(), std::make_shared<dialog::AddIn>());
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

  try {
    std::vector<std::string> warnings;
    const std::string svg =
        exporter::RenderSectionSheet(exporter::DrawingsFromScene(*model, warnings), {});
    if (!XmlText(svg)) __builtin_trap();  // no garbage bytes in the drawing
  } catch (const exporter::ExportError&) {
  } catch (const rt::Error&) {
  }

  try {
    const int32_t id = model->AddDroppedShape().Id();
    if (id < 1) __builtin_trap();  // ids never wrap
  } catch (const rt::Error&) {
    // No page or part to drop on, or no id left: said in words.
  }
  return 0;
}
