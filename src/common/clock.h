#pragma once
// Time as the program's waits and deadlines see it: the present instant and sleeping. The
// program runs on the system's steady clock; tests move a clock of their own by hand.
#include <chrono>

namespace cuevoice {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point now() const = 0;
    // Blocks the calling thread for `duration`; zero or less returns at once.
    virtual void sleep_for(std::chrono::steady_clock::duration duration) = 0;
};

// The steady clock of the system, with real sleeps.
Clock& system_clock();

// The wall-clock time in 100-ns steps since 1601 (GetSystemTimePreciseAsFileTime; under Wine
// the Linux CLOCK_REALTIME): the clock that other programs on the machine stamp with too.
long long system_time_ticks();

} // namespace cuevoice
