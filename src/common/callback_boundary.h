#pragma once
// The edge of a function that Windows calls back: a window procedure, a hook, an enumeration
// callback. Such a call runs inside the system's callback dispatcher, which ignores an exception
// or a fault that escapes it and carries on (and, unwinding through its own frames, may spin
// forever): nothing thrown or faulted may cross that edge. Each such function runs its body
// through callback_boundary, which ends the process through the fatal path instead.
#include <utility>

#include "common/callback_marks.h"
#include "common/fatal.h"

namespace cuevoice {

// Runs the body and gives back what it returns. A throw ends the process as an uncaught one
// does ("fatal: uncaught exception: ..."); a hardware fault that the program caused meanwhile
// (in its own code, or in code it called, such as the C runtime's strlen given a bad pointer),
// as an unhandled one does ("fatal: unhandled exception: ...").
template <typename Body> auto callback_boundary(Body&& body) noexcept -> decltype(body()) {
    // Where the function that holds this frame returns to: with the mark's address, it names
    // this call for the fault handler.
    InsideSystemCallback inside(__builtin_return_address(0));
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        fatal_uncaught_exception();
    }
}

} // namespace cuevoice
