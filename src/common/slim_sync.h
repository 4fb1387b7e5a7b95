#pragma once
// The system's slim lock and condition variable with the C++ library's lock interface, for the
// channels that carry every key press, every change event and every spoken text. Under Wine a
// wait and a wake-up on them stay inside the process (futexes); std::mutex and
// std::condition_variable of this toolchain (winpthreads) wait on semaphores, and every wait
// and every wake-up costs a round trip to the wineserver.
#include <chrono>
#include <mutex>

namespace cuevoice {

class SlimMutex {
public:
    SlimMutex() = default;
    SlimMutex(const SlimMutex&) = delete;
    SlimMutex& operator=(const SlimMutex&) = delete;

    void lock();
    void unlock();
    bool try_lock();

private:
    friend class SlimCondition;
    void* state_ = nullptr; // an SRWLOCK, SRWLOCK_INIT
};

class SlimCondition {
public:
    SlimCondition() = default;
    SlimCondition(const SlimCondition&) = delete;
    SlimCondition& operator=(const SlimCondition&) = delete;

    void notify_one();
    void notify_all();

    // Waits until `done` holds; the lock is held whenever it is asked.
    template <typename Predicate> void wait(std::unique_lock<SlimMutex>& lock, Predicate done) {
        while (!done())
            sleep(lock, infinite);
    }

    // As wait, for at most `timeout`; whether `done` holds at the end.
    template <typename Rep, typename Period, typename Predicate>
    bool wait_for(std::unique_lock<SlimMutex>& lock, std::chrono::duration<Rep, Period> timeout,
                  Predicate done) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return done();
            sleep(lock, left.count() >= infinite ? infinite - 1
                                                 : static_cast<unsigned long>(left.count()));
        }
        return true;
    }

private:
    static constexpr unsigned long infinite = 0xFFFFFFFF;
    // One sleep of at most `ms` milliseconds (infinite: no limit); it may end early.
    void sleep(std::unique_lock<SlimMutex>& lock, unsigned long ms);

    void* state_ = nullptr; // a CONDITION_VARIABLE, CONDITION_VARIABLE_INIT
};

} // namespace cuevoice
