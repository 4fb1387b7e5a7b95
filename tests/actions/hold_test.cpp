// Held keys with a scripted key state and a clock that moves with every sleep.
#include <gtest/gtest.h>

#include <atomic>

#include "action_bench.h"
#include "actions/hold.h"
#include "actions/run_hotkey.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;
constexpr std::uint32_t vk_c = 'C';

HoldAction hold_of(std::string control, std::optional<ReportTarget> report = std::nullopt) {
    return HoldAction{ControlTarget{"[Channel{deck}]", std::move(control)}, std::move(report),
                      std::nullopt};
}

// The key is down until the clock has moved `held` since the start; only 'C' is ever asked.
struct ScriptedKey {
    ManualClock& clock;
    ManualClock::duration held;
    int* asks;
    bool operator()(std::uint32_t vk) const {
        ++*asks;
        EXPECT_EQ(vk, vk_c);
        return clock.elapsed() < held;
    }
};

// When the control was set to `value`, one entry per set.
std::vector<ManualClock::duration> set_times(const ActionBench& bench, const std::string& line) {
    std::vector<ManualClock::duration> times;
    for (const SentLine& sent : bench.link->sent())
        if (sent.text == line)
            times.push_back(sent.at);
    return times;
}

TEST(Hold, ReleasesAtTheFirstPollAfterTheKeyGoesUp) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "cue_default", 0);
    int asks = 0;
    run_hotkey(*bench.context, "ctrl+alt+c", *bound_action(hold_of("cue_default")),
               ScriptedKey{bench.clock, 200ms, &asks});
    // Pressed at once, polled every 15 ms from 30 ms on: the poll at 210 ms sees the key up.
    EXPECT_EQ(set_times(bench, "set [Channel1] cue_default value 1"),
              std::vector<ManualClock::duration>{0ms});
    EXPECT_EQ(set_times(bench, "set [Channel1] cue_default value 0"),
              std::vector<ManualClock::duration>{210ms});
    EXPECT_EQ(asks, 13);
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "cue_default"), 0.0);
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(Hold, AKeyHeldLongerThan30SecondsIsReleasedAt30Seconds) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "cue_default", 0);
    int asks = 0;
    run_hotkey(*bench.context, "ctrl+alt+c", *bound_action(hold_of("cue_default")),
               ScriptedKey{bench.clock, 45s, &asks});
    EXPECT_EQ(set_times(bench, "set [Channel1] cue_default value 0"),
              std::vector<ManualClock::duration>{30s});
}

TEST(Hold, WithoutAChordItIsReleasedRightAfterThePause) {
    for (const char* key_text : {"", "not a key"}) {
        ActionBench bench;
        bench.mixxx.put("[Channel1]", "cue_default", 0);
        int asks = 0;
        run_hotkey(*bench.context, key_text, *bound_action(hold_of("cue_default")),
                   ScriptedKey{bench.clock, 10s, &asks});
        EXPECT_EQ(asks, 0) << key_text;
        EXPECT_EQ(set_times(bench, "set [Channel1] cue_default value 0"),
                  std::vector<ManualClock::duration>{30ms})
            << key_text;
    }
}

TEST(Hold, AFailedReleaseIsTriedFourTimes200MillisecondsApart) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "cue_default", 0);
    bench.link->fail_next_releases(3);
    int asks = 0;
    run_hotkey(*bench.context, "ctrl+alt+c", *bound_action(hold_of("cue_default")),
               ScriptedKey{bench.clock, 0ms, &asks});
    EXPECT_EQ(set_times(bench, "set [Channel1] cue_default value 0"),
              (std::vector<ManualClock::duration>{30ms, 230ms, 430ms, 630ms}));
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "cue_default"), 0.0);
    EXPECT_TRUE(bench.spoken().empty());

    bench.link->fail_next_releases(10);
    run_hotkey(*bench.context, "ctrl+alt+c", *bound_action(hold_of("cue_default")),
               ScriptedKey{bench.clock, 0ms, &asks});
    EXPECT_EQ(set_times(bench, "set [Channel1] cue_default value 0").size(), 8u);
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],cue_default: Mixxx did not answer"});
}

TEST(Hold, AFailedPressIsSpokenAndNothingIsReleased) {
    ActionBench bench;
    bench.mixxx.fail_control("[Channel1]", "cue_default", "unknown control");
    int asks = 0;
    run_hotkey(*bench.context, "ctrl+alt+c", *bound_action(hold_of("cue_default")),
               ScriptedKey{bench.clock, 1s, &asks});
    EXPECT_EQ(bench.link->sent_texts(), Lines{"set [Channel1] cue_default value 1"});
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],cue_default: unknown control"});
}

TEST(Hold, ALoopRollMutesLoopEnabledUntilHalfASecondAfterTheRelease) {
    ActionBench bench;
    bench.mixxx.put("[Channel2]", "beatlooproll_1_activate", 0);
    const auto start = bench.clock.now();
    std::optional<MutedControl> while_held;
    int asks = 0;
    auto key = [&](std::uint32_t vk) {
        if (bench.clock.elapsed() >= 5s && !while_held) {
            std::lock_guard lock(bench.context->muted.mutex);
            while_held = bench.context->muted.value;
        }
        return ScriptedKey{bench.clock, 10s, &asks}(vk);
    };
    run_hotkey(*bench.context, "ctrl+alt+c",
               *bound_action(hold_of("beatlooproll_1_activate"), "roll", 2), key);

    ASSERT_TRUE(while_held.has_value());
    EXPECT_EQ(while_held->group, "[Channel2]");
    EXPECT_EQ(while_held->key, "loop_enabled");
    EXPECT_EQ(while_held->until, start + 30s);
    std::lock_guard lock(bench.context->muted.mutex);
    ASSERT_TRUE(bench.context->muted.value.has_value());
    EXPECT_EQ(bench.context->muted.value->key, "loop_enabled");
    // The poll at 10.005 s is the first to see the key up.
    EXPECT_EQ(bench.context->muted.value->until, start + 10005ms + 500ms);
}

TEST(Hold, OtherHeldControlsMuteNothing) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "beatlooproll", 0); // 12 bytes but the roll's own name only
    bench.mixxx.put("[Channel1]", "cue_default", 0);
    int asks = 0;
    run_hotkey(*bench.context, "ctrl+alt+c", *bound_action(hold_of("cue_default")),
               ScriptedKey{bench.clock, 100ms, &asks});
    std::lock_guard lock(bench.context->muted.mutex);
    EXPECT_FALSE(bench.context->muted.value.has_value());
}

TEST(Hold, TheReportIsSpoken50MillisecondsAfterTheRelease) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "rate_temp_up", 0);
    bench.mixxx.put("[Channel1]", "bpm", 127.5);
    int asks = 0;
    run_hotkey(*bench.context, "ctrl+alt+c",
               *bound_action(hold_of("rate_temp_up", ReportTarget{"[Channel{deck}]", "bpm", "tempo",
                                                                  ValueFormat::bpm})),
               ScriptedKey{bench.clock, 100ms, &asks});
    EXPECT_EQ(set_times(bench, "set [Channel1] rate_temp_up value 0"),
              std::vector<ManualClock::duration>{105ms});
    EXPECT_EQ(set_times(bench, "get [Channel1] bpm value"),
              std::vector<ManualClock::duration>{155ms});
    EXPECT_EQ(bench.spoken(), Lines{"tempo 127.5 BPM"});
}

TEST(Hold, AReportInAPositionFormatReadsTheParameter) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "pregain_up", 0);
    bench.mixxx.put("[Channel1]", "pregain", 0.5, "parameter");
    int asks = 0;
    run_hotkey(*bench.context, "",
               *bound_action(hold_of("pregain_up", ReportTarget{"[Channel{deck}]", "pregain", "",
                                                                ValueFormat::percent})),
               ScriptedKey{bench.clock, 0ms, &asks});
    EXPECT_EQ(bench.link->sent_texts().back(), "get [Channel1] pregain parameter");
    EXPECT_EQ(bench.spoken(), Lines{"50%"});
}

} // namespace
} // namespace cuevoice::test
