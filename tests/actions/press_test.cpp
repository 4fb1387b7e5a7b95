// press: the checks that refuse a press that would do nothing, the hotcue report and the
// play-quiet deadline, the report and the confirm text.
#include <gtest/gtest.h>

#include "action_bench.h"
#include "actions/press.h"
#include "actions/run_hotkey.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

PressAction press_of(std::string group, std::string control,
                     std::optional<ReportTarget> report = std::nullopt,
                     std::optional<std::string> confirm = std::nullopt) {
    return PressAction{ControlTarget{std::move(group), std::move(control)}, std::move(report),
                       std::move(confirm), std::nullopt};
}

void run(ActionBench& bench, Action action) {
    run_hotkey(*bench.context, "", *bound_action(std::move(action)));
}

bool any_set(const Lines& sent) {
    for (const std::string& line : sent)
        if (line.rfind("set ", 0) == 0)
            return true;
    return false;
}

TEST(Press, PressesAndReleasesThirtyMillisecondsLaterThenConfirms) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "beatjump_forward", 0);
    run(bench, press_of("[Channel{deck}]", "beatjump_forward", {}, "jumped"));
    const std::vector<SentLine> sent = bench.link->sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].text, "set [Channel1] beatjump_forward value 1");
    EXPECT_EQ(sent[1].text, "set [Channel1] beatjump_forward value 0");
    EXPECT_EQ(sent[1].at - sent[0].at, 30ms);
    EXPECT_EQ(bench.spoken(), Lines{"jumped"});

    // Without a confirm text nothing is said.
    run(bench, press_of("[Channel1]", "beatjump_forward"));
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(Press, AReportIsReadFiftyMillisecondsAfterTheReleaseAndWinsOverTheConfirm) {
    ActionBench bench;
    bench.mixxx.put("[Channel2]", "beatjump_size_double", 0);
    bench.mixxx.put("[Channel2]", "beatjump_size", 8);
    run_hotkey(*bench.context, "",
               *bound_action(press_of("[Channel{deck}]", "beatjump_size_double",
                                      ReportTarget{"[Channel{deck}]", "beatjump_size", "jump size",
                                                   ValueFormat::beats},
                                      "never said"),
                             "test", 2));
    EXPECT_EQ(bench.spoken(), Lines{"jump size 8 beats"});
    const std::vector<SentLine> sent = bench.link->sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2].text, "get [Channel2] beatjump_size value");
    EXPECT_EQ(sent[2].at - sent[1].at, 50ms);
}

TEST(Press, AddingToAutoDjNeedsASelectedTrack) {
    ActionBench bench;
    bench.mixxx.put("[Library]", "AutoDjAddBottom", 0);
    bench.mixxx.select_track({{"title", "Night Drive"}}, 0, 10, 0);
    run(bench, press_of("[Library]", "AutoDjAddBottom", {}, "added"));
    EXPECT_EQ(bench.spoken(), Lines{"No track selected in the library"});
    EXPECT_FALSE(any_set(bench.link->sent_texts()));

    bench.mixxx.select_track({{"title", "Night Drive"}}, 3, 10, 1);
    run(bench, press_of("[Library]", "AutoDjAddBottom", {}, "added"));
    EXPECT_EQ(bench.spoken(), Lines{"added"});
    EXPECT_TRUE(any_set(bench.link->sent_texts()));

    // A library that cannot be asked counts as no selection; other library keys are not checked.
    ActionBench failing;
    failing.mixxx.fail_all("unknown command 'selectedtrack'");
    run(failing, press_of("[Library]", "AutoDjAddTop"));
    EXPECT_EQ(failing.spoken(), Lines{"No track selected in the library"});
    ActionBench other;
    other.mixxx.put("[Library]", "AutoDj", 0);
    run(other, press_of("[Library]", "AutoDj", {}, "pressed"));
    EXPECT_EQ(other.spoken(), Lines{"pressed"});
}

TEST(Press, AnEmptySamplerIsNamedAndNotPressed) {
    ActionBench bench;
    bench.mixxx.put("[Sampler12]", "cue_gotoandplay", 0);
    bench.mixxx.put("[Sampler12]", "track_loaded", 0);
    run(bench, press_of("[Sampler12]", "cue_gotoandplay", {}, "playing"));
    EXPECT_EQ(bench.spoken(), Lines{"Sampler 12 is empty"});
    EXPECT_FALSE(any_set(bench.link->sent_texts()));

    bench.mixxx.put("[Sampler12]", "track_loaded", 1);
    run(bench, press_of("[Sampler12]", "cue_gotoandplay", {}, "playing"));
    EXPECT_EQ(bench.spoken(), Lines{"playing"});

    // A sampler Mixxx does not have: its error, nothing pressed.
    run(bench, press_of("[Sampler40]", "cue_gotoandplay"));
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Sampler40],track_loaded: unknown control"});
}

TEST(Press, ASetHotcueSaysWhereTheDeckNowIs) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "hotcue_3_activate", 0);
    bench.mixxx.put("[Channel1]", "hotcue_3_status", 1);
    bench.mixxx.put("[Channel1]", "time_elapsed", 65.2);
    const Instant before = bench.clock.now();
    run(bench, press_of("[Channel{deck}]", "hotcue_3_activate"));
    EXPECT_EQ(bench.spoken(), Lines{"Hotcue 3, 1:05"});
    EXPECT_EQ(
        bench.link->sent_texts(),
        (Lines{"get [Channel1] hotcue_3_status value", "set [Channel1] hotcue_3_activate value 1",
               "set [Channel1] hotcue_3_activate value 0", "get [Channel1] time_elapsed value"}));
    EXPECT_EQ(bench.clock.sleeps(), (std::vector<ManualClock::duration>{30ms, 50ms}));
    std::lock_guard lock(bench.context->play_quiet_until.mutex);
    EXPECT_EQ(bench.context->play_quiet_until.value, before + 500ms);
}

TEST(Press, AnUnsetHotcueIsSetSilentlyAndStillQuietensPlay) {
    ActionBench bench;
    bench.mixxx.put("[Channel2]", "hotcue_5_activate", 0);
    bench.mixxx.put("[Channel2]", "hotcue_5_status", 0);
    const Instant before = bench.clock.now();
    run(bench, press_of("[Channel2]", "hotcue_5_activate"));
    EXPECT_TRUE(bench.spoken().empty());
    EXPECT_EQ(bench.clock.sleeps(), std::vector<ManualClock::duration>{30ms});
    std::lock_guard lock(bench.context->play_quiet_until.mutex);
    EXPECT_EQ(bench.context->play_quiet_until.value, before + 500ms);
}

TEST(Press, RequestErrorsEndThePressWithNothingElseSaid) {
    struct Case {
        std::string failing_key;
        std::string heard;
        bool set_sent;
    };
    for (const Case& c :
         {Case{"hotcue_3_status", "Error: [Channel1],hotcue_3_status: no such hotcue", false},
          Case{"hotcue_3_activate", "Error: [Channel1],hotcue_3_activate: no such hotcue", true},
          Case{"time_elapsed", "Error: [Channel1],time_elapsed: no such hotcue", true}}) {
        ActionBench bench;
        bench.mixxx.put("[Channel1]", "hotcue_3_activate", 0);
        bench.mixxx.put("[Channel1]", "hotcue_3_status", 1);
        bench.mixxx.put("[Channel1]", "time_elapsed", 10);
        bench.mixxx.fail_control("[Channel1]", c.failing_key, "no such hotcue");
        run(bench, press_of("[Channel1]", "hotcue_3_activate", {}, "confirmed"));
        EXPECT_EQ(bench.spoken(), Lines{c.heard}) << c.failing_key;
        EXPECT_EQ(any_set(bench.link->sent_texts()), c.set_sent) << c.failing_key;
    }

    // A failed release is spoken; the report after it is not read.
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "cue_default", 0);
    bench.mixxx.put("[Channel1]", "cue_point", 0);
    bench.link->fail_next_releases(1);
    run(bench, press_of("[Channel1]", "cue_default",
                        ReportTarget{"[Channel1]", "cue_point", "cue", ValueFormat::number}));
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],cue_default: Mixxx did not answer"});
    EXPECT_EQ(bench.link->sent_texts().size(), 2u);
}

TEST(Press, HotcueActivateControlsAreRecognisedExactly) {
    struct Case {
        std::string_view control;
        std::optional<std::uint8_t> hotcue;
    };
    for (const Case& c :
         {Case{"hotcue_1_activate", 1}, Case{"hotcue_16_activate", 16},
          Case{"hotcue_+7_activate", 7}, Case{"hotcue_255_activate", 255},
          Case{"hotcue_0_activate", 0}, Case{"hotcue_256_activate", std::nullopt},
          Case{"hotcue__activate", std::nullopt}, Case{"hotcue_-1_activate", std::nullopt},
          Case{"hotcue_1_activate ", std::nullopt}, Case{"hotcue_1_clear", std::nullopt},
          Case{"Hotcue_1_activate", std::nullopt}, Case{"hotcue_x_activate", std::nullopt},
          Case{"", std::nullopt}})
        EXPECT_EQ(parse_hotcue_activate(c.control), c.hotcue) << c.control;
}

} // namespace
} // namespace cuevoice::test
