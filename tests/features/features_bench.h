#pragma once
// What the feature tests run on: the action bench, with requests noted without their property,
// presses run through the dispatcher as a key would, and every text required to interrupt.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "action_bench.h"

namespace cuevoice::test {

struct FeatureBench : ActionBench {
    explicit FeatureBench(ManualClock::Sleeping sleeping = ManualClock::Sleeping::advances_time);

    // What was said since the last call, in order; every text must interrupt.
    std::vector<std::string> spoken();
    // Runs the action through the dispatcher as a key press would, on `deck`; an error comes
    // back as the text the user hears ("Error: ...") among the spoken ones.
    void press(const Action& action, std::uint8_t deck = 1);
    // Waits (in real time, 5 s at most) until the `count`th sleep of the clock has begun and
    // its sleeper sleeps, so the test moves the time only under the sleep it means.
    bool wait_for_sleep(std::size_t count);
};

} // namespace cuevoice::test
