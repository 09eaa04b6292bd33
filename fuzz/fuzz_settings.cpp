// Fuzz target: the host settings file (fuzzed INI) read by the settings reader, then asked for
// the thread texture folder and a few other names.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "runtime/error.h"
#include "scene/config_files.h"

using namespace cavix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = (fuzz::ScratchDir() / "settings.ini").string();
  fuzz::WriteBytes(path, data, size);
  try {
    const scene::SettingsFile settings = scene::SettingsFile::Load(path);
    for (const char* section : {"Directories", "directories", "", "[Directories]"}) {
      (void)settings.HasSection(section);
      for (const char* key : {"ThreadFile", "threadfile", "", "=", ";"}) {
        (void)settings.Value(section, key);
      }
    }
  } catch (const rt::Error&) {
    // A malformed settings file is refused with a numbered error: expected.
  }
  return 0;
}
