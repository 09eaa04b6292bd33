// Temporary folders and whole-file reads shared by the tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace cavix::test {

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix)
      : path(std::filesystem::temp_directory_path() /
             (prefix + std::to_string(::getpid()) + "_" +
              std::to_string(reinterpret_cast<uintptr_t>(this)))) {
    std::filesystem::create_directories(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (path / name).string(); }
  // Writes the bytes to a file of the folder (making its sub-folders) and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path p = path / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

  const std::filesystem::path path;
};

// The whole content of a file, "" when it cannot be read.
inline std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace cavix::test
