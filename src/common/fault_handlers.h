#pragma once
// The structured exceptions that end the program, from the first sight of one to its fatal line.
// The system's dispatch offers an exception to the first-chance handler, then to the frames on the
// thread's stack and, when none takes it, to the filter; inside a callback the boundary's frame
// stands in for the filter. What needs room or trust (walking the stack, writing the line) runs on
// a thread of the fatal path's own while the faulting thread waits: after a stack overflow that
// thread may have a few hundred bytes of stack left, and a damaged stack may fault again under a
// walk.
#include <windows.h>

namespace cuevoice {

// Starts the fatal path's thread, then sets the filter and adds the first-chance handler. Part of
// install_fatal_handlers.
void install_fault_handlers();

// An exception reached a callback boundary's frame with no frame in between taking it: a fault or
// a breakpoint ends the program, naming the program's call when the fault is in code it called;
// any other exception is left to the system (this returns).
void end_for_fault_at_boundary(const EXCEPTION_RECORD& record, const CONTEXT& context);

} // namespace cuevoice
