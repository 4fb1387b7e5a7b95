#include "common/clock.h"

#include <thread>

#include <windows.h>

namespace cuevoice {

namespace {

class SystemClock final : public Clock {
public:
    std::chrono::steady_clock::time_point now() const override {
        return std::chrono::steady_clock::now();
    }
    void sleep_for(std::chrono::steady_clock::duration duration) override {
        if (duration > std::chrono::steady_clock::duration::zero())
            std::this_thread::sleep_for(duration);
    }
};

} // namespace

Clock& system_clock() {
    static SystemClock clock;
    return clock;
}

long long system_time_ticks() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<long long>((static_cast<unsigned long long>(now.dwHighDateTime) << 32) |
                                  now.dwLowDateTime);
}

} // namespace cuevoice
