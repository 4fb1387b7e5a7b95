#pragma once
// The edge of a function that Windows calls back: a window procedure, a hook, an enumeration
// callback. Such a call runs inside the system's callback dispatcher, which ignores an exception
// or a fault that escapes it and carries on (and, unwinding through its own frames, may spin
// forever): nothing thrown or faulted may cross that edge. Each such function runs its body
// through callback_boundary, which ends the process through the fatal path instead.
#include <utility>

#include "common/callback_frame.h"
#include "common/fatal.h"

namespace cuevoice {

namespace boundary_detail {

// What the body returns, kept across the boundary's frame.
template <typename Result> struct Kept {
    Result value{};
    template <typename Body> void take(Body&& body) { value = std::forward<Body>(body)(); }
    Result get() { return value; }
};

template <> struct Kept<void> {
    template <typename Body> void take(Body&& body) { std::forward<Body>(body)(); }
    void get() {}
};

} // namespace boundary_detail

// Runs the body and gives back what it returns. A throw ends the process as an uncaught one
// does ("fatal: uncaught exception: ..."); a hardware fault or a breakpoint that no frame of the
// body takes, as an unhandled one does ("fatal: unhandled exception: ..."), also one in code that
// the body called (the C runtime's strlen given a bad pointer), and a stack overflow.
template <typename Body> auto callback_boundary(Body&& body) noexcept -> decltype(body()) {
    boundary_detail::Kept<decltype(body())> kept;
    auto run = [&]() noexcept {
        try {
            kept.take(std::forward<Body>(body));
        } catch (...) {
            fatal_uncaught_exception();
        }
    };
    run_in_boundary_frame(run);
    return kept.get();
}

} // namespace cuevoice
