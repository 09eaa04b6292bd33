// Text files as the hole logic sees them: lines ending in CR LF when written, CR LF or LF accepted
// when read; bytes that are not UTF-8 read as Windows-1252. Paths are built with backslashes and
// mapped to "/" at the file-system boundary; messages show them as built.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace cavix::rt {

// The POSIX path of a path built with backslashes.
std::string NativePath(std::string_view builtPath);
// True when a regular file exists at the built path.
bool FileExists(std::string_view builtPath);

// Decodes one line read from a file: UTF-8 stays as it is, anything else is Windows-1252 and is
// converted to UTF-8.
std::string DecodeLine(std::string_view bytes);

// Reads a file one line at a time without loading it whole.
// Opening raises 53 "File not found" (76 when the folder is missing, 75 when it cannot be read).
class TextReader {
 public:
  explicit TextReader(std::string builtPath);
  ~TextReader();
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;

  // Reads the next line without its line end; false at the end of the file.
  bool ReadLine(std::string& line);
  // Like ReadLine, but raises 62 "Input past end of file" at the end.
  std::string LineInput();
  bool AtEnd();
  // Number of the line last read, from 1.
  int LineNumber() const { return line_; }
  const std::string& Path() const { return path_; }
  void Close();

 private:
  std::string path_;
  std::FILE* f_ = nullptr;
  int line_ = 0;
  char* buf_ = nullptr;  // the line buffer getline grows, kept from line to line
  size_t cap_ = 0;
};

// Writes a file line by line, each line ended by CR LF. Opening replaces any earlier content.
// Write failures raise 61 "Disk full", 70 "Permission denied" or 57 "Device I/O error".
class TextWriter {
 public:
  explicit TextWriter(std::string builtPath);
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  void WriteLine(std::string_view line);
  void Close();

 private:
  std::string path_;
  std::FILE* f_ = nullptr;
};

// Writes `content` to a temporary file beside `nativePath`, flushes it and renames it over the
// target, so that the target is either the old file or the whole new one. Raises on failure
// (the old file stays as it was).
void WriteFileAtomically(const std::string& nativePath, std::string_view content);

}  // namespace cavix::rt
