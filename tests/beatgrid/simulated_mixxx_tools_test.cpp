// The tools against the simulated Mixxx over the real bridge: what they read and write there
// behaves as Mixxx does (three slots per unit, the metronome loaded by index and cleared, the
// grid moved in 5-ms steps, tapped tempo), and their texts come out of it.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "beat_tools.h"
#include "beatgrid/grid_clicks.h"
#include "beatgrid/grid_move.h"
#include "beatgrid/grid_offset.h"
#include "beatgrid/tap_tempo.h"
#include "bridge/bridge.h"
#include "manual_clock.h"
#include "on_simulated_mixxx.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::test;
using namespace std::chrono_literals;

namespace {

const std::string unit = "[EffectRack1_EffectUnit4]";
std::string slot(int n) {
    return "[EffectRack1_EffectUnit4_Effect" + std::to_string(n) + "]";
}

} // namespace

TEST_F(ToolsOnSimulatedMixxx, GridClicksSetTheUnitUpAndPutItBack) {
    put(unit, "mix", 0.4);
    put(unit, "mix_mode", 1);
    ASSERT_TRUE(beatgrid_clicks(*context, 2));
    EXPECT_EQ(value(slot(1), "loaded"), 1);
    EXPECT_EQ(value(slot(1), "loaded_effect"), 11); // the metronome's index
    EXPECT_EQ(value(slot(1), "enabled"), 1);
    EXPECT_EQ(value(slot(1), "button_parameter1"), 1);
    EXPECT_EQ(value(unit, "group_[Channel2]_enable"), 1);
    EXPECT_EQ(value(unit, "mix"), 1);
    EXPECT_EQ(value(unit, "mix_mode"), 0);

    ASSERT_TRUE(beatgrid_clicks(*context, 2));
    EXPECT_EQ(value(slot(1), "loaded"), 0);
    EXPECT_EQ(value(unit, "group_[Channel2]_enable"), 0);
    EXPECT_EQ(value(unit, "mix"), 0.4);
    EXPECT_EQ(value(unit, "mix_mode"), 1);
    EXPECT_EQ(spoken(),
              (std::vector<std::string>{
                  "Grid clicks on for deck 2. Play the track: the clicks are the beat grid.",
                  "Grid clicks off for deck 2"}));

    // Left on when the program ended: the next start turns them off.
    ASSERT_TRUE(beatgrid_clicks(*context, 3));
    std::vector<std::string> lines;
    {
        CapturedLog log;
        turn_off_leftover_grid_clicks(*bridge);
        lines = log.lines();
    }
    EXPECT_EQ(lines,
              std::vector<std::string>{"grid clicks left on for deck 3 last time: turned off"});
    EXPECT_EQ(value(unit, "group_[Channel3]_enable"), 0);
}

TEST_F(ToolsOnSimulatedMixxx, AUnitWithItsThreeSlotsTakenIsFull) {
    for (int n = 1; n <= 3; ++n)
        put(slot(n), "loaded_effect", 1);
    Result<void> full = beatgrid_clicks(*context, 1);
    ASSERT_FALSE(full);
    EXPECT_EQ(full.error(), "Effect unit 4 is full. Remove an effect from it first.");
}

TEST_F(ToolsOnSimulatedMixxx, AGridMovedLaterPutsThePositionBeforeTheBeat) {
    ASSERT_TRUE(say_grid_offset(*context, 1));
    ASSERT_TRUE(beatgrid_move(*context, 1, 1));
    ASSERT_TRUE(say_grid_offset(*context, 1));
    ASSERT_TRUE(beatgrid_move(*context, 1, -2));
    ASSERT_TRUE(say_grid_offset(*context, 1));
    EXPECT_EQ(spoken(), (std::vector<std::string>{"On the beat", "later, total plus 5 milliseconds",
                                                  "5 milliseconds before the beat",
                                                  "earlier, total minus 5 milliseconds",
                                                  "5 milliseconds after the beat"}));
    EXPECT_EQ(value("[Channel1]", "beats_translate_move"), 0);
}

TEST_F(ToolsOnSimulatedMixxx, TappingHalfASecondApartGivesOneReportOf120Bpm) {
    for (std::size_t tap = 1; tap <= 3; ++tap) {
        ASSERT_TRUE(beatgrid_tap(*context, 1));
        ASSERT_TRUE(eventually([&] { return clock.sleeps().size() >= tap; }));
        advance_both(0.5);
    }
    clock.advance(1000ms);
    ASSERT_TRUE(eventually([&] { return bridge.use_count() == 2; }));
    EXPECT_EQ(spoken(), std::vector<std::string>{"tapped 120.00 BPM"});
}
