// A child process for work on untrusted input: forked, its result or error sent back on a pipe.
#include "runtime/isolated.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>

#include "runtime/error.h"

namespace cavix::rt {

namespace {

// Whether this process runs one thread only (field 20 of /proc/self/stat).
bool SingleThreaded() {
  std::ifstream stat("/proc/self/stat");
  const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t end = text.rfind(')');  // the command's name may hold blanks
  if (end == std::string::npos || end + 2 > text.size()) return false;
  std::istringstream fields(text.substr(end + 2));
  std::string field;
  for (int i = 3; i <= 20 && fields >> field; ++i) {
  }
  return field == "1";
}

// The reply on the pipe: "R" and the result, or "E NUMBER\nSOURCE\nDESCRIPTION".
[[noreturn]] void AnswerAndExit(int fd, const std::function<std::string()>& work) {
  std::string reply;
  try {
    reply = "R" + work();
  } catch (const Error& e) {
    reply = "E " + std::to_string(e.Number()) + "\n" + e.Source() + "\n" + e.Description();
  } catch (const std::bad_alloc&) {
    reply = "E " + std::to_string(err::kOutOfMemory) + "\n\n";
  }
  for (size_t at = 0; at < reply.size();) {
    const ssize_t n = ::write(fd, reply.data() + at, reply.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ::_exit(1);
    at += static_cast<size_t>(n);
  }
  ::_exit(0);  // no exit handlers: they belong to the parent
}

}  // namespace

Isolated RunIsolated(const std::function<std::string()>& work) {
  int fds[2];
  if (!SingleThreaded() || ::pipe2(fds, O_CLOEXEC) != 0) return {false, {}, work()};
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return {false, {}, work()};
  }
  if (pid == 0) {
    // A crash ends the child by its signal, with no handler's report in between.
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) ::signal(sig, SIG_DFL);
    ::close(fds[0]);
    AnswerAndExit(fds[1], work);
  }
  ::close(fds[1]);
  std::string reply;
  char buf[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reply.append(buf, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) return {true, ::strsignal(WTERMSIG(status)), {}};
  const bool finished = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (finished && reply.rfind('R', 0) == 0) return {false, {}, reply.substr(1)};
  const size_t source = reply.find('\n'), words = reply.find('\n', source + 1);
  if (!finished || reply.rfind("E ", 0) != 0 || words == std::string::npos)
    return {true, "it stopped without an answer", {}};
  Raise(std::atoi(reply.c_str() + 2), reply.substr(words + 1),
        reply.substr(source + 1, words - source - 1));
}

}  // namespace cavix::rt
