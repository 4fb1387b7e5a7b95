#pragma once
// The time the actions wait by and set deadlines with; tests move it by hand.
#include <chrono>

namespace cuevoice {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::steady_clock::time_point now() = 0;
    virtual void sleep_for(std::chrono::steady_clock::duration duration) = 0;
};

// The steady clock and real sleeps.
Clock& system_clock();

} // namespace cuevoice
