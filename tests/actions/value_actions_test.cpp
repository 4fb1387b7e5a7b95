// set, adjust and say_control: what they write and read, and the words they speak.
#include <gtest/gtest.h>

#include "action_bench.h"
#include "actions/run_hotkey.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

void run(ActionBench& bench, Action action) {
    run_hotkey(*bench.context, "", *bound_action(std::move(action)));
}

AdjustAction adjust_of(std::string group, std::string control, double step, std::string label,
                       ValueFormat format = ValueFormat::percent) {
    return AdjustAction{step, ControlTarget{std::move(group), std::move(control)}, std::move(label),
                        format};
}

TEST(SetAction, WritesTheValueAndSpeaksOnlyTheConfirmText) {
    ActionBench bench;
    bench.mixxx.put("[Channel2]", "rate", 0);
    run_hotkey(*bench.context, "",
               *bound_action(SetAction{-0.25, ControlTarget{"[Channel{deck}]", "rate"}, "tempo",
                                       std::string("tempo reset")},
                             "test", 2));
    EXPECT_EQ(bench.link->sent_texts(), Lines{"set [Channel2] rate value -0.25"});
    EXPECT_EQ(bench.spoken(), Lines{"tempo reset"});

    // The label is never spoken.
    run(bench, SetAction{1, ControlTarget{"[Channel2]", "rate"}, "tempo", std::nullopt});
    EXPECT_TRUE(bench.spoken().empty());
    EXPECT_EQ(bench.mixxx.value("[Channel2]", "rate"), 1.0);

    run(bench, SetAction{1, ControlTarget{"[Channel9]", "rate"}, {}, std::string("never")});
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel9],rate: unknown control"});
}

TEST(Adjust, StepsTheParameterWithinZeroAndOneAndSpeaksWhatMixxxReports) {
    struct Case {
        double old_parameter;
        double step;
        double written;
        std::string heard;
    };
    for (const Case& c :
         {Case{0.45, 0.05, 0.5, "pregain 50%"}, Case{1.0, 0.05, 1.0, "pregain 100%"},
          Case{0.98, 0.05, 1.0, "pregain 100%"}, Case{0.02, -0.05, 0.0, "pregain 0%"},
          Case{0.0, -1e300, 0.0, "pregain 0%"}}) {
        ActionBench bench;
        bench.mixxx.put("[Channel1]", "pregain", c.old_parameter, "parameter");
        run(bench, adjust_of("[Channel{deck}]", "pregain", c.step, "pregain"));
        EXPECT_EQ(bench.spoken(), Lines{c.heard}) << c.old_parameter << " " << c.step;
        EXPECT_EQ(bench.mixxx.value("[Channel1]", "pregain", "parameter"), c.written);
        const Lines sent = bench.link->sent_texts();
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[0], "get [Channel1] pregain parameter");
        EXPECT_EQ(sent[1].rfind("set [Channel1] pregain parameter ", 0), 0u) << sent[1];
    }
}

TEST(Adjust, SpeaksTheValueTheReplyReportsInTheActionsFormat) {
    ActionBench bench;
    bench.mixxx.put("[Main]", "balance", 0.5, "parameter");
    bench.mixxx.ignore_sets("[Main]", "balance"); // Mixxx keeps the old position
    run(bench, adjust_of("[Main]", "balance", -0.25, "balance", ValueFormat::balance));
    EXPECT_EQ(bench.spoken(), Lines{"balance center"});

    ActionBench other;
    other.mixxx.put("[Main]", "balance", 0.5, "parameter");
    run(other, adjust_of("[Main]", "balance", -0.25, "balance", ValueFormat::balance));
    EXPECT_EQ(other.spoken(), Lines{"balance left 50%"});
}

TEST(Adjust, AStepThatIsNoNumberIsRefusedByMixxxAndSpokenAsAnError) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "volume", 0.5, "parameter");
    run(bench, adjust_of("[Channel1]", "volume", std::nan(""), "volume"));
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],volume: value is not a number"});
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "volume", "parameter"), 0.5);
}

TEST(Adjust, ErrorsEndItBeforeAnythingIsWritten) {
    ActionBench bench;
    bench.mixxx.fail_control("[Channel1]", "volume", "unknown control");
    run(bench, adjust_of("[Channel1]", "volume", 0.1, "volume"));
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],volume: unknown control"});
    EXPECT_EQ(bench.link->sent_texts(), Lines{"get [Channel1] volume parameter"});
}

TEST(SayControl, ReadsTheFormatsPropertyAndSpeaksLabelAndValue) {
    struct Case {
        ValueFormat format;
        std::string label;
        std::string sent;
        std::string heard;
    };
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "rate", 0.6, "parameter");
    bench.mixxx.put("[Channel1]", "rate", 0.2, "value");
    for (const Case& c :
         {Case{ValueFormat::offset, "tempo", "get [Channel1] rate parameter", "tempo +20%"},
          Case{ValueFormat::number, "rate", "get [Channel1] rate value", "rate 0.2"},
          Case{ValueFormat::onoff, "", "get [Channel1] rate value", "on"}}) {
        run(bench, SayControlAction{ControlTarget{"[Channel{deck}]", "rate"}, c.label, c.format});
        EXPECT_EQ(bench.link->sent_texts().back(), c.sent);
        EXPECT_EQ(bench.spoken(), Lines{c.heard});
    }
    run(bench, SayControlAction{ControlTarget{"[Channel1]", "bpm"}, "bpm", ValueFormat::bpm});
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],bpm: unknown control"});
}

} // namespace
} // namespace cuevoice::test
