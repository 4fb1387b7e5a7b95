// Real key presses through xdotool with the simulated Mixxx's window in front: one key of each
// family goes from WM_HOTKEY through the action worker to the words the user hears.
#include <gtest/gtest.h>

#include "desktop.h"
#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

TEST(RealKeys, OneKeyOfEachFamilySpeaks) {
    ScriptedRun run({.scenario = json::parse(R"({
            "library": [
              {"title": "Night Drive at the Harbour Lights", "artist": "Aurora Lane",
               "bpm": 124, "key": "8A", "duration": "5:12", "samplerate": 44100,
               "hotcues": {"1": 15.0, "4": 123.0}},
              {"title": "Copper Wire", "artist": "Kestrel", "bpm": 128, "key": "11B",
               "duration": "7:05"}],
            "selected": 1,
            "load": {"[Channel1]": 1, "[Channel2]": 2},
            "seek": {"[Channel1]": 65}})"),
                     // Xvfb's keymap turns Ctrl+Alt+F1..F12 into console switches and never
                     // delivers the press: the two functions on such keys get other ones here.
                     .more_settings = "\n[shortcuts]\nsay_hotcues = [\"ctrl+alt+n\"]\n"
                                      "key_help = [\"ctrl+shift+f12\"]\n"});
    ASSERT_TRUE(run.ready()) << run.log();
    ASSERT_TRUE(focus_window("Mixxx (simulated)"));
    ASSERT_TRUE(run.run().wait_for_message_starting("hotkeys on by", std::chrono::seconds(10)))
        << run.log();

    // The key as xdotool names it, and the words it must bring.
    struct Press {
        std::string keys;
        std::string said;
    };
    const Press presses[] = {
        {"ctrl+alt+2", "Deck 2. Copper Wire. Kestrel"},
        {"ctrl+alt+1", "Deck 1. Night Drive at the Harbour Lights. Aurora Lane"},
        {"ctrl+alt+p", "Playing"},
        {"ctrl+alt+p", "Paused"},
        {"ctrl+alt+n", "Hotcue 1 0:15, hotcue 4 2:03"},
        {"ctrl+alt+Page_Down", "volume 95%"},
        {"ctrl+alt+space", "Paused, 4:07 remaining, 124 BPM, A minor, 8A"},
        {"ctrl+alt+shift+t", "161 milliseconds after the beat"},
        {"ctrl+alt+shift+n", "Against deck 2: 4.00 BPM slower, speed up. Deck 1 paused"},
        {"ctrl+alt+5", "intro start set at 1:05"},
        {"ctrl+alt+shift+F9", "Effect unit 1: empty. Effect unit 2: empty"},
        {"ctrl+alt+a", "Announcements off"},
        {"ctrl+alt+a", "Announcements on"},
        {"ctrl+shift+F12", "Key help on. Press any Cuevoice key to hear what it does."},
        {"ctrl+alt+p", "Ctrl Alt P: Play / pause"},
        {"ctrl+shift+F12", "Key help off"},
    };
    Lines expected;
    for (const Press& press : presses) {
        SCOPED_TRACE(press.keys);
        expected.push_back(press.said);
        std::size_t count = 0;
        for (const std::string& text : expected)
            count += text == press.said;
        ASSERT_EQ(xdotool({"key", press.keys}).exit_code, 0);
        ASSERT_TRUE(run.wait_said(press.said, count)) << run.log();
    }
    EXPECT_EQ(run.spoken(), expected);
}

} // namespace
} // namespace cuevoice::test
