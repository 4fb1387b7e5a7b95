#include "common/clock.h"

#include <thread>

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

} // namespace cuevoice
