// The beat-grid and beat-match tools through the running program: the grid moves reach Mixxx
// and change the offset said from the beat, the clicks set up and restore effect unit 4, a tap
// reports once, and the comparison and its monitor speak against the other deck.
#include <gtest/gtest.h>

#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

TEST(BeatGridAndBeatMatch, ToolsSpeakWhatMixxxShows) {
    // Deck 1 at 120 BPM stands 10 ms after a beat; deck 2 runs at 126 BPM.
    ScriptedRun run({.scenario = json::parse(R"({
            "library": [
              {"title": "Grid", "artist": "A", "bpm": 120, "duration": "4:00"},
              {"title": "Other", "artist": "B", "bpm": 126, "duration": "4:00"}],
            "load": {"[Channel1]": 1, "[Channel2]": 2},
            "seek": {"[Channel1]": 65.01}})"),
                     .script = script_of({
                         "run:grid_offset",
                         "run:grid_later",
                         "run:grid_later",
                         "run:grid_offset",
                         "run:grid_clicks",
                         "log:[EffectRack1_EffectUnit4_Effect1],loaded_effect|"
                         "[EffectRack1_EffectUnit4],group_[Channel1]_enable|"
                         "[EffectRack1_EffectUnit4],mix",
                         "run:grid_clicks",
                         "log:[EffectRack1_EffectUnit4_Effect1],loaded_effect|"
                         "[EffectRack1_EffectUnit4],group_[Channel1]_enable|"
                         "[EffectRack1_EffectUnit4],mix",
                         "run:beatmatch",
                         // The tap report and the monitor's first report come 1.5 s later;
                         // silent steps keep the next words away from them.
                         "run:grid_tap",
                         "run:stop_speech",
                         "run:stop_speech",
                         "run:beatmatch_monitor",
                         "run:stop_speech",
                         "run:stop_speech",
                         "run:beatmatch_monitor",
                     })});
    ASSERT_TRUE(run.script_done()) << run.log();
    EXPECT_EQ(run.transcript(),
              (Lines{
                  "say: 10 milliseconds after the beat",
                  "say: later, total plus 5 milliseconds",
                  "say: later, total plus 10 milliseconds",
                  "say: On the beat",
                  "say: Grid clicks on for deck 1. Play the track: the clicks are the beat grid.",
                  "test: [EffectRack1_EffectUnit4_Effect1],loaded_effect=11  "
                  "[EffectRack1_EffectUnit4],group_[Channel1]_enable=1  "
                  "[EffectRack1_EffectUnit4],mix=1",
                  "say: Grid clicks off for deck 1",
                  "test: [EffectRack1_EffectUnit4_Effect1],loaded_effect=0  "
                  "[EffectRack1_EffectUnit4],group_[Channel1]_enable=0  "
                  "[EffectRack1_EffectUnit4],mix=1",
                  "say: Against deck 2: 6.00 BPM slower, speed up. Deck 1 paused",
                  "say: tapped 120.00 BPM",
                  "say: Beatmatch monitor on, deck 1",
                  "say: speed up 6.00",
                  "say: Beatmatch monitor off",
              }));
}

} // namespace
} // namespace cuevoice::test
