// Beat matching against the simulated Mixxx over the real bridge, on a clock moved by hand.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "beat_tools.h"
#include "beatmatch/beatmatch.h"

using namespace cuevoice;
using namespace cuevoice::test;

TEST_F(ToolsOnSimulatedMixxx, BeatmatchComparesWithThePlayingDeck) {
    ASSERT_TRUE(beatmatch(*context, 3));
    put("[Channel3]", "bpm", 126);
    put("[Channel3]", "play", 1);
    put("[Channel4]", "play", 1);
    advance_both(1.0);
    ASSERT_TRUE(beatmatch(*context, 3));
    // Deck 3 at 126 against 124 has gone 1.016 s into its track, deck 4 1 s: 16 ms ahead.
    EXPECT_EQ(spoken(), (std::vector<std::string>{
                            "Against deck 4: same tempo. Deck 3 paused",
                            "Against deck 4: 2.00 BPM faster, slow down. Beats 16 milliseconds "
                            "ahead, nudge slower"}));
}
