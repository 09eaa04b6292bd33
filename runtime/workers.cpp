// Tasks taken in turn from a shared counter by std::threads.

#include "runtime/workers.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace cavix::rt {

int AllCores() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

void RunOnWorkers(int jobs, size_t count, const std::function<void(size_t)>& task) {
  std::vector<std::exception_ptr> failed(count);
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i = next++; i < count; i = next++) {
      try {
        task(i);
      } catch (...) {
        failed[i] = std::current_exception();
      }
    }
  };
  const size_t threads = std::min(count, static_cast<size_t>(std::max(jobs, 1)));
  std::vector<std::thread> helpers;
  try {
    for (size_t t = 1; t < threads; ++t) helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // No more threads to be had: the ones running, this one included, take every task.
  }
  work();
  for (std::thread& h : helpers) h.join();
  for (const std::exception_ptr& e : failed)
    if (e) std::rethrow_exception(e);
}

}  // namespace cavix::rt
