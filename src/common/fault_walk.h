#pragma once
// Whether a fault inside a callback boundary can be left to the system's dispatch, decided one
// frame at a time walking up the stack from it, and who caused a fault. The dispatch asks each
// frame between the fault and the boundary whether it takes the fault (a structured handler may; a
// C++ frame never does), and the boundary's own frame last, which ends the program: but only along
// a stack whose frames it can follow. Plain logic: the frames come from the system's unwind data
// (common/stack_walk.h) or from a test.
#include <cstdint>

namespace cuevoice {

// The program's own code: its image, from its base up to its end.
struct CodeRange {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;

    bool holds(std::uintptr_t address) const { return address >= begin && address < end; }
};

// One frame on the way up from the fault.
struct StackFrame {
    // Where it runs: the fault's address in the first frame, a return address in the others.
    std::uintptr_t pc = 0;
    // Its unwind data names an exception handler, or it holds one registered on the stack: the
    // code may take the fault itself.
    bool handles_exceptions = false;
};

class FaultWalk {
public:
    // `boundary`: where a callback boundary's frame resumes after its call (a frame running there
    // is a boundary's).
    FaultWalk(CodeRange ours, std::uintptr_t boundary);

    // Takes the next frame up from the fault. False once the walk has its answer: the frames
    // above it change nothing.
    bool take(const StackFrame& frame);

    // The fault must end the program now: the walk ended before it had its answer, so the system's
    // dispatch could not carry the fault to the boundary either (a damaged stack), and would drop
    // it or loop. Its answer is to leave the fault to the dispatch when it reaches the innermost
    // boundary's frame, or, before any frame of the program's own, a frame of code that may take
    // its own fault (IsBadReadPtr).
    bool must_end() const { return !answered_; }

    // Where the first frame of the program's own runs, when the walk passed one: the fault's own
    // address for a fault in the program's code, else the return address of its call into the
    // code that faulted. 0 when it passed none.
    std::uintptr_t cause() const { return cause_; }

private:
    CodeRange ours_;
    std::uintptr_t boundary_;
    std::uintptr_t cause_ = 0;
    bool answered_ = false;
};

// Who caused a fault: the first frame of the program's own walking up from it, whatever handlers
// lie before it. Its cause() is as FaultWalk's.
class CauseSearch {
public:
    explicit CauseSearch(CodeRange ours) : ours_(ours) {}

    bool take(const StackFrame& frame);
    std::uintptr_t cause() const { return cause_; }

private:
    CodeRange ours_;
    std::uintptr_t cause_ = 0;
};

} // namespace cuevoice
