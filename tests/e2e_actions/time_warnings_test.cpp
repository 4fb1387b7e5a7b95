// Time warnings through the running program: the simulated Mixxx's clock is moved by hand to
// put the decks near their tracks' end, and the product's own once-a-second poll warns.
#include <gtest/gtest.h>

#include "scripted_run.h"

namespace cuevoice::test {
namespace {

using json = nlohmann::json;

TEST(TimeWarnings, MinuteAndSecondsWarningsAsTheTracksRunOut) {
    // Three decks play a 90-s track from its start; deck 3's fader is down.
    ScriptedRun run({.scenario = json::parse(R"({
            "library": [{"title": "Short", "artist": "A", "bpm": 120, "duration": 90}],
            "load": {"[Channel1]": 1, "[Channel2]": 1, "[Channel3]": 1},
            "controls": {"[Channel1]": {"play": 1}, "[Channel2]": {"play": 1},
                         "[Channel3]": {"play": 1, "volume": 0}}})")});
    ASSERT_TRUE(run.ready()) << run.log();
    auto advance = [&](double seconds) { run.control({{"cmd", "advance"}, {"seconds", seconds}}); };
    // A poll has seen the decks playing with 90 s left.
    ASSERT_TRUE(run.wait_for_request("getmany", false)) << run.log();

    advance(40); // 50 s left
    ASSERT_TRUE(run.wait_said("Deck 2, one minute left")) << run.log();
    advance(20.6); // 29.4 s left: Mixxx's end-of-track flag is up
    ASSERT_TRUE(run.wait_said("Deck 2, 30 seconds left")) << run.log();

    // Deck 1 alone plays on. It seeks back to 80 s left, which arms its warnings again; once a poll
    // has seen that, the end comes at once: the seconds warning alone.
    run.put("[Channel2]", "play", 0);
    ASSERT_TRUE(run.wait_said("Deck 2 paused")) << run.log();
    run.put("[Channel3]", "play", 0);
    ASSERT_TRUE(run.wait_said("Deck 3 paused")) << run.log();
    run.control(
        {{"cmd", "set"}, {"group", "[Channel1]"}, {"key", "playposition"}, {"value", 10.0 / 90.0}});
    ASSERT_TRUE(run.wait_for_request("getmany", true)) << run.log();
    advance(72.4); // 7.6 s left
    ASSERT_TRUE(run.wait_said("8 seconds left")) << run.log();

    EXPECT_EQ(run.spoken(), (Lines{
                                "One minute left",
                                "Deck 2, one minute left",
                                "30 seconds left",
                                "Deck 2, 30 seconds left",
                                "Deck 2 paused",
                                "Deck 3 paused",
                                "8 seconds left",
                            }));
}

} // namespace
} // namespace cuevoice::test
