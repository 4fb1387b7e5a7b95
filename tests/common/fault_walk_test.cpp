// Whose a fault is and whether a boundary still holds it, over stacks laid out by hand: the rules
// the fault handler applies to the frames it unwinds (the fatal path's test drives the real ones).
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/fault_walk.h"

using namespace cuevoice;

namespace {

constexpr CodeRange ours{0x140000000, 0x140100000};
constexpr std::uintptr_t our_code = 0x140001000;
constexpr std::uintptr_t system_code = 0x7B600000;
// Where the first frame's stack starts; the others follow it upwards.
constexpr std::uintptr_t fault_stack = 0x21F000;

// A frame as the test lays it out: where it runs, how much stack it holds, whether it may take
// the fault itself, and whether a boundary lies in it (live: set by this very call).
enum class Mark { none, live, stale };

struct Laid {
    std::uintptr_t pc;
    std::uintptr_t size;
    bool handles = false;
    Mark mark = Mark::none;
};

struct Stack {
    std::vector<StackFrame> frames;
    std::vector<BoundaryMark> marks;
};

// The frames one above the other, each returning to the next one's code; a mark halfway up its
// frame. A stale mark names a call that returned to somewhere else: the frame holding it now is
// another call's.
Stack lay_out(const std::vector<Laid>& laid) {
    Stack stack;
    std::uintptr_t at = fault_stack;
    for (std::size_t i = 0; i < laid.size(); ++i) {
        StackFrame frame;
        frame.pc = laid[i].pc;
        frame.stack = at;
        frame.caller_stack = at + laid[i].size;
        frame.returns_to = i + 1 < laid.size() ? laid[i + 1].pc : 0;
        frame.handles_exceptions = laid[i].handles;
        if (laid[i].mark != Mark::none) {
            std::uintptr_t returns_to = laid[i].mark == Mark::live ? frame.returns_to : 0x12345;
            // Innermost last, as a thread keeps them.
            stack.marks.insert(stack.marks.begin(), {at + laid[i].size / 2, returns_to});
        }
        stack.frames.push_back(frame);
        at = frame.caller_stack;
    }
    return stack;
}

struct WalkCase {
    const char* name;
    std::vector<Laid> laid;
    // The frame the cause is in (-1: none), whether a boundary holds the fault, and how many
    // frames the walk took before it had its answer.
    int cause_frame;
    bool inside;
    std::size_t taken;
};

// The frames of the program's own code, each a little further on.
constexpr std::uintptr_t ours_at(int n) {
    return our_code + 0x100 * static_cast<std::uintptr_t>(n);
}
constexpr std::uintptr_t system_at(int n) {
    return system_code + 0x100 * static_cast<std::uintptr_t>(n);
}

const WalkCase walk_cases[] = {
    {"a fault in the code of the boundary's own frame",
     {{ours_at(1), 0x80, false, Mark::live}, {system_at(1), 0x100}},
     0,
     true,
     1},
    {"a fault in our code below the boundary's frame",
     {{ours_at(1), 0x40},
      {ours_at(2), 0x40},
      {ours_at(3), 0x80, false, Mark::live},
      {system_at(1), 0x100}},
     0,
     true,
     3},
    {"a bad pointer handed to the C runtime",
     {{system_at(1), 0x20}, {ours_at(1), 0x80, false, Mark::live}, {system_at(2), 0x100}},
     1,
     true,
     2},
    {"a call through a null pointer: a leaf at address 0",
     {{0, 8}, {ours_at(1), 0x80, false, Mark::live}, {system_at(1), 0x100}},
     1,
     true,
     2},
    {"system code that takes its own fault",
     {{system_at(1), 0x40, true}, {ours_at(1), 0x80, false, Mark::live}, {system_at(2), 0x100}},
     -1,
     false,
     1},
    {"system code called by system code that takes the fault",
     {{system_at(1), 0x20}, {system_at(2), 0x40, true}, {ours_at(1), 0x80, false, Mark::live}},
     -1,
     false,
     2},
    {"our code first: a handler further up does not make it the system's",
     {{ours_at(1), 0x40},
      {system_at(1), 0x40, true},
      {ours_at(2), 0x80, false, Mark::live},
      {system_at(2), 0x100}},
     0,
     true,
     3},
    {"a boundary that the system unwound past: its place holds another call now",
     {{ours_at(1), 0x40},
      {ours_at(2), 0x80, false, Mark::stale},
      {ours_at(3), 0x100},
      {system_at(1), 0x100}},
     0,
     false,
     2},
    {"a stale boundary inside a live one",
     {{ours_at(1), 0x40},
      {ours_at(2), 0x80, false, Mark::stale},
      {system_at(1), 0x40},
      {ours_at(3), 0x80, false, Mark::live},
      {system_at(2), 0x100}},
     0,
     true,
     4},
    {"system code that faults with no frame of ours above it",
     {{system_at(1), 0x40}, {system_at(2), 0x40}},
     -1,
     false,
     2},
    {"no boundary at all: only who caused it",
     {{system_at(1), 0x20}, {ours_at(1), 0x40}, {ours_at(2), 0x40}},
     1,
     false,
     2},
};

TEST(FaultWalk, FindsWhoCausedAFaultAndWhetherABoundaryOnTheStackHoldsIt) {
    for (const WalkCase& c : walk_cases) {
        SCOPED_TRACE(c.name);
        Stack stack = lay_out(c.laid);
        FaultWalk walk(ours, stack.marks);
        std::size_t taken = 0;
        while (taken < stack.frames.size() && walk.take(stack.frames[taken++])) {
        }
        EXPECT_EQ(walk.cause(), c.cause_frame < 0 ? 0 : stack.frames[c.cause_frame].pc);
        EXPECT_EQ(walk.inside_boundary(), c.inside);
        EXPECT_EQ(taken, c.taken);
    }
}

// A fault above every mark on the stack: the boundaries were left before it, so none holds it,
// and the first frame tells already.
TEST(FaultWalk, AFaultAboveEveryMarkIsInNoBoundary) {
    const std::vector<BoundaryMark> marks{{fault_stack - 0x100, our_code}};
    FaultWalk walk(ours, marks);
    EXPECT_FALSE(walk.take({our_code, fault_stack, fault_stack + 0x40, ours_at(2), false}));
    EXPECT_FALSE(walk.inside_boundary());
    EXPECT_EQ(walk.cause(), our_code);
}

} // namespace
