// Numbered run-time errors: the one exception type the hole logic raises and the host boundary
// turns into a message. Numbers and descriptions are the classic ones callers and users know.
#pragma once

#include <stdexcept>
#include <string>

namespace cavix::rt {

namespace err {
inline constexpr int kInvalidCall = 5;        // "Invalid procedure call or argument"
inline constexpr int kOverflow = 6;           // "Overflow"
inline constexpr int kOutOfMemory = 7;        // "Out of memory"
inline constexpr int kSubscript = 9;          // "Subscript out of range"
inline constexpr int kDivisionByZero = 11;    // "Division by zero"
inline constexpr int kTypeMismatch = 13;      // "Type mismatch"
inline constexpr int kUserInterrupt = 18;     // "User interrupt occurred"
inline constexpr int kBadFileName = 52;       // "Bad file name or number"
inline constexpr int kFileNotFound = 53;      // "File not found"
inline constexpr int kBadFileMode = 54;       // "Bad file mode"
inline constexpr int kFileAlreadyOpen = 55;   // "File already open"
inline constexpr int kDeviceIo = 57;          // "Device I/O error"
inline constexpr int kFileAlreadyExists = 58;  // "File already exists"
inline constexpr int kDiskFull = 61;          // "Disk full"
inline constexpr int kInputPastEnd = 62;      // "Input past end of file"
inline constexpr int kPermissionDenied = 70;  // "Permission denied"
inline constexpr int kPathFileAccess = 75;    // "Path/File access error"
inline constexpr int kPathNotFound = 76;      // "Path not found"
inline constexpr int kObjectVariableNotSet = 91;  // "Object variable or With block variable not set"
inline constexpr int kObjectRequired = 424;   // "Object required"
inline constexpr int kNoSuchMember = 438;     // "Object doesn't support this property or method"
inline constexpr int kAutomation = 440;       // "Automation error"
}  // namespace err

// The standard description of a run-time error number; "Application-defined or object-defined
// error" for numbers without one.
std::string StandardDescription(int number);

class Error : public std::runtime_error {
 public:
  // An empty description takes the standard one of the number.
  explicit Error(int number, std::string description = {}, std::string source = {});

  int Number() const { return number_; }
  const std::string& Description() const { return description_; }
  // Where the error was raised (a file name, a member name), or empty.
  const std::string& Source() const { return source_; }

 private:
  int number_;
  std::string description_;
  std::string source_;
};

[[noreturn]] void Raise(int number, std::string description = {}, std::string source = {});

// A broken invariant: something the code itself guarantees did not hold. It is no bad input and
// carries no number; the command reports it as an internal error. Checked in every build type.
class InternalError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

[[noreturn]] void FailedAssertion(const char* condition, const char* file, int line,
                                  const char* why);

}  // namespace cavix::rt

// Asserts an invariant of the code (not of its input), in release builds too: when `condition`
// is false, throws rt::InternalError saying `why`, the condition and where it stands.
#define CAVIX_ASSERT(condition, why)                                                      \
  ((condition) ? static_cast<void>(0)                                                     \
               : ::cavix::rt::FailedAssertion(#condition, __FILE__, __LINE__, why))

// Marks a place the code cannot reach (a switch over every value of an enumeration, say): throws
// rt::InternalError saying `why` when it is reached all the same.
#define CAVIX_UNREACHABLE(why) ::cavix::rt::FailedAssertion("unreachable", __FILE__, __LINE__, why)
