// The numbered run-time error a call raises, for tests of the refusals.
#pragma once

#include <functional>

#include "runtime/error.h"

namespace cavix::test {

// The error `f` raises; number 0 when it raises none.
inline rt::Error Raised(const std::function<void()>& f) {
  try {
    f();
  } catch (const rt::Error& e) {
    return e;
  }
  return rt::Error(0, "none");
}

inline int ErrorOf(const std::function<void()>& f) { return Raised(f).Number(); }

}  // namespace cavix::test
