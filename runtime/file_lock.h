// Saving a file that other processes save too: an advisory lock held for a whole
// read-modify-write, and a stamp that tells an editor whether the file changed since it read it.
//
// Files that are saved whole (a model file) are replaced by writing a temporary file and renaming
// it over the old one, so every save gives the path a new file. The lock therefore belongs to the
// file found at the path when it was taken: once it is held, the path is looked at again, and
// when a save replaced the file in the meantime the lock moves on to the new one. The rules:
//
//   - Every process that changes the file takes the lock before it reads the file and keeps it
//     until the new file has been renamed into place: then no two read-modify-writes overlap and
//     no change is lost. Readers that only read need no lock: a rename is atomic, so they see the
//     old file or the new one.
//   - A process that dies drops its locks (the operating system releases them).
//   - An editor that keeps a file open for a long time (a window) does not hold the lock while
//     the user works: it keeps the FileStamp of what it read, and when it saves it takes the
//     lock, compares StampOf(path) with the kept stamp, and saves only when they are equal; when
//     they differ, another program saved in between, and the editor must reload or ask first.
//     After its own save it keeps the new StampOf(path).
//
//   rt::FileLock lock(path, rt::DefaultLockWait(), "model file");    // waits, or raises 70
//   if (rt::StampOf(path) != openedStamp) { ...changed under us: reload or ask... }
//   ...write through rt::WriteFileAtomically(path, text)...
//   openedStamp = rt::StampOf(path);                                  // then let the lock go
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace cavix::rt {

// An exclusive advisory lock on the file at a path (symbolic links followed).
class FileLock {
 public:
  // Takes the lock, waiting up to `wait` while another process holds it. When the wait runs out,
  // raises 70 "WHAT "PATH" is in use by process N (its command line); waited S s". Raises 53 when
  // no file exists at the path, and the numbered file errors when it cannot be opened. `what`
  // names the file in messages ("model file").
  FileLock(const std::string& path, std::chrono::milliseconds wait, std::string what = "file");
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  const std::string& Path() const { return path_; }
  bool Held() const { return fd_ >= 0; }
  // Lets the lock go before the object ends.
  void Release();

  // Who holds the lock on the file at `path`, in words ("process 812 (cavix drop part.cvx)"),
  // "another process" when that cannot be found out, or "" when nobody holds it.
  static std::string Holder(const std::string& path);

 private:
  std::string path_;
  int fd_ = -1;
};

// How long a command waits for a lock: CAVIX_LOCK_WAIT seconds (0 to 3600, fractions allowed)
// when that is set, else 30 s.
std::chrono::milliseconds DefaultLockWait();

// What a file is on disk, enough to tell that it was replaced or rewritten: its identity, size
// and change times. Two stamps are equal when nothing happened to the file in between.
struct FileStamp {
  bool exists = false;
  uint64_t device = 0, inode = 0;
  int64_t size = 0;
  int64_t modifiedNs = 0, changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at a path (links followed); `exists` false when there is none.
FileStamp StampOf(const std::string& path);

}  // namespace cavix::rt
