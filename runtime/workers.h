// Work shared out among threads: tasks numbered 0..count-1, each run once, on as many workers as
// the caller allows. Results go where the task's number says, so that they come out in the same
// order however many workers ran them and whichever finished first.
#pragma once

#include <cstddef>
#include <functional>

namespace cavix::rt {

// The workers "all cores" gives: the hardware's threads, at least 1.
int AllCores();

// Runs task(0) .. task(count - 1), on min(jobs, count) threads (the calling one among them;
// jobs < 1 counts as 1), each task exactly once, and returns when all have ended. When tasks
// throw, the others still run, and the exception of the lowest-numbered task that threw is
// rethrown here.
void RunOnWorkers(int jobs, size_t count, const std::function<void(size_t)>& task);

}  // namespace cavix::rt
