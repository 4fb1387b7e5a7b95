#pragma once
// The frames above a fault on a thread's stack, from the system's unwind data and the handlers
// registered on that stack, handed one by one to a FaultWalk or a CauseSearch. It reads the stack
// of any thread of the process, so that the fatal path walks it from a thread of its own while the
// faulting thread waits: that stack may have no room left (a stack overflow), or be damaged.
#include <windows.h>

#include "common/fault_walk.h"

namespace cuevoice {

// Walks up the stack of `thread` (its information block) from the fault's context, handing each
// frame to `take` until it answers false, or until the walk breaks off: a frame leaves the stack
// or does not go up, a caller runs outside the executable code of every module (the stack was read
// where it was overwritten), or the frames never end. Allocates nothing and takes no lock of the
// program's or the loader's.
void walk_up_from(const CONTEXT& fault, const NT_TIB& thread,
                  bool (*take)(void* visitor, const StackFrame& frame), void* visitor);

template <typename Visitor>
void walk_up_from(const CONTEXT& fault, const NT_TIB& thread, Visitor& visitor) {
    walk_up_from(
        fault, thread,
        [](void* self, const StackFrame& frame) {
            return static_cast<Visitor*>(self)->take(frame);
        },
        &visitor);
}

} // namespace cuevoice
