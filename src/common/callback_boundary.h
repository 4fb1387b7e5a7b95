#pragma once
// The edge of a function that Windows calls back: a window procedure, a hook, an enumeration
// callback. Such a call runs inside the system's callback dispatcher, which ignores an exception
// or a fault that escapes it and carries on (and, unwinding through its own frames, may spin
// forever): nothing thrown or faulted may cross that edge. Each such function runs its body
// through callback_boundary, which ends the process through the fatal path instead.
#include <utility>

#include "common/fatal.h"

namespace cuevoice {

// Runs the body and gives back what it returns. A throw ends the process as an uncaught one
// does ("fatal: uncaught exception: ..."); a hardware fault in our own code meanwhile, as an
// unhandled one does ("fatal: unhandled exception: ...").
template <typename Body> auto callback_boundary(Body&& body) noexcept -> decltype(body()) {
    InsideSystemCallback inside;
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        fatal_uncaught_exception();
    }
}

} // namespace cuevoice
