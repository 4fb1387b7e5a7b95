// The say functions through the running program: deck status, track (with the title the skin
// cuts off), time, tempo, hotcues, the library's selection and the effect units, on the current
// deck and on fixed other decks.
#include <gtest/gtest.h>

#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

TEST(SayKinds, EachSaysWhatTheDecksLibraryAndEffectsHold) {
    ScriptedRun run({.scenario = json::parse(R"({
            "num_decks": 4,
            "library": [
              {"title": "Night Drive at the Harbour Lights", "artist": "Aurora Lane",
               "bpm": 124, "key": "8A", "duration": "5:12", "samplerate": 44100,
               "hotcues": {"1": 15.0, "4": 123.0}},
              {"title": "Paper Moons over the Old Town Square", "artist": "The Lantern Society",
               "bpm": 122, "key": "5A", "duration": "6:40"},
              {"title": "Glass Garden", "artist": "Elm & Ash", "duration": "3:30"}],
            "selected": 1,
            "load": {"[Channel1]": 1, "[Channel2]": 2},
            "seek": {"[Channel1]": 65},
            "controls": {
              "[EffectRack1_EffectUnit1_Effect1]": {"loaded_effect": 6, "enabled": 1},
              "[EffectRack1_EffectUnit1_Effect2]": {"loaded_effect": 16},
              "[EffectRack1_EffectUnit2_Effect3]": {"loaded_effect": 8},
              "[EffectRack1_EffectUnit1]": {"group_[Channel1]_enable": 1,
                                            "group_[Channel3]_enable": 1}}})"),
                     .script = script_of({
                         "run:say_status",
                         "run:say_status@deck2",
                         "run:say_status@deck3",
                         "run:say_track",
                         "run:say_track@deck2",
                         "run:say_time",
                         "run:say_tempo",
                         "run:say_hotcues",
                         "run:say_hotcues@deck2",
                         "run:say_selected_track",
                         "run:say_effects",
                     })});
    ASSERT_TRUE(run.script_done()) << run.log();
    EXPECT_EQ(run.transcript(),
              (Lines{
                  "say: Paused, 4:07 remaining, 124 BPM, A minor, 8A",
                  "say: Deck 2 paused, 6:40 remaining, 122 BPM, C minor, 5A",
                  "say: Deck 3 empty",
                  // The skin cuts the title off; the library's selected track completes it.
                  "say: Night Drive at the Harbour Lights. Aurora Lane",
                  // Another track is selected: the cut-off title stays as the skin shows it.
                  "say: Paper Moons over the Ol\xE2\x80\xA6. The Lantern Society",
                  "say: 1:05 elapsed, 4:07 remaining",
                  "say: 124 BPM, A minor, 8A",
                  "say: Hotcue 1 0:15, hotcue 4 2:03",
                  "say: Deck 2 no hotcues",
                  "say: Night Drive at the Harbour Lights, by Aurora Lane. 124 BPM, key 8A, 5:12. "
                  "Track 1 of 3",
                  "say: Effect unit 1, on decks 1 and 3: Echo on, Reverb off. Effect unit 2: "
                  "Flanger off",
              }));
}

} // namespace
} // namespace cuevoice::test
