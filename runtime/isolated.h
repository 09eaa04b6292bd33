// Work on untrusted input done in a child process, so that a crash in a library that trusts what
// it reads ends the child, not the program.
#pragma once

#include <functional>
#include <string>

namespace cavix::rt {

struct Isolated {
  bool crashed = false;  // the child ended without handing back a result
  std::string how;       // then how it ended: "Segmentation fault", …
  std::string result;    // else what the work returned
};

// Runs `work` in a forked child process and hands back what it returned. An rt::Error that `work`
// raises is raised here again, with its number, words and source. A process running other threads
// runs `work` in place, and so does one that can make no child: a child of a threaded process
// could inherit a lock that another thread held at the fork, and wait for it for ever.
Isolated RunIsolated(const std::function<std::string()>& work);

}  // namespace cavix::rt
