#pragma once
// Which callback boundaries (common/callback_boundary.h) each thread has entered, for the fatal
// path's fault handler. A mark can outlive its boundary: when the system's callback dispatcher
// swallows an exception it unwinds past the boundary without running its end. So a mark only
// says where to look; the handler believes it only when walking up from a fault finds the call
// that set it still on the stack (common/fault_walk.h).
#include <cstddef>

#include "common/fault_walk.h"

namespace cuevoice {

// One thread's marks, outermost first (at the highest address).
struct CallbackMarks {
    // Deeper boundaries than these go unmarked: an outer one on the stack holds their faults too.
    static constexpr std::size_t capacity = 16;
    std::size_t count = 0;
    BoundaryMark marks[capacity];
    // Set while the fault handler walks this thread's stack: a fault in that walk is not walked.
    bool walking = false;
};

// Makes the per-thread slot of the marks; until then no boundary marks anything. Part of
// install_fatal_handlers.
void install_callback_marks();

// The calling thread's marks; none when it never entered a boundary. Allocates nothing, so the
// fault handler may call it.
CallbackMarks* this_thread_callback_marks();

// While one lives, the calling thread runs a function that Windows called back; `returns_to` is
// where the function whose frame holds it returns to (__builtin_return_address(0) there).
class InsideSystemCallback {
public:
    explicit InsideSystemCallback(const void* returns_to) noexcept;
    ~InsideSystemCallback();
    InsideSystemCallback(const InsideSystemCallback&) = delete;
    InsideSystemCallback& operator=(const InsideSystemCallback&) = delete;
};

} // namespace cuevoice
