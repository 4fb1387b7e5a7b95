#pragma once
// The frames above a fault, from the system's unwind data and the handlers registered on the
// stack, handed one by one to a FaultWalk.
#include <windows.h>

#include "common/fault_walk.h"

namespace cuevoice {

// Walks up the calling thread's stack from the fault's context until the walk has its answer,
// the frames leave the thread's stack, or they stop going up. Allocates nothing and takes no
// lock of the program's: it runs inside the fault handler.
void walk_up_from(const CONTEXT& fault, FaultWalk& walk);

} // namespace cuevoice
