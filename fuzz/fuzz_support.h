// Shared pieces of the fuzz targets: a private scratch directory that lives as long as the
// process, whole-file writes of the fuzzed bytes, and a message service that answers every box
// without keeping it (a recorded message per run would grow without bound).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>


namespace cavix::fuzz {

inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    std::string templ = (std::filesystem::temp_directory_path() / "cavix-fuzz-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) std::abort();
    static std::filesystem::path made = templ;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(made, ec);
    });
    return made;
  }();
  return dir;
}

inline void WriteBytes(const std::filesystem::path& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size != 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
  WriteBytes(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace cavix::fuzz
