// Whether a fault inside a callback boundary may be left to the system's dispatch, and who caused
// it, over frames laid out by hand: the rules the fatal path applies to the frames it unwinds (the
// fatal path's test drives the real ones).
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "common/fault_walk.h"

using namespace cuevoice;

namespace {

constexpr CodeRange ours{0x140000000, 0x140100000};
// Where a boundary's frame resumes after its call: inside the program's image too.
constexpr std::uintptr_t boundary = 0x140000800;

// Frames of the program's own code and of system code, each a little further on.
constexpr std::uintptr_t ours_at(int n) {
    return 0x140001000 + 0x100 * static_cast<std::uintptr_t>(n);
}
constexpr std::uintptr_t system_at(int n) {
    return 0x7B600000 + 0x100 * static_cast<std::uintptr_t>(n);
}

constexpr StackFrame at_boundary{boundary};
constexpr StackFrame handling(std::uintptr_t pc) {
    return {pc, true};
}

struct WalkCase {
    const char* name;
    // The frames from the fault up, as far as the walk gets: a list that stops short of its
    // answer is a walk that broke off (a damaged stack).
    std::vector<StackFrame> frames;
    bool must_end;
    // The frame the cause is in (-1: none), and how many frames the walk took.
    int cause_frame;
    std::size_t taken;
};

const WalkCase walk_cases[] = {
    {"a fault in the program's code, up to the boundary",
     {{ours_at(1)}, {ours_at(2)}, at_boundary, {system_at(1)}},
     false,
     0,
     3},
    {"a bad pointer handed to the C runtime",
     {{system_at(1)}, {ours_at(1)}, at_boundary},
     false,
     1,
     3},
    {"a call through a null pointer: a leaf at address 0",
     {{0}, {ours_at(1)}, at_boundary},
     false,
     1,
     3},
    {"system code that takes its own fault (IsBadReadPtr)",
     {handling(system_at(1)), {ours_at(1)}, at_boundary},
     false,
     -1,
     1},
    {"system code called by system code that may take the fault",
     {{system_at(1)}, handling(system_at(2)), {ours_at(1)}, at_boundary},
     false,
     -1,
     2},
    {"the program's code first: a handler above it waits for the dispatch, the walk goes on",
     {{ours_at(1)}, handling(system_at(1)), handling(ours_at(2)), at_boundary},
     false,
     0,
     4},
    {"the innermost of two boundaries answers",
     {{ours_at(1)}, at_boundary, {system_at(1)}, {ours_at(2)}, at_boundary},
     false,
     0,
     2},
    {"a damaged stack above the program's fault: the walk breaks off before the boundary",
     {{ours_at(1)}, {ours_at(2)}},
     true,
     0,
     2},
    {"a damaged stack above the program's call into the code that faulted",
     {{system_at(1)}, {ours_at(1)}, {system_at(2)}},
     true,
     1,
     3},
    {"a walk that breaks off in system code before any frame that may take the fault",
     {{system_at(1)}, {system_at(2)}},
     true,
     -1,
     2},
};

TEST(FaultWalk, LeavesAFaultToTheDispatchOnlyAlongFramesThatReachItsTaker) {
    for (const WalkCase& c : walk_cases) {
        SCOPED_TRACE(c.name);
        FaultWalk walk(ours, boundary);
        std::size_t taken = 0;
        while (taken < c.frames.size() && walk.take(c.frames[taken++])) {
        }
        EXPECT_EQ(walk.must_end(), c.must_end);
        EXPECT_EQ(walk.cause(), c.cause_frame < 0 ? 0 : c.frames[c.cause_frame].pc);
        EXPECT_EQ(taken, c.taken);
    }
}

// The program's call is the first frame of its own, past any handler of someone else's (a C++
// frame of another module, whose personality routine declines the fault).
TEST(CauseSearch, FindsTheFirstFrameOfTheProgramsOwnPastOtherHandlers) {
    const std::vector<StackFrame> frames{
        {system_at(1)}, handling(system_at(2)), {ours_at(1)}, {ours_at(2)}};
    CauseSearch search(ours);
    std::size_t taken = 0;
    while (taken < frames.size() && search.take(frames[taken++])) {
    }
    EXPECT_EQ(search.cause(), ours_at(1));
    EXPECT_EQ(taken, 3u);

    CauseSearch none(ours);
    for (const StackFrame& frame : {StackFrame{system_at(1)}, StackFrame{system_at(2)}})
        EXPECT_TRUE(none.take(frame));
    EXPECT_EQ(none.cause(), 0u);
}

} // namespace
