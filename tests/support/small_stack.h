#pragma once
// Runs code on a thread with little stack, as a worker thread of the program may have.
#include <cstddef>
#include <functional>

namespace cuevoice::test {

// Runs `body` on a new thread with at most `bytes` of stack left to it and waits for it. Wine
// gives every thread at least 1 MiB, so the stack beyond `bytes` is used up before `body` runs.
// Overflowing the stack ends the test program.
void run_with_small_stack(std::size_t bytes, const std::function<void()>& body);

} // namespace cuevoice::test
