// Mixer functions through the running program: adjust steps the normalised position within
// 0 to 1 and speaks the value Mixxx reports in the function's format, set confirms, and
// say_control reads the value back; the control values show what reached Mixxx.
#include <gtest/gtest.h>

#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

TEST(MixerAndValues, AdjustSetAndSayControlSpeakTheirFormats) {
    ScriptedRun run(
        {.scenario = json::parse(R"({
            "library": [{"title": "Copper Wire", "artist": "Kestrel", "bpm": 128,
                         "duration": "7:05"}],
            "load": {"[Channel1]": 1}})"),
         .script = script_of({
             "run:volume_down",
             "run:volume_up",
             "run:volume_up",
             "run:gain_up",
             "run:crossfader_left",
             "run:balance_right",
             "run:headmix_main",
             "run:main_volume_up",
             "run:say_crossfader",
             "run:crossfader_center",
             "run:say_crossfader",
             "run:orientation_left",
             "run:say_bpm",
             "run:say_bpm_deck_2",
             "run:say_loop_size",
             "log:[Channel1],volume|[Channel1],pregain|[Master],crossfader|[Master],balance|"
             "[Master],headMix|[Master],gain|[Channel1],orientation",
         })});
    ASSERT_TRUE(run.script_done()) << run.log();
    EXPECT_EQ(run.transcript(),
              (Lines{
                  "say: volume 95%",
                  "say: volume 100%",
                  // At the top of the range the value stays and is said again.
                  "say: volume 100%",
                  "say: gain +10%",
                  "say: crossfader left 10%",
                  "say: balance right 10%",
                  "say: headphone mix cue 40%, main 60%",
                  "say: main volume 55%",
                  "say: crossfader left 10%",
                  "say: crossfader center",
                  "say: crossfader center",
                  "say: crossfader left side",
                  "say: 128.00 BPM",
                  "say: no BPM",
                  "say: loop size 4",
                  "test: [Channel1],volume=1  [Channel1],pregain=1.3  [Master],crossfader=0  "
                  "[Master],balance=0.1  [Master],headMix=0.2  [Master],gain=1.4  "
                  "[Channel1],orientation=0",
              }));
}

} // namespace
} // namespace cuevoice::test
