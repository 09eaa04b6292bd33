// CR LF or LF text files read line by line (UTF-8 or Windows-1252), and whole files replaced
// atomically; file-system failures become the classic numbered errors.
#include "runtime/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/error.h"

namespace cavix::rt {

namespace {

// Windows-1252 0x80..0x9F; the five undefined bytes keep their Latin-1 (C1) code points, as the
// Windows conversion does, so that nothing is lost.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    // Table files are almost all ASCII: pass eight such bytes at a time.
    if (n - i >= 8) {
      uint64_t word = 0;
      std::memcpy(&word, s.data() + i, 8);
      if ((word & 0x8080808080808080ULL) == 0) {
        i += 8;
        continue;
      }
    }
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    int extra = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      extra = 1;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      extra = 2;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      extra = 3;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (n - i <= static_cast<size_t>(extra)) return false;
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    if (b1 < lo || b1 > hi) return false;
    for (int k = 2; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if (b < 0x80 || b > 0xBF) return false;
    }
    i += static_cast<size_t>(extra) + 1;
  }
  return true;
}

std::string ParentDir(const std::string& native) {
  const size_t slash = native.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

bool IsDirectory(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The error number of a failed open for reading.
int ReadOpenError(int e, const std::string& native) {
  switch (e) {
    case ENOENT:
      return IsDirectory(ParentDir(native)) ? err::kFileNotFound : err::kPathNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case ENAMETOOLONG:
      return err::kBadFileName;
    default:
      return err::kPathFileAccess;  // permissions, a directory, too many open files
  }
}

// The error number of a failed open, write, flush or close of a file being written.
int WriteError(int e) {
  switch (e) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return err::kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return err::kPermissionDenied;
    case ENOENT:
    case ENOTDIR:
      return err::kPathNotFound;
    case EISDIR:
      return err::kPathFileAccess;
    case ENAMETOOLONG:
      return err::kBadFileName;
    default:
      return err::kDeviceIo;
  }
}

}  // namespace

std::string NativePath(std::string_view builtPath) {
  std::string out(builtPath);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

bool FileExists(std::string_view builtPath) {
  struct stat st {};
  return ::stat(NativePath(builtPath).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DecodeLine(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80)
      out.push_back(ch);
    else if (b < 0xA0)
      AppendUtf8(out, kCp1252High[b - 0x80]);
    else
      AppendUtf8(out, b);  // 0xA0..0xFF are Latin-1
  }
  return out;
}

// ---- TextReader

TextReader::TextReader(std::string builtPath) : path_(std::move(builtPath)) {
  const std::string native = NativePath(path_);
  if (native.empty()) Raise(err::kBadFileName, {}, path_);
  // Opened without blocking and refused unless it is a regular file: a table or preferences
  // path that names a pipe would wait for a writer forever, a device such as /dev/zero would be
  // read without end.
  const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) Raise(ReadOpenError(errno, native), {}, path_);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
      (f_ = ::fdopen(fd, "rb")) == nullptr) {
    ::close(fd);
    Raise(err::kPathFileAccess, {}, path_);
  }
}

TextReader::~TextReader() { Close(); }

bool TextReader::ReadLine(std::string& line) {
  if (!f_) Raise(err::kBadFileName, {}, path_);
  // getline reads a whole line per call from the stream's buffer (NUL bytes included), which
  // keeps a line read close to the cost of the file system's own read.
  errno = 0;
  const ssize_t got = ::getline(&buf_, &cap_, f_);
  if (got < 0) {
    if (errno == ENOMEM) Raise(err::kOutOfMemory, {}, path_);
    if (std::ferror(f_)) Raise(err::kDeviceIo, {}, path_);
    return false;
  }
  size_t n = static_cast<size_t>(got);
  if (n > 0 && buf_[n - 1] == '\n') --n;
  if (n > 0 && buf_[n - 1] == '\r') --n;
  if (line_ < INT_MAX) ++line_;  // a count for messages; it stops rather than wraps
  const std::string_view raw(buf_, n);
  try {
    if (IsValidUtf8(raw))
      line.assign(raw);  // reuses the caller's buffer
    else
      line = DecodeLine(raw);
  } catch (const std::bad_alloc&) {
    Raise(err::kOutOfMemory, {}, path_);
  }
  return true;
}

std::string TextReader::LineInput() {
  std::string line;
  if (!ReadLine(line)) Raise(err::kInputPastEnd, {}, path_);
  return line;
}

void TextReader::Close() {
  if (f_) {
    std::fclose(f_);  // nothing was written, so nothing can be lost here
    f_ = nullptr;
  }
  std::free(buf_);
  buf_ = nullptr;
  cap_ = 0;
}

// ---- ReadWholeFile

bool ReadWholeFile(const std::string& nativePath, size_t limit, const std::string& what,
                   std::string& content) {
  const std::string named = what + " \"" + nativePath + "\"";
  if (nativePath.empty()) Raise(err::kBadFileName, named + ": no file name", nativePath);
  // Opened without blocking: a named pipe would otherwise wait for a writer before the check.
  const int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int e = errno;
    switch (e) {
      case ENOENT:
      case ENOTDIR:
        return false;
      case EACCES:
      case EPERM:
        Raise(err::kPermissionDenied, named + ": permission denied", nativePath);
      case ENAMETOOLONG:
        Raise(err::kBadFileName, named + ": the name is too long", nativePath);
      case ELOOP:
        Raise(err::kPathFileAccess, named + ": too many levels of symbolic links", nativePath);
      default:
        Raise(err::kPathFileAccess, named + " cannot be opened: " + std::strerror(e), nativePath);
    }
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0)
    Raise(err::kDeviceIo, named + " cannot be read: " + std::strerror(errno), nativePath);
  if (S_ISDIR(st.st_mode)) Raise(err::kPathFileAccess, named + " is a folder", nativePath);
  if (!S_ISREG(st.st_mode))
    Raise(err::kPathFileAccess,
          named + " is not a regular file (a device, a pipe or a socket cannot be read as one)",
          nativePath);
  const auto tooLarge = [&] {
    Raise(err::kPathFileAccess,
          named + " is larger than " + std::to_string(limit >> 20) + " MB, the most it may hold",
          nativePath);
  };
  if (static_cast<uint64_t>(st.st_size) > limit) tooLarge();
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  content.clear();
  content.reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      Raise(err::kDeviceIo, named + " cannot be read: " + std::strerror(errno), nativePath);
    }
    if (n == 0) break;
    if (content.size() + static_cast<size_t>(n) > limit) tooLarge();  // it grew while read
    content.append(buf, static_cast<size_t>(n));
  }
  return true;
}

// ---- WriteFileAtomically

namespace {

constexpr size_t kNameMax = 255;  // the longest file name the usual file systems take
constexpr const char* kTempSuffix = ".tmp";
constexpr size_t kTempExtra = 12;  // "." BASE "." XXXXXX ".tmp"

// The part of a temporary file's name that says which file it will become: the target's name,
// or, when that is too long to leave room (and `room` bytes more), its beginning and a hash of
// the whole.
std::string TempStem(const std::string& base, size_t room) {
  if (base.size() + kTempExtra + room <= kNameMax) return base;
  uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (const char c : base) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  size_t keep = kNameMax - kTempExtra - room - 17;
  while (keep > 0 && (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80) --keep;
  return base.substr(0, keep) + "~" + hex;
}

std::string JoinDir(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

// Removes the temporary files of a target whose writers are gone: a writer holds the lock of its
// temporary file until it has renamed it, so a temporary file that can be locked is left over.
void RemoveLeftovers(const std::string& dir, const std::string& stem) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  const std::string prefix = "." + stem + ".";
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name(e->d_name);
    if (name.size() != prefix.size() + 6 + 4 || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - 4) != kTempSuffix)
      continue;
    const std::string path = JoinDir(dir, std::string(name));
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat held {};
    struct stat now {};
    // Still the same file once locked: a writer that finished meanwhile renamed it away.
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(path.c_str(), &now) == 0 && now.st_dev == held.st_dev && now.st_ino == held.st_ino)
      ::unlink(path.c_str());
    ::close(fd);
  }
  ::closedir(d);
}

}  // namespace

std::string FollowLinks(const std::string& nativePath) {
  std::string p = nativePath;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return p;
    target.resize(static_cast<size_t>(n));
    p = target.front() == '/' ? target : JoinDir(ParentDir(p), target);
  }
  Raise(err::kPathFileAccess, "\"" + nativePath + "\": too many levels of symbolic links",
        nativePath);
}

AtomicFile::AtomicFile(std::string nativePath, bool mustBeNew, size_t room)
    : path_(std::move(nativePath)), mustBeNew_(mustBeNew) {
  if (path_.empty()) Raise(err::kBadFileName, {}, path_);
  target_ = FollowLinks(path_);
  const std::string named = "\"" + path_ + "\"";

  // What is replaced must be a file the user may write; it keeps its owner, group and mode.
  struct stat old {};
  const bool exists = ::stat(target_.c_str(), &old) == 0;
  mode_t mode = 0;
  if (exists) {
    if (mustBeNew) Raise(err::kFileAlreadyExists, named + " already exists", path_);
    if (S_ISDIR(old.st_mode)) Raise(err::kPathFileAccess, named + " is a folder", path_);
    if (!S_ISREG(old.st_mode))
      Raise(err::kPathFileAccess,
            named + " is not a regular file (a device, a pipe or a socket is not replaced)", path_);
    if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
      Raise(err::kPermissionDenied, "Permission denied: " + named + " is read-only", path_);
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
      Raise(err::kPermissionDenied,
            "Permission denied: " + named + " may not be written by this user", path_);
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  const size_t slash = target_.find_last_of('/');
  dir_ = ParentDir(target_);
  const std::string stem =
      TempStem(slash == std::string::npos ? target_ : target_.substr(slash + 1), room);
  RemoveLeftovers(dir_, stem);

  // The temporary file, locked for as long as it exists under its name. A remover that found it
  // in the moment between its creation and its lock took it away: then it is made again.
  for (int attempt = 0; fd_ < 0; ++attempt) {
    temp_ = JoinDir(dir_, "." + stem + ".XXXXXX" + kTempSuffix);
    fd_ = ::mkostemps(temp_.data(), 4, O_CLOEXEC);
    if (fd_ < 0) Raise(WriteError(errno), {}, path_);
    struct stat st {};
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd_, &st) == 0 && st.st_nlink > 0) break;
    ::close(fd_);
    fd_ = -1;
    if (attempt == 8) Raise(err::kPathFileAccess, named + ": no temporary file", path_);
  }

  if (::fchmod(fd_, mode) != 0) Fail(WriteError(errno));
  if (exists) {
    struct stat mine {};
    if (::fstat(fd_, &mine) != 0) Fail(WriteError(errno));
    if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) &&
        ::fchown(fd_, old.st_uid, old.st_gid) != 0)
      Fail(err::kPermissionDenied,
           "Permission denied: " + named +
               " belongs to another owner or group, which a file this user writes cannot keep");
    if (::fchmod(fd_, mode) != 0) Fail(WriteError(errno));  // a change of owner clears set-id bits
  }
}

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  if (!committed_) ::unlink(temp_.c_str());
}

void AtomicFile::Fail(int number, std::string description) {
  Discard();
  Raise(number, std::move(description), path_);
}

void AtomicFile::Write(std::string_view content) {
  const char* p = content.data();
  size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(WriteError(errno));
    }
    if (n == 0) Fail(WriteError(ENOSPC));
    p += n;
    left -= static_cast<size_t>(n);
  }
}

void AtomicFile::Commit() {
  if (::fsync(fd_) != 0) Fail(WriteError(errno));
  // Renamed while still locked, so that no remover takes it first.
  if (mustBeNew_) {
    if (::link(temp_.c_str(), target_.c_str()) != 0)
      Fail(errno == EEXIST ? err::kFileAlreadyExists : WriteError(errno),
           errno == EEXIST ? "\"" + path_ + "\" already exists" : std::string());
    ::unlink(temp_.c_str());
  } else if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    Fail(WriteError(errno));
  }
  committed_ = true;
  Discard();

  // Make the rename itself durable; a failure here leaves a complete file either way.
  const int dirFd = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

void WriteFileAtomically(const std::string& nativePath, std::string_view content, bool mustBeNew) {
  AtomicFile file(nativePath, mustBeNew);
  file.Write(content);
  file.Commit();
}

}  // namespace cavix::rt
