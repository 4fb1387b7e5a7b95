// Preview, markers, effects and samplers through the running program: the preview deck plays
// the library's selection, markers are set, jumped to and cleared with the memory of the last
// one, effect slots step through Mixxx's effect list, and playing samplers are stopped.
#include <algorithm>

#include <gtest/gtest.h>

#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

TEST(PreviewMarkersEffectsSamplers, EachSaysWhatItDid) {
    ScriptedRun run({.scenario = json::parse(R"({
            "library": [
              {"title": "Night Drive", "artist": "Aurora Lane", "bpm": 124,
               "duration": "5:12", "samplerate": 44100},
              {"title": "Copper Wire", "artist": "Kestrel", "bpm": 128, "duration": "7:05"},
              {"title": "Airhorn", "artist": "Sample Pack", "duration": "0:03"}],
            "selected": 1,
            "load": {"[Channel1]": 1, "[Channel2]": 2, "[Sampler1]": 3, "[Sampler2]": 3},
            "seek": {"[Channel1]": 83.4, "[Channel2]": 5},
            "controls": {
              "[Sampler2]": {"play": 1},
              "[EffectRack1_EffectUnit1_Effect1]": {"loaded_effect": 6}}})"),
                     .script = script_of({
                         "run:preview",
                         "log:[PreviewDeck1],play|[PreviewDeck1],track_loaded",
                         "run:preview",
                         "run:intro_start",
                         "run:intro_start",
                         "run:clear_marker",
                         "log:[Channel1],intro_start_position",
                         "run:clear_marker",
                         "run:loop_in@deck2",
                         "run:clear_marker",
                         "log:[Channel2],loop_start_position",
                         "run:effect_1_1_previous",
                         "run:effect_2_3_next",
                         "run:stop_samplers",
                         "log:[Sampler1],play|[Sampler2],play",
                     })});
    ASSERT_TRUE(run.script_done()) << run.log();
    Lines transcript = run.transcript();
    // The announcer reports the sampler that stopped while the action goes on: said once, in
    // an order the two threads decide.
    const std::string sampler_stopped = "say: Sampler 2 stopped";
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), sampler_stopped), 1) << run.log();
    std::erase(transcript, sampler_stopped);
    EXPECT_EQ(transcript, (Lines{
                              "say: Preview Night Drive",
                              "test: [PreviewDeck1],play=1  [PreviewDeck1],track_loaded=1",
                              "say: Preview stopped",
                              "say: intro start set at 1:23",
                              "say: jumped to intro start, 1:23",
                              "say: intro start cleared",
                              "test: [Channel1],intro_start_position=-1",
                              "say: No marker to clear. Set or jump to a marker first.",
                              "say: loop in 0:05",
                              "say: Deck 2 loop cleared",
                              "test: [Channel2],loop_start_position=-1",
                              "say: Effect unit 1 slot 1: Distortion",
                              "say: Effect unit 2 slot 3: Auto Pan",
                              "say: Samplers stopped",
                              "test: [Sampler1],play=0  [Sampler2],play=0",
                          }));
}

} // namespace
} // namespace cuevoice::test
