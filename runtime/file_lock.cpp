// Advisory locks on files saved by rename (flock, which the kernel drops with the process), the
// holder of a lock as /proc tells it, and file stamps.
#include "runtime/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "runtime/error.h"

namespace cavix::rt {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::string Quoted(const std::string& what, const std::string& path) {
  return what + " \"" + path + "\"";
}

// The command line of a process, its arguments joined by blanks, at most about 80 characters.
std::string CommandLineOf(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::string raw;
  char buf[256];
  while (in && raw.size() < 200) {
    in.read(buf, sizeof buf);
    raw.append(buf, static_cast<size_t>(in.gcount()));
  }
  while (!raw.empty() && raw.back() == '\0') raw.pop_back();
  if (raw.empty()) return {};
  // The program by its file name only: the folder it was started from says little.
  const size_t end = raw.find('\0');
  const std::string program = raw.substr(0, end);
  std::string text = program.substr(program.find_last_of('/') + 1);
  if (end != std::string::npos) text += raw.substr(end);
  std::replace(text.begin(), text.end(), '\0', ' ');
  if (text.size() > 80) text = text.substr(0, 77) + "...";
  return text;
}

}  // namespace

FileLock::FileLock(const std::string& path, milliseconds wait, std::string what) : path_(path) {
  const auto deadline = steady_clock::now() + wait;
  auto delay = milliseconds(1);
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
      const int e = errno;
      if (e == ENOENT || e == ENOTDIR)
        Raise(err::kFileNotFound, Quoted(what, path) + " does not exist", path);
      if (e == EACCES || e == EPERM)
        Raise(err::kPermissionDenied, Quoted(what, path) + ": permission denied", path);
      Raise(err::kPathFileAccess, Quoted(what, path) + " cannot be opened: " + std::strerror(e),
            path);
    }
    struct stat held {};
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      Raise(
          err::kPathFileAccess,
          Quoted(what, path) + (S_ISDIR(held.st_mode) ? " is a folder" : " is not a regular file"),
          path);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // Locked; but a save may have renamed a new file over the one locked while we waited.
      struct stat now {};
      if (::stat(path.c_str(), &now) == 0 && now.st_dev == held.st_dev &&
          now.st_ino == held.st_ino) {
        fd_ = fd;
        return;
      }
      ::close(fd);
      continue;  // the file that is there now, at once
    }
    const int e = errno;
    ::close(fd);
    if (e != EWOULDBLOCK && e != EINTR)
      Raise(err::kPathFileAccess, Quoted(what, path) + " cannot be locked: " + std::strerror(e),
            path);
    const auto now = steady_clock::now();
    if (now >= deadline) {
      std::string holder = Holder(path);
      if (holder.empty()) holder = "another process";
      std::ostringstream waited;
      waited << std::chrono::duration<double>(wait).count();
      Raise(err::kPermissionDenied,
            Quoted(what, path) + " is in use by " + holder + "; waited " + waited.str() +
                " s for it to finish (CAVIX_LOCK_WAIT sets the wait in seconds)",
            path);
    }
    std::this_thread::sleep_for(
        std::min(delay, std::chrono::duration_cast<milliseconds>(deadline - now)));
    delay = std::min(delay * 2, milliseconds(5));
  }
}

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) {
  other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    path_ = std::move(other.path_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

void FileLock::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor drops the lock
  fd_ = -1;
}

std::string FileLock::Holder(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd >= 0) {
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    if (free) return {};
  }
  // /proc/locks: "1: FLOCK  ADVISORY  WRITE 812 fd:01:393231 0 EOF"; waiters are marked "->".
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, pid, where;
    if (!(fields >> number >> kind) || kind == "->" || kind != "FLOCK") continue;
    if (!(fields >> mode >> access >> pid >> where)) continue;
    unsigned major = 0, minor = 0;
    unsigned long long inode = 0;
    if (std::sscanf(where.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3) continue;
    if (major != ::major(st.st_dev) || minor != ::minor(st.st_dev) || inode != st.st_ino) continue;
    const long id = std::strtol(pid.c_str(), nullptr, 10);
    if (id <= 0) continue;
    const std::string command = CommandLineOf(id);
    return "process " + std::to_string(id) + (command.empty() ? "" : " (" + command + ")");
  }
  return "another process";
}

milliseconds DefaultLockWait() {
  if (const char* text = std::getenv("CAVIX_LOCK_WAIT")) {
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    if (end != text && *end == '\0' && std::isfinite(seconds) && seconds >= 0 && seconds <= 3600)
      return milliseconds(static_cast<int64_t>(seconds * 1000));
  }
  return milliseconds(30000);
}

FileStamp StampOf(const std::string& path) {
  FileStamp s;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.changedNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

}  // namespace cavix::rt
