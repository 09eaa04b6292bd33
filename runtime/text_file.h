// Text files as the hole logic sees them: lines ending in CR LF or LF when read (writers such as
// the preferences end theirs with CR LF); bytes that are not UTF-8 read as Windows-1252. Paths are
// built with backslashes and mapped to "/" at the file-system boundary; messages show them as built.
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

// Reads a whole file that a reader takes in one piece (a model file, a dialog script, a registry
// or settings file). False when nothing exists at the path. Anything that is not a regular file
// (a folder, a device such as /dev/zero, a pipe) and any file larger than `limit` bytes is refused
// before it is read; every error names the file as "WHAT "PATH"" (`what` such as "model file")
// and the cause: 70 permission denied, 75 not a regular file or too large, 57 a read error.
bool ReadWholeFile(const std::string& nativePath, size_t limit, const std::string& what,
                   std::string& content);

// Writes `content` to a temporary file beside the target and renames it over the target, so that
// the target is either the old file or the whole new one. Raises on failure (the old file stays as
// it was).
// - A symbolic link is followed: the file it points to is replaced and the link stays.
// - A file that is replaced keeps its owner, group and mode; a new one gets the umask's mode.
// - Refused, naming the file: a target that is not a regular file (75), a read-only one or one
//   the user may not write (70), one whose owner could not be kept (70); with `mustBeNew`, any
//   existing target (58).
// - Temporary names stay within the file-name limit whatever the target's name. A temporary file
//   is locked while it is written, so temporary files of the same target that a killed writer
//   left behind (nobody holds their lock) are removed by the next write of that target.
void WriteFileAtomically(const std::string& nativePath, std::string_view content,
                         bool mustBeNew = false);

// The file WriteFileAtomically writes through, for writers that write a file by its name
// themselves (the solid modeller's STEP and glTF writers write Path()): made and checked as
// WriteFileAtomically says, raising as it does; its name within the file-name limit with `room`
// bytes to spare for files such a writer names after it. Commit puts it in the target's place;
// one that goes uncommitted is removed.
class AtomicFile {
 public:
  explicit AtomicFile(std::string nativePath, bool mustBeNew = false, size_t room = 0);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // The temporary file.
  const std::string& Path() const { return temp_; }
  // Appends `content` to it.
  void Write(std::string_view content);
  // Flushes it to disk and renames it over the target (links it there with `mustBeNew`).
  void Commit();

 private:
  void Discard();
  [[noreturn]] void Fail(int number, std::string description = {});

  std::string path_, target_, dir_, temp_;
  int fd_ = -1;
  bool mustBeNew_ = false;
  bool committed_ = false;
};

// The file a path finally names once symbolic links are followed (the last link's target when it
// does not exist); the path itself when it is no link. Raises 75 for a loop of links.
std::string FollowLinks(const std::string& nativePath);

}  // namespace cavix::rt
