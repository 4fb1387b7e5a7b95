#include "common/fault_walk.h"

namespace cuevoice {

FaultWalk::FaultWalk(CodeRange ours, std::span<const BoundaryMark> marks)
    : ours_(ours), marks_(marks) {
    for (const BoundaryMark& mark : marks_)
        if (mark.address > outermost_)
            outermost_ = mark.address;
}

bool FaultWalk::take(const StackFrame& frame) {
    if (cause_ == 0) {
        if (ours_.holds(frame.pc))
            cause_ = frame.pc;
        else if (frame.handles_exceptions)
            return false; // code that may take the fault itself comes first: it is left to it
    }
    if (marks_.empty())
        return cause_ == 0; // only who caused it is asked
    if (cause_ != 0) {
        for (const BoundaryMark& mark : marks_) {
            if (mark.address >= frame.stack && mark.address < frame.caller_stack &&
                frame.returns_to == mark.returns_to) {
                inside_ = true;
                return false;
            }
        }
    }
    // Above the outermost mark no frame holds one: no boundary holds the fault.
    return frame.caller_stack <= outermost_;
}

} // namespace cuevoice
