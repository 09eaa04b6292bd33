// Fuzz target: a registry export file (fuzzed) read as the registry reader reads it, then asked
// for the values the add-in uses.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "runtime/error.h"
#include "scene/config_files.h"

using namespace cavix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = (fuzz::ScratchDir() / "cavix.reg").string();
  fuzz::WriteBytes(path, data, size);
  try {
    const scene::RegistryFile reg = scene::RegistryFile::Load(path);
    for (const char* key : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox",
                            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvalis\\Zentrox\\Cavix", "",
                            "HKEY_LOCAL_MACHINE", "hkey_local_machine\\software\\norvalis\\zentrox\\"}) {
      for (const char* name : {"ApplDir", "Language", "Norme#0", "Norme Dir#0", "Data#0",
                               "File INI#0", "File Prefs", ""}) {
        (void)reg.Value(key, name);
      }
    }
  } catch (const rt::Error&) {
    // A file that is not a registry export is refused with a numbered error: expected.
  }
  return 0;
}
