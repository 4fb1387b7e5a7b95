// The announcer through the running program: changes made through the simulated Mixxx's
// control channel, as the DJ or Mixxx makes them, are announced queued, with the deck in front
// for a deck that is not the current one.
#include <gtest/gtest.h>

#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

TEST(Announcer, ChangesInMixxxAreAnnouncedInOrder) {
    ScriptedRun run({.scenario = json::parse(R"({
            "library": [
              {"title": "Night Drive", "artist": "Aurora Lane", "bpm": 124, "duration": "5:12"},
              {"title": "Copper Wire", "artist": "Kestrel", "bpm": 128, "duration": "7:05"},
              {"title": "Airhorn", "artist": "Sample Pack", "duration": "0:03"}],
            "load": {"[Channel1]": 1, "[Sampler1]": 3},
            "controls": {"[Microphone]": {"input_configured": 1}},
            "autodj_queue": [2]})")});
    ASSERT_TRUE(run.ready()) << run.log();

    // Each change, then the words it must bring.
    struct Step {
        std::function<void()> change;
        std::string said;
    };
    auto put = [&](std::string group, std::string key, double value) {
        return [&run, group, key, value] { run.put(group, key, value); };
    };
    auto press = [&](std::string group, std::string key) {
        return [&run, group, key] {
            run.control({{"cmd", "press"}, {"group", group}, {"key", key}});
        };
    };
    const Step steps[] = {
        {[&] {
             run.control({{"cmd", "load"}, {"group", "[Channel2]"}, {"row", 2}});
         },
         "Deck 2 loaded. Copper Wire. Kestrel"},
        {put("[Channel1]", "play", 1), "Playing"},
        {put("[Channel2]", "pfl", 1), "Deck 2 headphones on"},
        {put("[Channel1]", "keylock", 1), "Key lock on"},
        {put("[Channel2]", "sync_enabled", 1), "Deck 2 sync on"},
        {press("[Channel2]", "beatloop_activate"), "Deck 2 loop 4 beats"},
        {press("[Channel1]", "hotcue_3_activate"), "Hotcue 3 set"},
        {press("[Recording]", "toggle_recording"), "Recording started"},
        {put("[Shoutcast]", "enabled", 1), "Live broadcast connected"},
        {put("[Channel1]", "peak_indicator", 1), "Clipping"},
        {put("[Channel2]", "peak_indicator", 1), "Deck 2 clipping"},
        {put("[Main]", "peak_indicator", 1), "Main output clipping"},
        // Deck 1's clip light flickers: silent within 30 s of its last change.
        {[&] {
             run.put("[Channel1]", "peak_indicator", 0);
             run.put("[Channel1]", "peak_indicator", 1);
         },
         ""},
        // Deck 1 plays, so Auto DJ starts without touching it.
        {put("[AutoDJ]", "enabled", 1), "Auto DJ on"},
        {put("[Microphone]", "talkover", 1), "Microphone on"},
        {put("[Sampler1]", "play", 1), "Sampler 1 playing"},
        // Mixxx refuses to play an empty deck: the play lights up and goes off.
        {put("[Channel3]", "play", 1), "Deck 3 has no track loaded"},
        {press("[Recording]", "toggle_recording"), "Recording stopped"},
        {put("[Channel1]", "play", 0), "Paused"},
        {press("[Channel2]", "reloop_toggle"), "Deck 2 loop off"},
        // The broadcast server goes out of reach; the next start fails to connect.
        {[&] {
             run.control({{"cmd", "scenario"}, {"scenario", {{"broadcast_connects", false}}}});
             run.put("[Shoutcast]", "enabled", 0);
         },
         "Live broadcast off"},
        {put("[Shoutcast]", "enabled", 1), "Live broadcast failed to connect"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.said);
        step.change();
        // A change that must stay silent shows as the absence of its words in the end.
        if (!step.said.empty()) {
            ASSERT_TRUE(run.wait_said(step.said)) << run.log();
        }
    }
    EXPECT_EQ(run.spoken(), (Lines{
                                "Deck 2 loaded. Copper Wire. Kestrel",
                                "Playing",
                                "Deck 2 headphones on",
                                "Key lock on",
                                "Deck 2 sync on",
                                "Deck 2 loop 4 beats",
                                "Hotcue 3 set",
                                "Recording started",
                                "Live broadcast on",
                                "Live broadcast connected",
                                "Clipping",
                                "Deck 2 clipping",
                                "Main output clipping",
                                "Auto DJ on",
                                "Microphone on",
                                "Sampler 1 playing",
                                "Deck 3 has no track loaded",
                                "Recording stopped",
                                "Paused",
                                "Deck 2 loop off",
                                "Live broadcast off",
                                "Live broadcast on",
                                "Live broadcast failed to connect",
                            }));
}

} // namespace
} // namespace cuevoice::test
