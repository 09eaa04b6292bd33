// The two configuration stores of the stand-in platform: a registry export (.reg) and the host's
// settings file (INI). Names of keys, values, sections and settings compare without regard to
// case, as Windows compares them. Syntax errors raise 321 naming the file and the line.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cavix::scene {

// Error number for a configuration or model file whose content cannot be read: "Invalid file
// format".
inline constexpr int kInvalidFileFormat = 321;

// The most a registry or settings file may hold; a larger one is refused before it is read.
inline constexpr size_t kMaxConfigBytes = size_t{16} << 20;

// Reads a text file as UTF-8 lines: a UTF-8 or UTF-16LE byte-order mark is honoured, other bytes
// that are not UTF-8 are Windows-1252, line ends CR LF or LF. False when no file exists at `path`;
// a file that cannot be read, is not a regular file or is larger than kMaxConfigBytes raises the
// error of rt::ReadWholeFile, naming it as `what` ("registry file").
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines,
                   const std::string& what = "file");

// A registry export: "Windows Registry Editor Version 5.00" (or "REGEDIT4"), then
// [HKEY_…\key] lines and "Name"="value" / @="value" / "Name"=dword:0000000a lines;
// ";" starts a comment line. String values unescape \\ and \".
class RegistryFile {
 public:
  // Parses the text of a file named `path` (the name is only used in messages).
  static RegistryFile Parse(const std::vector<std::string>& lines, const std::string& path);
  // Reads a file; a missing file is an empty registry.
  static RegistryFile Load(const std::string& path);

  // The text of a value, or nullopt when the key or value does not exist. `key` starts with the
  // root's name ("HKEY_LOCAL_MACHINE\SOFTWARE\…"); an empty name is the key's default value.
  std::optional<std::string> Value(std::string_view key, std::string_view name) const;
  bool Empty() const { return keys_.empty(); }

 private:
  std::map<std::string, std::map<std::string, std::string>> keys_;  // upper-cased names
};

// The name of a registry root by the reader's root code (0 to 4; 2 is HKEY_LOCAL_MACHINE), or
// nullptr for another code.
const char* RegistryRootName(int code);

// An INI file: [Section] lines, key=value lines, ";" or "#" comment lines. The first of repeated
// keys counts; a value in double quotes loses them.
class SettingsFile {
 public:
  static SettingsFile Parse(const std::vector<std::string>& lines, const std::string& path);
  // Reads a file; a missing file has no sections.
  static SettingsFile Load(const std::string& path);

  bool HasSection(std::string_view section) const;
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

 private:
  std::map<std::string, std::map<std::string, std::string>> sections_;  // upper-cased names
};

}  // namespace cavix::scene
