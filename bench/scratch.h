// A folder of a benchmark's own for the files it writes, removed when the program ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace cavix::bench {

// `<temp>/cavix-bench-NAME-PID`, made at the first call, the same folder at every call of the run.
inline const std::filesystem::path& ScratchFolder(const std::string& name) {
  struct Folder {
    std::filesystem::path path;
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder{std::filesystem::temp_directory_path() /
                             ("cavix-bench-" + name + "-" + std::to_string(::getpid()))};
  std::filesystem::create_directories(folder.path);
  return folder.path;
}

}  // namespace cavix::bench
