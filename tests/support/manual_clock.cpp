#include "manual_clock.h"

namespace cuevoice::test {

ManualClock::ManualClock(Sleeping sleeping, time_point start)
    : sleeping_(sleeping), start_(start), now_(start) {}

ManualClock::time_point ManualClock::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

void ManualClock::sleep_for(duration length) {
    std::unique_lock lock(mutex_);
    sleeps_.push_back(length);
    if (length <= duration::zero())
        return;
    if (sleeping_ == Sleeping::advances_time) {
        now_ += length;
        changed_.notify_all();
        return;
    }
    const time_point wake = now_ + length;
    ++sleepers_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return now_ >= wake; });
    --sleepers_;
    changed_.notify_all();
}

void ManualClock::advance(duration step) {
    std::lock_guard lock(mutex_);
    now_ += step;
    changed_.notify_all();
}

ManualClock::duration ManualClock::elapsed() const {
    std::lock_guard lock(mutex_);
    return now_ - start_;
}

std::vector<ManualClock::duration> ManualClock::sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

std::size_t ManualClock::sleepers() const {
    std::lock_guard lock(mutex_);
    return sleepers_;
}

bool ManualClock::wait_for_sleepers(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return sleepers_ >= count; });
}

} // namespace cuevoice::test
