#pragma once
// A clock whose time moves only when a test says so. A sleeper either waits until another
// thread has moved the time far enough, or, for tests that run on one thread, moves the time
// itself at once. Every sleep is recorded.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "common/clock.h"

namespace cuevoice::test {

class ManualClock final : public Clock {
public:
    using time_point = std::chrono::steady_clock::time_point;
    using duration = std::chrono::steady_clock::duration;

    enum class Sleeping {
        waits_for_advance, // sleep_for blocks until advance() reaches its wake-up time
        advances_time,     // sleep_for moves the time by its duration and returns
    };

    explicit ManualClock(Sleeping sleeping = Sleeping::waits_for_advance,
                         time_point start = time_point(std::chrono::hours(1)));

    time_point now() const override;
    void sleep_for(duration length) override;

    // Moves the time forward and wakes every sleeper whose wake-up time it reached.
    void advance(duration step);

    // The time moved since the clock was made.
    duration elapsed() const;
    // Every duration passed to sleep_for, in call order.
    std::vector<duration> sleeps() const;
    // Threads blocked in sleep_for right now.
    std::size_t sleepers() const;
    // Waits (in real time, up to `timeout`) until at least `count` threads are blocked in
    // sleep_for, so a test advances the time only once the sleeper sleeps.
    bool wait_for_sleepers(std::size_t count,
                           std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    const Sleeping sleeping_;
    const time_point start_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    time_point now_;
    std::vector<duration> sleeps_;
    std::size_t sleepers_ = 0;
};

} // namespace cuevoice::test
