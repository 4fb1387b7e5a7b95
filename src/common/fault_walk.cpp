#include "common/fault_walk.h"

namespace cuevoice {

FaultWalk::FaultWalk(CodeRange ours, std::uintptr_t boundary) : ours_(ours), boundary_(boundary) {}

bool FaultWalk::take(const StackFrame& frame) {
    if (frame.pc == boundary_) {
        answered_ = true;
        return false;
    }
    if (cause_ == 0) {
        if (ours_.holds(frame.pc)) {
            cause_ = frame.pc;
        } else if (frame.handles_exceptions) {
            // Code of someone else's that may take its own fault comes first: left to it. Once a
            // frame of ours is passed, a handler is only asked on the way to the boundary.
            answered_ = true;
            return false;
        }
    }
    return true;
}

bool CauseSearch::take(const StackFrame& frame) {
    if (ours_.holds(frame.pc))
        cause_ = frame.pc;
    return cause_ == 0;
}

} // namespace cuevoice
