#pragma once
// Whose a hardware fault is, and whether a callback boundary still on the stack holds it, decided
// one frame at a time walking up the stack from the fault. A fault's address tells where it
// happened, not who caused it: a bad pointer handed to strlen faults inside the C runtime's DLL,
// a call through a null pointer faults at address 0. The program caused either when a frame of
// its own comes first on the way up, before any frame of code that handles exceptions itself
// (system code such as IsBadReadPtr takes its own faults). Plain logic: the frames come from the
// system's unwind data (common/stack_walk.h) or from a test.
#include <cstdint>
#include <span>

namespace cuevoice {

// The program's own code: its image, from its base up to its end.
struct CodeRange {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;

    bool holds(std::uintptr_t address) const { return address >= begin && address < end; }
};

// A callback boundary on a thread's stack: where it lies, and where the function whose frame
// holds it returns to. Together they name that one call: once the system has unwound past the
// boundary without running its end, other frames take its place, but no frame of that same call.
struct BoundaryMark {
    std::uintptr_t address = 0;
    std::uintptr_t returns_to = 0;
};

// One frame on the way up from the fault.
struct StackFrame {
    // Where it runs: the fault's address in the first frame, a return address in the others.
    std::uintptr_t pc = 0;
    // The stack it holds, from its own stack pointer up to (not including) its caller's.
    std::uintptr_t stack = 0;
    std::uintptr_t caller_stack = 0;
    // Where it returns to.
    std::uintptr_t returns_to = 0;
    // Its unwind data names an exception handler: the code may take the fault itself.
    bool handles_exceptions = false;
};

class FaultWalk {
public:
    // `marks`: the thread's boundaries, any of which may be gone from the stack already.
    FaultWalk(CodeRange ours, std::span<const BoundaryMark> marks);

    // Takes the next frame up from the fault. False once the walk has its answer: the frames
    // above it change nothing.
    bool take(const StackFrame& frame);

    // Where the first frame of the program's own runs, when it comes before any frame that may
    // handle the fault: the fault's own address for a fault in the program's code, else the
    // return address of its call into the code that faulted. 0 when the fault is not the
    // program's (or the walk ended before its answer).
    std::uintptr_t cause() const { return cause_; }

    // The fault is the program's, and a boundary still on the stack holds its frames: the system's
    // callback dispatcher would take it and carry on.
    bool inside_boundary() const { return inside_; }

private:
    CodeRange ours_;
    std::span<const BoundaryMark> marks_;
    // The highest address a mark lies at: no frame above it holds one.
    std::uintptr_t outermost_ = 0;
    std::uintptr_t cause_ = 0;
    bool inside_ = false;
};

} // namespace cuevoice
