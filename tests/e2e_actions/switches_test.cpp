// The program's own switches and the refusals Mixxx makes, through the running program: with
// announcements off the toggle speaks for itself, key help leaves a function run without a key
// alone, Auto DJ refuses an empty queue and inputs without a device stay off.
#include <gtest/gtest.h>

#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

TEST(OwnSwitchesAndRefusals, AnnouncementsKeyHelpAutoDjAndInputs) {
    ScriptedRun run({.scenario = json::parse(R"({
            "library": [{"title": "Copper Wire", "artist": "Kestrel", "bpm": 128,
                         "duration": "7:05"}],
            "load": {"[Channel1]": 1},
            "seek": {"[Channel1]": 65}})"),
                     .script = script_of({
                         "run:announcements",
                         "run:play",
                         "run:announcements",
                         "run:play",
                         "run:key_help",
                         "run:say_time",
                         // A key names its function instead, and Mixxx is left alone.
                         "ctrl+alt+p",
                         "run:key_help",
                         "run:autodj",
                         "run:microphone_1",
                         "run:aux_1",
                         "log:[AutoDJ],enabled|[Microphone],talkover|[Auxiliary1],main_mix|"
                         "[Channel1],play",
                         "run:dump_widgets",
                     })});
    ASSERT_TRUE(run.script_done()) << run.log();
    // The plug-in writes the widget list to its own log; the count said is its length.
    ASSERT_TRUE(eventually([&] {
        Lines spoken = run.spoken();
        return !spoken.empty() && spoken.back().ends_with(" widgets written to the plugin log");
    })) << run.log();
    json plugin_log = run.control({{"cmd", "log"}});
    std::size_t widgets = 0;
    for (const json& line : plugin_log["log"])
        widgets += line.get<std::string>().starts_with("widget: ");
    ASSERT_GT(widgets, 0u) << plugin_log.dump();
    EXPECT_EQ(run.transcript(),
              (Lines{
                  "say: Announcements off",
                  // The announcer would have said it; with announcements off the toggle does.
                  "say: play on",
                  "say: Announcements on",
                  "say: Paused",
                  "say: Key help on. Press any Cuevoice key to hear what it does.",
                  // A function run without a key runs even with key help on.
                  "say: 1:05 elapsed, 6:00 remaining",
                  "say: Ctrl Alt P: Play / pause",
                  "say: Key help off",
                  "say: Auto DJ could not be switched on. Is the Auto DJ queue empty?",
                  "say: microphone 1 not switched on. No microphone input is set up. Choose one "
                  "in Mixxx preferences, Sound Hardware, Input.",
                  "say: auxiliary input 1 not switched on. No input is set up for it. Choose one "
                  "in Mixxx "
                  "preferences, Sound Hardware, Input.",
                  "test: [AutoDJ],enabled=0  [Microphone],talkover=0  [Auxiliary1],main_mix=0  "
                  "[Channel1],play=0",
                  "say: " + std::to_string(widgets) + " widgets written to the plugin log",
              }));
}

} // namespace
} // namespace cuevoice::test
