// Decks and transport through the running program: the test script runs catalogue functions,
// and what the user hears comes out of the action worker and the announcer together.
#include <gtest/gtest.h>

#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

// A track whose title the skin cuts off, with hotcues at 15 s and 2:03, on deck 1 at 1:05.
json decks_scenario() {
    return json::parse(R"({
        "library": [
          {"title": "Night Drive at the Harbour Lights", "artist": "Aurora Lane",
           "album": "Neon", "bpm": 124, "key": "8A", "duration": "5:12", "samplerate": 44100,
           "hotcues": {"1": 15.0, "4": 123.0}},
          {"title": "Copper Wire", "artist": "Kestrel", "bpm": 128, "key": "11B",
           "duration": "7:05"}],
        "selected": 1,
        "load": {"[Channel1]": 1},
        "seek": {"[Channel1]": 65}})");
}

TEST(DecksAndTransport, SelectPlayCueAndHotcuesSayWhatHappened) {
    ScriptedRun run({.scenario = decks_scenario(),
                     .script = script_of({
                         "run:select_deck_2",
                         "run:play",
                         "run:play@deck1",
                         "run:select_deck_1",
                         "run:play",
                         "run:cue",
                         // Paused away from its cue point, cue moves the point there.
                         "log:[Channel1],cue_point",
                         "run:hotcue_1",
                         "run:hotcue_5",
                         "run:say_hotcues",
                         "run:hotcue_5_clear",
                         "run:cue_set",
                         "log:[Channel1],play|[Channel1],cue_point|[Channel1],hotcue_5_position",
                         "run:eject",
                         "run:load",
                     })});
    ASSERT_TRUE(run.script_done()) << run.log();
    // Mixxx clears the hotcues of an ejected track and sets those of a loaded one, and the
    // announcer says so after the deck's own text.
    ASSERT_TRUE(run.wait_said("Hotcue 4 set")) << run.log();
    EXPECT_EQ(run.transcript(), (Lines{
                                    "say: Deck 2. empty",
                                    "say: No track loaded",
                                    "say: Deck 1 playing",
                                    "say: Deck 1. Night Drive at the Harbour Lights. Aurora Lane",
                                    "say: Paused",
                                    "test: [Channel1],cue_point=5733000",
                                    "say: Hotcue 1, 0:15",
                                    "say: Hotcue 5 set",
                                    "say: Hotcue 1 0:15, hotcue 4 2:03, hotcue 5 0:15",
                                    "say: Hotcue 5 cleared",
                                    "say: cue point set",
                                    "test: [Channel1],play=0  [Channel1],cue_point=1323000  "
                                    "[Channel1],hotcue_5_position=-1",
                                    "say: Empty",
                                    "say: Hotcue 1 cleared",
                                    "say: Hotcue 4 cleared",
                                    "say: Loaded. Night Drive at the Harbour Lights. Aurora Lane",
                                    "say: Hotcue 1 set",
                                    "say: Hotcue 4 set",
                                }));
}

TEST(DecksAndTransport, PressesReportTheirValueAndEmptyPlayersAreNamed) {
    ScriptedRun run({.scenario = decks_scenario(),
                     .script = script_of({
                         "run:play@deck3",
                         "run:sampler_3_start",
                         "run:tempo_up",
                         "run:tempo_reset",
                         "run:key_up",
                         "run:loop_double",
                         "run:beatjump_size_halve",
                         // A hold run without a key is let go at once, then reports.
                         "run:rewind",
                         "log:[Channel1],rate|[Channel1],pitch_adjust|[Channel1],beatloop_size|"
                         "[Channel1],beatjump_size|[Channel3],play",
                     })});
    ASSERT_TRUE(run.script_done()) << run.log();
    EXPECT_EQ(run.transcript(),
              (Lines{
                  "say: Deck 3 has no track loaded",
                  "say: Sampler 3 is empty",
                  "say: tempo 124.06 BPM",
                  "say: tempo reset, 124 BPM",
                  "say: key B flat minor, 3A",
                  "say: loop 8 beats",
                  "say: beat jump 2 beats",
                  "say: at 1:05",
                  "test: [Channel1],rate=0  [Channel1],pitch_adjust=1  [Channel1],beatloop_size=8  "
                  "[Channel1],beatjump_size=2  [Channel3],play=0",
              }));
}

} // namespace
} // namespace cuevoice::test
