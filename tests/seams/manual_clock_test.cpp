#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "manual_clock.h"
#include "test_support.h"

using namespace cuevoice::test;
using namespace std::chrono_literals;

namespace {

// Gives a wrongly woken sleeper the chance to show itself; nothing signals that it stays asleep.
constexpr auto grace = 100ms;

// A sleeping thread that is woken and joined whatever the test's outcome, so a failed check
// ends the test instead of leaving a thread asleep forever.
class Sleeper {
public:
    template <typename Body>
    Sleeper(ManualClock& clock, Body body) : clock_(clock), thread_(std::move(body)) {}
    ~Sleeper() {
        clock_.advance(24h);
        thread_.join();
    }

private:
    ManualClock& clock_;
    std::thread thread_;
};

} // namespace

TEST(ManualClock, WakesASleeperOnlyOnceAdvancedToItsWakeUpTime) {
    ManualClock clock;
    const ManualClock::time_point start = clock.now();
    std::atomic<bool> woke{false};
    ManualClock::time_point woke_at{};
    Sleeper sleeper(clock, [&] {
        clock.sleep_for(150ms);
        woke_at = clock.now();
        woke = true;
    });
    ASSERT_TRUE(clock.wait_for_sleepers(1));

    clock.advance(149ms);
    EXPECT_FALSE(eventually([&] { return woke.load(); }, grace));
    EXPECT_EQ(clock.sleepers(), 1u);

    clock.advance(1ms);
    ASSERT_TRUE(eventually([&] { return woke.load(); }));
    EXPECT_EQ(woke_at - start, 150ms);
    EXPECT_TRUE(eventually([&] { return clock.sleepers() == 0; }));
    EXPECT_EQ(clock.sleeps(), std::vector<ManualClock::duration>{150ms});
}

TEST(ManualClock, OneAdvanceWakesOnlyTheSleepersWhoseTimeCame) {
    ManualClock clock;
    std::atomic<int> short_woke{0}, long_woke{0};
    Sleeper short_sleeper(clock, [&] {
        clock.sleep_for(100ms);
        short_woke = 1;
    });
    Sleeper long_sleeper(clock, [&] {
        clock.sleep_for(300ms);
        long_woke = 1;
    });
    ASSERT_TRUE(clock.wait_for_sleepers(2));

    clock.advance(200ms);
    EXPECT_TRUE(eventually([&] { return short_woke.load() == 1; }));
    EXPECT_FALSE(eventually([&] { return long_woke.load() == 1; }, grace));

    clock.advance(100ms);
    EXPECT_TRUE(eventually([&] { return long_woke.load() == 1; }));
}

TEST(ManualClock, TimeStandsStillUntilMovedAndSleepingCanMoveIt) {
    ManualClock waiting;
    const ManualClock::time_point start = waiting.now();
    EXPECT_EQ(waiting.now(), start);
    waiting.sleep_for(0ms); // nothing to wait for
    EXPECT_EQ(waiting.now(), start);
    waiting.advance(2s);
    EXPECT_EQ(waiting.now() - start, 2s);

    ManualClock self_moving(ManualClock::Sleeping::advances_time);
    self_moving.sleep_for(30ms);
    self_moving.sleep_for(1500ms);
    EXPECT_EQ(self_moving.elapsed(), 1530ms);
    EXPECT_EQ(self_moving.sleeps(), (std::vector<ManualClock::duration>{30ms, 1500ms}));
}
