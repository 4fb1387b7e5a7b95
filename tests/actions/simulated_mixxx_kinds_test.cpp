// The control and say actions against the simulated Mixxx over the real bridge: what they read
// and write there behaves as Mixxx does (Auto DJ refusing an empty queue, inputs without a
// device, empty samplers, hotcues in samples of both channels, recording and broadcast states,
// clip lights, skins that cut texts off, the widget list), and their texts come out of it.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "actions/dispatch.h"
#include "bridge/bridge.h"
#include "manual_clock.h"
#include "on_simulated_mixxx.h"
#include "test_support.h"

namespace cuevoice::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

class KindsOnSimulatedMixxx : public OnSimulatedMixxx {
protected:
    KindsOnSimulatedMixxx() : OnSimulatedMixxx(ManualClock::Sleeping::advances_time) {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OnSimulatedMixxx::SetUp());
        // Two tracks, the first with a title the skin cuts off and a hotcue at 15 s, on deck 1.
        control(json::parse(R"({"cmd": "scenario", "scenario": {
            "library": [
              {"title": "Night Drive at the Harbour Lights", "artist": "Aurora Lane",
               "bpm": 124, "key": "8A", "duration": "5:12", "samplerate": 44100,
               "hotcues": {"1": 15.0, "4": 123.0}},
              {"title": "Second", "artist": "B", "bpm": 120, "duration": 200}],
            "selected": 1,
            "load": {"[Channel1]": 1}}})"));
    }
};

PressAction press_of(std::string group, std::string control,
                     std::optional<std::string> confirm = std::nullopt) {
    return PressAction{ControlTarget{std::move(group), std::move(control)}, std::nullopt,
                       std::move(confirm), std::nullopt};
}

SayControlAction say_control_of(std::string group, std::string control, std::string label,
                                ValueFormat format) {
    return SayControlAction{ControlTarget{std::move(group), std::move(control)}, std::move(label),
                            format};
}

TEST_F(KindsOnSimulatedMixxx, RefusalsMixxxMakesAreExplained) {
    EXPECT_EQ(run(ToggleAction{ControlTarget{"[AutoDJ]", "enabled"}, "Auto DJ"}),
              Lines{"Auto DJ could not be switched on. Is the Auto DJ queue empty?"});
    EXPECT_EQ(run(ToggleAction{ControlTarget{"[Microphone]", "talkover"}, "microphone"}),
              Lines{"microphone not switched on. No microphone input is set up. Choose one in "
                    "Mixxx preferences, Sound Hardware, Input."});
    EXPECT_EQ(run(press_of("[Sampler1]", "cue_gotoandplay", "never said")),
              Lines{"Sampler 1 is empty"});
    control({{"cmd", "select"}, {"row", 0}});
    EXPECT_EQ(run(press_of("[Library]", "AutoDjAddBottom", "added")),
              Lines{"No track selected in the library"});
    EXPECT_EQ(run(SayAction{SayWhat::selected_track}),
              Lines{"Error: no track selected in the library"});
    control({{"cmd", "select"}, {"row", 2}});
    EXPECT_EQ(run(press_of("[Library]", "AutoDjAddBottom", "added")), Lines{"added"});
    EXPECT_EQ(control({{"cmd", "selected"}})["autodj_queue"], json::array({2}));
}

TEST_F(KindsOnSimulatedMixxx, HotcuesAreSaidWhereTheTrackHoldsThem) {
    EXPECT_EQ(run(SayAction{SayWhat::hotcues}), Lines{"Hotcue 1 0:15, hotcue 4 2:03"});
    EXPECT_EQ(run(press_of("[Channel{deck}]", "hotcue_4_activate")), Lines{"Hotcue 4, 2:03"});
    // An unset hotcue is set where the deck stands, without a word.
    EXPECT_TRUE(run(press_of("[Channel{deck}]", "hotcue_7_activate")).empty());
    EXPECT_EQ(run(SayAction{SayWhat::hotcues}),
              Lines{"Hotcue 1 0:15, hotcue 4 2:03, hotcue 7 2:03"});
    EXPECT_EQ(run(SayAction{SayWhat::hotcues}, 2), Lines{"Deck 2 empty"});
}

TEST_F(KindsOnSimulatedMixxx, DeckTextsComeFromTheModelAndTheCutOffSkin) {
    EXPECT_EQ(run(SayAction{SayWhat::track}),
              Lines{"Night Drive at the Harbour Lights. Aurora Lane"});
    EXPECT_EQ(run(SayAction{SayWhat::status}),
              Lines{"Paused, 5:12 remaining, 124 BPM, A minor, 8A"});
    EXPECT_EQ(run(SayAction{SayWhat::time}), Lines{"0:00 elapsed, 5:12 remaining"});
    // Another track selected: the skin's cut-off title is all there is.
    control({{"cmd", "select"}, {"row", 2}});
    EXPECT_EQ(run(SayAction{SayWhat::track}),
              Lines{"Night Drive at the Harb\xE2\x80\xA6. Aurora Lane"});
    EXPECT_EQ(run(SayAction{SayWhat::selected_track}),
              Lines{"Second, by B. 120 BPM, 3:20. Track 2 of 2"});
}

TEST_F(KindsOnSimulatedMixxx, StatesMixxxKeepsAreSpokenAsTheyChange) {
    const SayControlAction recording =
        say_control_of("[Recording]", "status", "recording", ValueFormat::number);
    EXPECT_EQ(run(recording), Lines{"recording 0"});
    EXPECT_TRUE(run(press_of("[Recording]", "toggle_recording")).empty());
    EXPECT_EQ(run(recording), Lines{"recording 2"});

    const SayControlAction broadcast =
        say_control_of("[Shoutcast]", "status", "broadcast", ValueFormat::number);
    EXPECT_TRUE(run(SetAction{1, ControlTarget{"[Shoutcast]", "enabled"}, {}, {}}).empty());
    EXPECT_EQ(run(broadcast), Lines{"broadcast 2"});

    // The clip light is Mixxx's: the product cannot light it, Mixxx's engine can.
    const SayControlAction clip =
        say_control_of("[Main]", "peak_indicator", "clip", ValueFormat::onoff);
    EXPECT_TRUE(run(SetAction{1, ControlTarget{"[Main]", "peak_indicator"}, {}, {}}).empty());
    EXPECT_EQ(run(clip), Lines{"clip off"});
    put("[Main]", "peak_indicator", 1);
    EXPECT_EQ(run(clip), Lines{"clip on"});

    EXPECT_EQ(run(AdjustAction{0.25, ControlTarget{"[Channel{deck}]", "volume"}, "volume",
                               ValueFormat::percent}),
              Lines{"volume 100%"});
    put("[Channel1]", "volume", 0.5);
    EXPECT_EQ(run(AdjustAction{-0.25, ControlTarget{"[Channel{deck}]", "volume"}, "volume",
                               ValueFormat::percent}),
              Lines{"volume 25%"});
}

TEST_F(KindsOnSimulatedMixxx, EffectsAndTheWidgetList) {
    EXPECT_EQ(run(SayAction{SayWhat::effects}),
              Lines{"Effect unit 1: empty. Effect unit 2: empty"});
    put("[EffectRack1_EffectUnit1]", "group_[Channel1]_enable", 1);
    put("[EffectRack1_EffectUnit1]", "group_[Channel4]_enable", 1);
    put("[EffectRack1_EffectUnit1_Effect2]", "loaded_effect", 11);
    put("[EffectRack1_EffectUnit1_Effect2]", "enabled", 1);
    put("[EffectRack1_EffectUnit2_Effect1]", "next_effect", 1);
    EXPECT_EQ(run(SayAction{SayWhat::effects}),
              Lines{"Effect unit 1, on decks 1 and 4: Metronome on. Effect unit 2: Auto Pan off"});

    Lines widgets = run(DumpWidgetsAction{});
    ASSERT_EQ(widgets.size(), 1u);
    EXPECT_NE(widgets[0].rfind(" widgets written to the plugin log"), std::string::npos);
    EXPECT_NE(widgets[0].rfind("0 widgets", 0), 0u) << widgets[0];
}

} // namespace
} // namespace cuevoice::test
