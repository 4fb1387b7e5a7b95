// Markers and loop points: the set / jumped / not set texts, the 80-ms wait before the position
// is read, the remembered marker and its clearing, and values Mixxx never sends.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <mutex>
#include <thread>

#include "features/markers.h"
#include "features_bench.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

constexpr double rate = 44100;
double samples(double seconds) {
    return seconds * rate * 2;
}

MarkerAction intro_start() {
    return MarkerAction{"intro_start_activate", "intro_start_position", "intro start"};
}
MarkerAction loop_in() {
    return MarkerAction{"loop_in", "loop_start_position", "loop in"};
}

// A deck with a track paused at `seconds`; its intro start and loop start behave as in Mixxx:
// activate sets an unset marker at the position and jumps to a set one, loop_in sets the loop
// start, and the clear controls unset them.
void load_deck(FeatureBench& bench, std::uint8_t deck, double seconds) {
    const std::string group = "[Channel" + std::to_string(deck) + "]";
    FakeMixxx& mixxx = bench.mixxx;
    mixxx.put(group, "track_loaded", 1);
    mixxx.put(group, "track_samplerate", rate);
    mixxx.put(group, "intro_start_position", -1);
    mixxx.put(group, "loop_start_position", -1);
    for (const char* key : {"intro_start_activate", "intro_start_clear", "loop_in", "loop_remove"})
        mixxx.put(group, key, 0);
    bench.link->on_press(group, "intro_start_activate", [&mixxx, group, seconds] {
        if (mixxx.value(group, "intro_start_position") == -1.0)
            mixxx.put(group, "intro_start_position", samples(seconds));
    });
    bench.link->on_press(group, "intro_start_clear",
                         [&mixxx, group] { mixxx.put(group, "intro_start_position", -1); });
    bench.link->on_press(group, "loop_in", [&mixxx, group, seconds] {
        mixxx.put(group, "loop_start_position", samples(seconds));
    });
    bench.link->on_press(group, "loop_remove",
                         [&mixxx, group] { mixxx.put(group, "loop_start_position", -1); });
}

std::optional<MarkerRecord> remembered(FeatureBench& bench) {
    std::lock_guard lock(bench.context->last_marker.mutex);
    return bench.context->last_marker.value;
}

void remember(FeatureBench& bench, MarkerRecord record) {
    std::lock_guard lock(bench.context->last_marker.mutex);
    bench.context->last_marker.value = std::move(record);
}

TEST(Marker, IntroStartIsSetThenJumpedToThenClearedOnce) {
    FeatureBench bench;
    load_deck(bench, 1, 83.4);

    bench.press(intro_start());
    EXPECT_EQ(bench.spoken(), Lines{"intro start set at 1:23"});
    EXPECT_EQ(
        bench.link->sent_texts(),
        (Lines{"get [Channel1] track_loaded", "get [Channel1] track_samplerate",
               "get [Channel1] intro_start_position", "set [Channel1] intro_start_activate 1",
               "set [Channel1] intro_start_activate 0", "get [Channel1] intro_start_position"}));
    EXPECT_EQ(bench.clock.sleeps(), (std::vector<ManualClock::duration>{30ms, 80ms}));

    bench.press(intro_start());
    EXPECT_EQ(bench.spoken(), Lines{"jumped to intro start, 1:23"});

    bench.link->forget();
    bench.press(ClearMarkerAction{});
    EXPECT_EQ(bench.spoken(), Lines{"intro start cleared"});
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"set [Channel1] intro_start_clear 1", "set [Channel1] intro_start_clear 0"}));
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "intro_start_position"), -1.0);

    bench.link->forget();
    bench.press(ClearMarkerAction{});
    EXPECT_EQ(bench.spoken(), Lines{"No marker to clear. Set or jump to a marker first."});
    EXPECT_TRUE(bench.link->sent_texts().empty());
}

TEST(Marker, ALoopPointIsSaidWithItsTimeAndClearedAsTheLoopOfItsDeck) {
    FeatureBench bench;
    load_deck(bench, 2, 5);
    bench.context->deck = 2;
    bench.press(loop_in(), 2);
    EXPECT_EQ(bench.spoken(), Lines{"loop in 0:05"});
    // The loop is spoken for what it is, on the deck it was set on, when another deck is current.
    bench.context->deck = 1;
    bench.link->forget();
    bench.press(ClearMarkerAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Deck 2 loop cleared"});
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"set [Channel2] loop_remove 1", "set [Channel2] loop_remove 0"}));
}

TEST(Marker, ThePositionIsReadOnly80MillisecondsAfterThePress) {
    FeatureBench bench(ManualClock::Sleeping::waits_for_advance);
    load_deck(bench, 1, 83.4);
    std::thread action([&] { bench.press(intro_start()); });
    // A failed assertion below still lets the action end before the test does.
    struct Finish {
        FeatureBench& bench;
        std::thread& action;
        ~Finish() {
            if (action.joinable()) {
                bench.clock.advance(1h);
                action.join();
            }
        }
    } finish{bench, action};
    ASSERT_TRUE(bench.wait_for_sleep(1));
    bench.clock.advance(30ms); // the press is released
    ASSERT_TRUE(bench.wait_for_sleep(2));
    EXPECT_EQ(bench.link->sent_texts().size(), 5u);
    bench.clock.advance(79ms);
    std::this_thread::sleep_for(30ms); // room for a wrong early read to show
    EXPECT_EQ(bench.link->sent_texts().size(), 5u);
    EXPECT_TRUE(bench.spoken().empty());
    bench.clock.advance(1ms);
    action.join();
    const std::vector<SentLine> sent = bench.link->sent();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[4].at, 30ms);
    EXPECT_EQ(sent[5].at, 110ms);
    EXPECT_EQ(bench.spoken(), Lines{"intro start set at 1:23"});
}

TEST(Marker, AMarkerThatStaysUnsetIsSaidSoAndTheRememberedOneIsKept) {
    struct Case {
        const char* why;
        double samplerate;
        bool mixxx_sets_it;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c :
         {Case{"Mixxx did not set it", rate, false}, Case{"a sample rate of 0", 0, true},
          Case{"a negative sample rate", -44100, true},
          Case{"a sample rate that is no number", nan, true}}) {
        FeatureBench bench;
        load_deck(bench, 1, 83.4);
        bench.mixxx.put("[Channel1]", "track_samplerate", c.samplerate);
        if (!c.mixxx_sets_it)
            bench.link->on_press("[Channel1]", "intro_start_activate", [] {});
        const MarkerRecord earlier{"outro_end_clear", "outro end", 3};
        remember(bench, earlier);
        bench.press(intro_start());
        EXPECT_EQ(bench.spoken(), Lines{"intro start not set"}) << c.why;
        std::optional<MarkerRecord> kept = remembered(bench);
        ASSERT_TRUE(kept) << c.why;
        EXPECT_EQ(kept->clear_control, earlier.clear_control) << c.why;
        EXPECT_EQ(kept->deck, earlier.deck) << c.why;
    }
}

TEST(Marker, PositionsMixxxNeverReportsStillGiveATime) {
    struct Case {
        double position; // what the report control holds after the press
        std::string heard;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c :
         {Case{samples(83.4), "loop in 1:23"}, Case{samples(59.5), "loop in 1:00"},
          Case{-5, "loop in 0:00"}, Case{-samples(3600), "loop in 0:00"}, Case{nan, "loop in 0:00"},
          Case{samples(3 * 3600 + 5), "loop in 180:05"},
          Case{1e300, "loop in 307445734561825860:15"},
          Case{std::numeric_limits<double>::infinity(), "loop in 307445734561825860:15"}}) {
        FeatureBench bench;
        load_deck(bench, 1, 0);
        bench.link->on_press("[Channel1]", "loop_in", [&bench, &c] {
            bench.mixxx.put("[Channel1]", "loop_start_position", c.position);
        });
        bench.press(loop_in());
        EXPECT_EQ(bench.spoken(), Lines{c.heard}) << c.position;
    }
}

TEST(Marker, TheMarkerTimeCountsBothChannelsAndNeedsASampleRate) {
    EXPECT_EQ(marker_time_text(samples(83.4), rate), "1:23");
    EXPECT_EQ(marker_time_text(samples(83.5), rate), "1:24"); // halves round up
    EXPECT_EQ(marker_time_text(48000.0 * 2 * 10, 48000), "0:10");
    EXPECT_EQ(marker_time_text(samples(10), 0), "0:00");
    EXPECT_EQ(marker_time_text(samples(10), -rate), "0:00");
    EXPECT_EQ(marker_time_text(samples(10), std::numeric_limits<double>::quiet_NaN()), "0:00");
}

TEST(Marker, WhatIsRememberedForClearing) {
    struct Case {
        std::string control;
        std::optional<std::string> clear_control;
        std::string name;
    };
    for (const Case& c :
         {Case{"intro_start_activate", "intro_start_clear", "the label"},
          Case{"outro_end_activate", "outro_end_clear", "the label"},
          Case{"hotcue_12_activate", "hotcue_12_clear", "the label"},
          Case{"loop_in", "loop_remove", "loop"}, Case{"loop_out", "loop_remove", "loop"},
          Case{"intro_start_set", std::nullopt, ""},
          Case{"loop_in_activate_x", std::nullopt, ""}}) {
        std::optional<MarkerRecord> record = marker_to_remember(c.control, "the label", 4);
        ASSERT_EQ(record.has_value(), c.clear_control.has_value()) << c.control;
        if (!record)
            continue;
        EXPECT_EQ(record->clear_control, *c.clear_control);
        EXPECT_EQ(record->spoken_name, c.name);
        EXPECT_EQ(record->deck, 4);
    }
}

TEST(Marker, AControlOfNoKnownKindIsSaidButNotRemembered) {
    FeatureBench bench;
    load_deck(bench, 1, 20);
    bench.mixxx.put("[Channel1]", "intro_start_set", 0);
    bench.link->on_press("[Channel1]", "intro_start_set", [&bench] {
        bench.mixxx.put("[Channel1]", "intro_start_position", samples(20));
    });
    const MarkerRecord earlier{"loop_remove", "loop", 2};
    remember(bench, earlier);
    bench.press(MarkerAction{"intro_start_set", "intro_start_position", "intro start"});
    EXPECT_EQ(bench.spoken(), Lines{"intro start 0:20"});
    EXPECT_EQ(remembered(bench)->deck, 2);
}

TEST(Marker, AnEmptyDeckOrAFailedRequestEndsItWithNothingPressedOrSaid) {
    {
        FeatureBench bench;
        load_deck(bench, 1, 10);
        bench.mixxx.put("[Channel1]", "track_loaded", 0);
        bench.press(intro_start());
        EXPECT_EQ(bench.spoken(), Lines{"Error: no track loaded"});
        EXPECT_EQ(bench.link->sent_texts(), Lines{"get [Channel1] track_loaded"});
    }
    struct Case {
        std::string failing; // the control whose requests fail
        std::size_t requests;
        bool pressed;
    };
    for (const Case& c :
         {Case{"track_loaded", 1, false}, Case{"track_samplerate", 2, false},
          Case{"intro_start_position", 3, false}, Case{"intro_start_activate", 4, false}}) {
        FeatureBench bench;
        load_deck(bench, 1, 10);
        bench.mixxx.fail_control("[Channel1]", c.failing, "Mixxx did not answer");
        bench.press(intro_start());
        EXPECT_EQ(bench.spoken(),
                  Lines{"Error: [Channel1]," + c.failing + ": Mixxx did not answer"});
        EXPECT_EQ(bench.link->sent_texts().size(), c.requests) << c.failing;
        EXPECT_EQ(bench.mixxx.value("[Channel1]", "intro_start_position"), -1.0);
        EXPECT_FALSE(remembered(bench)) << c.failing;
    }
}

TEST(Marker, ALostAnswerAfterThePressRemembersNothing) {
    FeatureBench bench;
    load_deck(bench, 1, 10);
    bench.link->on_press("[Channel1]", "intro_start_activate", [&bench] {
        bench.mixxx.put("[Channel1]", "intro_start_position", samples(10));
        bench.mixxx.fail_control("[Channel1]", "intro_start_position", "Mixxx did not answer");
    });
    bench.press(intro_start());
    EXPECT_EQ(bench.spoken(),
              Lines{"Error: [Channel1],intro_start_position: Mixxx did not answer"});
    EXPECT_FALSE(remembered(bench));
}

TEST(ClearMarker, AFailedClearHasStillForgottenTheMarker) {
    FeatureBench bench;
    load_deck(bench, 1, 10);
    bench.press(intro_start());
    (void)bench.spoken();
    bench.mixxx.fail_control("[Channel1]", "intro_start_clear", "Mixxx did not answer");
    bench.press(ClearMarkerAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],intro_start_clear: Mixxx did not answer"});
    EXPECT_FALSE(remembered(bench));
    bench.press(ClearMarkerAction{});
    EXPECT_EQ(bench.spoken(), Lines{"No marker to clear. Set or jump to a marker first."});
}

TEST(ClearMarker, TheLatestMarkerReplacesTheEarlierOne) {
    FeatureBench bench;
    load_deck(bench, 1, 10);
    load_deck(bench, 3, 30);
    bench.press(intro_start(), 1);
    bench.press(loop_in(), 3);
    (void)bench.spoken();
    bench.link->forget();
    bench.press(ClearMarkerAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Deck 3 loop cleared"});
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"set [Channel3] loop_remove 1", "set [Channel3] loop_remove 0"}));
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "intro_start_position"), samples(10));
}

} // namespace
} // namespace cuevoice::test
