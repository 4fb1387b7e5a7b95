// The five kinds against the simulated Mixxx over the real bridge: what they press there does
// what Mixxx does (the preview deck loads and plays, markers are set, jumped to and cleared,
// slots step through the effect list, samplers stop), and their texts come out of it.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "actions/dispatch.h"
#include "bridge/bridge.h"
#include "manual_clock.h"
#include "on_simulated_mixxx.h"

namespace cuevoice::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

class FeaturesOnSimulatedMixxx : public OnSimulatedMixxx {
protected:
    FeaturesOnSimulatedMixxx() : OnSimulatedMixxx(ManualClock::Sleeping::advances_time) {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OnSimulatedMixxx::SetUp());
        control(json::parse(R"({"cmd": "scenario", "scenario": {
            "library": [{"title": "Night Drive", "artist": "Aurora Lane", "bpm": 124,
                         "duration": 300},
                        {"title": "Second", "bpm": 120, "duration": 200}],
            "selected": 1,
            "effects": [{"id": "org.mixxx.effects.echo", "name": "Echo"},
                        {"id": "org.mixxx.effects.reverb", "name": "Reverb"}],
            "load": {"[Channel1]": 1, "[Channel2]": 2, "[Sampler1]": 1, "[Sampler2]": 2,
                     "[Sampler3]": 2},
            "seek": {"[Channel1]": 83.4, "[Channel2]": 5},
            "controls": {"[Sampler1]": {"play": 1}, "[Sampler3]": {"play": 1}}}})"));
    }
};

TEST_F(FeaturesOnSimulatedMixxx, PreviewPlaysTheSelectedTrackStopsItAndNeedsASelection) {
    EXPECT_EQ(run(PreviewAction{}), Lines{"Preview Night Drive"});
    EXPECT_EQ(value("[PreviewDeck1]", "play"), 1.0);
    EXPECT_EQ(value("[PreviewDeck1]", "duration"), 300.0);
    EXPECT_EQ(run(PreviewAction{}), Lines{"Preview stopped"});
    EXPECT_EQ(value("[PreviewDeck1]", "play"), 0.0);

    control({{"cmd", "select"}, {"row", 0}});
    EXPECT_EQ(run(PreviewAction{}), Lines{"Error: no track selected in the library"});
    EXPECT_EQ(value("[PreviewDeck1]", "play"), 0.0);
}

TEST_F(FeaturesOnSimulatedMixxx, MarkersAreSetJumpedToAndClearedOnTheirDeck) {
    const MarkerAction intro{"intro_start_activate", "intro_start_position", "intro start"};
    EXPECT_EQ(run(intro), Lines{"intro start set at 1:23"});
    EXPECT_EQ(value("[Channel1]", "intro_start_position"), 83.4 * 44100 * 2);
    control({{"cmd", "set"}, {"group", "[Channel1]"}, {"key", "playposition"}, {"value", 0.5}});
    EXPECT_EQ(run(intro), Lines{"jumped to intro start, 1:23"});
    EXPECT_NEAR(value("[Channel1]", "time_elapsed"), 83.4, 1e-9);
    EXPECT_EQ(run(ClearMarkerAction{}), Lines{"intro start cleared"});
    EXPECT_EQ(value("[Channel1]", "intro_start_position"), -1.0);
    EXPECT_EQ(run(ClearMarkerAction{}),
              Lines{"No marker to clear. Set or jump to a marker first."});

    EXPECT_EQ(run(MarkerAction{"loop_out", "loop_end_position", "loop out"}, 2),
              Lines{"loop out not set"}); // no loop in yet
    EXPECT_EQ(run(MarkerAction{"loop_in", "loop_start_position", "loop in"}, 2),
              Lines{"loop in 0:05"});
    EXPECT_EQ(run(ClearMarkerAction{}), Lines{"Deck 2 loop cleared"});
    EXPECT_EQ(value("[Channel2]", "loop_start_position"), -1.0);

    EXPECT_EQ(run(intro, 3), Lines{"Error: no track loaded"});
}

TEST_F(FeaturesOnSimulatedMixxx, EffectSlotsStepAndSayTheirEffect) {
    const std::string slot = "[EffectRack1_EffectUnit2_Effect3]";
    const ChangeEffectAction next{ControlTarget{slot, "next_effect"}, std::nullopt};
    const ChangeEffectAction previous{ControlTarget{slot, "prev_effect"}, std::nullopt};
    EXPECT_EQ(run(next), Lines{"Effect unit 2 slot 3: Echo"});
    EXPECT_EQ(run(next), Lines{"Effect unit 2 slot 3: Reverb"});
    EXPECT_EQ(run(previous), Lines{"Effect unit 2 slot 3: Echo"});
    EXPECT_EQ(run(ChangeEffectAction{ControlTarget{slot, "clear"}, std::nullopt}),
              Lines{"Effect unit 2 slot 3: no effect"});
}

TEST_F(FeaturesOnSimulatedMixxx, PlayingSamplersStopAndTheOthersAreLeftAlone) {
    ASSERT_EQ(value("[Sampler1]", "play"), 1.0);
    ASSERT_EQ(value("[Sampler3]", "play"), 1.0);
    control({{"cmd", "requests"}, {"clear", true}});
    EXPECT_EQ(run(StopSamplersAction{}), Lines{"Samplers stopped"});
    EXPECT_EQ(value("[Sampler1]", "play"), 0.0);
    EXPECT_EQ(value("[Sampler3]", "play"), 0.0);
    // Only the two that played were pressed.
    Lines writes;
    for (const json& line : control({{"cmd", "requests"}}).value("requests", json::array())) {
        json request = json::parse(line.get<std::string>(), nullptr, false);
        if (request.value("cmd", "") == "set")
            writes.push_back(request.value("group", "") + " " + request.value("key", "") + " " +
                             request.value("value", json()).dump());
    }
    EXPECT_EQ(writes, (Lines{"[Sampler1] stop 1.0", "[Sampler1] stop 0.0", "[Sampler3] stop 1.0",
                             "[Sampler3] stop 0.0"}));
    EXPECT_EQ(run(StopSamplersAction{}), Lines{"Samplers stopped"});
}

} // namespace
} // namespace cuevoice::test
