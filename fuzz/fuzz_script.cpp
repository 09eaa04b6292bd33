// Fuzz target: the dialog script reader on arbitrary bytes. A script is either read whole or
// refused with a located ScriptError; nothing else may happen.
#include <cstdint>
#include <string_view>

#include "forms/script.h"

using namespace cavix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const forms::Script s =
        forms::ParseScript(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.txt");
    for (const auto& a : s.actions) {
      if (a.line < 1) __builtin_trap();  // every action knows its line, for messages
    }
  } catch (const forms::ScriptError& e) {
    if (e.File() != "fuzz.txt") __builtin_trap();
  }
  return 0;
}
