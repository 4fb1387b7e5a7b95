// The time warnings: the per-deck rules step by step, the spoken seconds, one poll against a
// table-answered Mixxx, and the thread's loop on the hand-moved clock.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "announcer/time_warnings.h"
#include "bench.h"
#include "test_support.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;
using Text = std::optional<std::string>;

DeckTimeReading playing(double remaining, double end_of_track = 0) {
    return {.track_loaded = 1,
            .play = 1,
            .volume = 1,
            .remaining = remaining,
            .end_of_track = end_of_track};
}
DeckTimeReading paused(double remaining) {
    return {.track_loaded = 1, .play = 0, .volume = 1, .remaining = remaining, .end_of_track = 0};
}
DeckTimeReading unloaded() {
    return {};
}

struct Step {
    DeckTimeReading reading;
    Text heard;
};

void run_steps(const std::string& name, const std::vector<Step>& steps) {
    SCOPED_TRACE(name);
    DeckTimeState state;
    for (std::size_t i = 0; i < steps.size(); ++i)
        EXPECT_EQ(advance_deck_time(state, steps[i].reading), steps[i].heard)
            << "poll " << i + 1 << ", " << steps[i].reading.remaining << " s left";
}

TEST(TimeWarningControls, FiveControlsPerDeckInDeckOrder) {
    EXPECT_TRUE(time_warning_controls(0).empty());
    std::vector<ControlKey> expected;
    for (const char* group : {"[Channel1]", "[Channel2]"})
        for (const char* key : {"track_loaded", "play", "volume", "time_remaining", "end_of_track"})
            expected.emplace_back(group, key);
    EXPECT_EQ(time_warning_controls(2), expected);
    EXPECT_EQ(time_warning_controls(255).size(), 255u * 5);
}

TEST(WarningSeconds, FivesFromTenSecondsUpWholeSecondsBelowNeverUnderOne) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<double, std::uint32_t> cases[] = {
        {29.4, 30}, {7.6, 8},
        {0.3, 1},   {10, 10},
        {12.4, 10}, {12.5, 15},
        {9.5, 10},  {9.4, 9},
        {1.49, 1},  {0, 1},
        {-4, 1},    {nan, 1},
        {60, 60},   {1e12, std::numeric_limits<std::uint32_t>::max()},
    };
    for (auto [remaining, seconds] : cases)
        EXPECT_EQ(warning_seconds(remaining), seconds) << remaining;
    EXPECT_EQ(seconds_left_text(1), "1 second left");
    EXPECT_EQ(seconds_left_text(30), "30 seconds left");
    EXPECT_EQ(seconds_left_text(0), "0 seconds left");
}

TEST(AdvanceDeckTime, TheMinuteWarningComesOnceWhileTheDeckPlaysAcrossAMinute) {
    run_steps("playing from 75 s, pausing and resuming at 55 s", {{playing(75), {}},
                                                                  {playing(70), {}},
                                                                  {playing(61), {}},
                                                                  {playing(60), "one minute left"},
                                                                  {playing(59), {}},
                                                                  {paused(55), {}},
                                                                  {playing(55), {}},
                                                                  {playing(54), {}}});
    run_steps("paused at 61 s, resumed at 59 s",
              {{playing(65), {}}, {paused(61), {}}, {playing(59), {}}, {playing(58), {}}});
    run_steps("first seen below a minute", {{playing(50), {}}, {playing(49), {}}});
    run_steps("a deck whose fader is down", {{playing(65), {}},
                                             {{1, 1, 0, 59, 0}, {}},
                                             {{1, 1, 0, 20, 1}, {}},
                                             {{1, 1, -1, 19, 1}, {}}});
}

TEST(AdvanceDeckTime, TheEndOfTrackFlagGivesTheSecondsLeftOnce) {
    run_steps("end of track at 29.4 s", {{playing(75), {}},
                                         {playing(59), "one minute left"},
                                         {playing(29.4, 1), "30 seconds left"},
                                         {playing(28.4, 1), {}},
                                         {playing(0.3, 1), {}}});
    run_steps("end of track at 7.6 s", {{playing(7.6, 1), "8 seconds left"}});
    run_steps("end of track at 0.3 s", {{playing(0.3, 1), "1 second left"}});
    run_steps("a short track: no minute warning after the seconds",
              {{playing(65, 1), "65 seconds left"}, {playing(59, 1), {}}, {playing(58, 0), {}}});
    run_steps("the flag while paused waits for play",
              {{paused(25), {}}, {playing(24.6, 1), "25 seconds left"}});
    run_steps("nothing left", {{playing(0, 1), {}}, {playing(-3, 1), {}}});
}

TEST(AdvanceDeckTime, SeekingBackOrANewTrackRearmsTheWarnings) {
    run_steps("seek back from 20 s to 2:00", {{playing(75), {}},
                                              {playing(59), "one minute left"},
                                              {playing(20, 1), "20 seconds left"},
                                              {playing(120), {}},
                                              {playing(61), {}},
                                              {playing(59), "one minute left"},
                                              {playing(25, 1), "25 seconds left"}});
    run_steps("a small step back is not a seek", {{playing(75), {}},
                                                  {playing(59), "one minute left"},
                                                  {playing(78), {}},
                                                  {playing(79), {}},
                                                  {playing(59), {}}});
    run_steps("a paused seek back re-arms too", {{playing(75), {}},
                                                 {playing(59), "one minute left"},
                                                 {paused(100), {}},
                                                 {playing(90), {}},
                                                 {playing(60), "one minute left"}});
    run_steps("unloading re-arms", {{playing(61), {}},
                                    {playing(59), "one minute left"},
                                    {unloaded(), {}},
                                    {playing(62), {}},
                                    {playing(58), "one minute left"}});
}

TEST(AdvanceDeckTime, ValuesMixxxNeverSendsGiveATextOrNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    run_steps("not numbers and infinities",
              {{playing(nan, 1), {}},
               {playing(inf), {}},
               {playing(59), "one minute left"}, // after an endless time: a real crossing
               {{1, 1, nan, 30, 1}, {}},
               {playing(-inf, 1), {}},
               {playing(inf, 1), "4294967295 seconds left"}});
}

TEST(TimeWarningPhrase, TheCurrentDeckIsRaisedAnotherNamedWithAComma) {
    EXPECT_EQ(time_warning_phrase(1, 1, "one minute left"), "One minute left");
    EXPECT_EQ(time_warning_phrase(1, 2, "one minute left"), "Deck 2, one minute left");
    EXPECT_EQ(time_warning_phrase(3, 3, "8 seconds left"), "8 seconds left");
}

// Deck n's five controls in the fake Mixxx.
void put_deck(FakeMixxx& mixxx, int deck, const DeckTimeReading& reading) {
    const std::string group = "[Channel" + std::to_string(deck) + "]";
    mixxx.put(group, "track_loaded", reading.track_loaded);
    mixxx.put(group, "play", reading.play);
    mixxx.put(group, "volume", reading.volume);
    mixxx.put(group, "time_remaining", reading.remaining);
    mixxx.put(group, "end_of_track", reading.end_of_track);
}

TEST(PollTimeWarnings, ReadsAllDecksInOneRequestAndNamesTheOtherDeck) {
    Bench bench;
    bench.mixxx.put("[App]", "num_decks", 2);
    put_deck(bench.mixxx, 1, playing(65));
    put_deck(bench.mixxx, 2, playing(70));
    DeckTimeStates states;
    ASSERT_TRUE(poll_time_warnings(*bench.context, states));
    std::vector<StampedRequest> sent = bench.link->sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].message,
              (json{{"cmd", "get"}, {"group", "[App]"}, {"key", "num_decks"}, {"prop", "value"}}));
    EXPECT_EQ(sent[1].message.value("cmd", ""), "getmany");
    EXPECT_EQ(sent[1].message["controls"].size(), 10u);
    EXPECT_EQ(sent[1].message["controls"][5], (json{"[Channel2]", "track_loaded"}));
    EXPECT_TRUE(bench.spoken().empty());

    put_deck(bench.mixxx, 1, playing(59));
    put_deck(bench.mixxx, 2, playing(29.4, 1));
    ASSERT_TRUE(poll_time_warnings(*bench.context, states));
    EXPECT_EQ(bench.spoken(), (Lines{"One minute left", "Deck 2, 30 seconds left"}));
}

TEST(PollTimeWarnings, WarningsWhileAnnouncementsAreOffAreUsedUpSilently) {
    Bench bench;
    bench.mixxx.put("[App]", "num_decks", 1);
    put_deck(bench.mixxx, 1, playing(65));
    DeckTimeStates states;
    ASSERT_TRUE(poll_time_warnings(*bench.context, states));
    bench.context->announce = false;
    put_deck(bench.mixxx, 1, playing(59));
    ASSERT_TRUE(poll_time_warnings(*bench.context, states));
    bench.context->announce = true;
    put_deck(bench.mixxx, 1, playing(58));
    ASSERT_TRUE(poll_time_warnings(*bench.context, states));
    EXPECT_TRUE(bench.spoken().empty());
    put_deck(bench.mixxx, 1, playing(20, 1));
    ASSERT_TRUE(poll_time_warnings(*bench.context, states));
    EXPECT_EQ(bench.spoken(), Lines{"20 seconds left"});
}

TEST(PollTimeWarnings, AFailedReadOfAllDecksSkipsThePollAFailedDeckCountEndsIt) {
    Bench bench;
    bench.mixxx.put("[App]", "num_decks", 1);
    put_deck(bench.mixxx, 1, playing(65));
    DeckTimeStates states;
    ASSERT_TRUE(poll_time_warnings(*bench.context, states));
    bench.mixxx.fail_control("[Channel1]", "volume", "unknown control");
    put_deck(bench.mixxx, 1, playing(59));
    EXPECT_TRUE(poll_time_warnings(*bench.context, states));
    EXPECT_EQ(states[1].previous_remaining, 65.0); // the skipped poll left the deck alone

    bench.mixxx.fail_control("[App]", "num_decks", "Mixxx did not answer");
    EXPECT_FALSE(poll_time_warnings(*bench.context, states));
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(PollTimeWarnings, DeckCountsMixxxNeverSendsStayBounded) {
    Bench bench;
    put_deck(bench.mixxx, 1, playing(65));
    DeckTimeStates states;
    for (double count : {300.0, -1.0, 0.4}) {
        bench.link->forget();
        bench.mixxx.put("[App]", "num_decks", count);
        EXPECT_TRUE(poll_time_warnings(*bench.context, states));
        std::vector<StampedRequest> sent = bench.link->sent();
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[1].message["controls"].size(), count > 1 ? 255u * 5 : 0u) << count;
    }
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(RunTimeWarnings, PollsEachSecondAfterThePauseAndEndsWithTheLink) {
    Bench bench(ManualClock::Sleeping::waits_for_advance);
    bench.mixxx.put("[App]", "num_decks", 1);
    put_deck(bench.mixxx, 1, playing(61));
    std::thread warnings([&] { run_time_warnings(bench.context); });
    auto sleeps_reach = [&](std::size_t count) {
        return eventually(
            [&] { return bench.clock.sleeps().size() >= count && bench.clock.sleepers() == 1; });
    };
    ASSERT_TRUE(sleeps_reach(1));
    EXPECT_TRUE(bench.link->sent().empty()); // the pause comes first

    bench.clock.advance(1s);
    ASSERT_TRUE(sleeps_reach(2));
    EXPECT_EQ(bench.link->sent().size(), 2u);
    EXPECT_TRUE(bench.spoken().empty());

    put_deck(bench.mixxx, 1, playing(60));
    bench.clock.advance(1s);
    ASSERT_TRUE(sleeps_reach(3));
    EXPECT_EQ(bench.spoken(), Lines{"One minute left"});
    for (const StampedRequest& sent : bench.link->sent())
        EXPECT_TRUE(sent.at == 1s || sent.at == 2s);

    bench.mixxx.fail_all();
    bench.clock.advance(1s);
    warnings.join(); // ends without a word
    EXPECT_TRUE(bench.spoken().empty());
    EXPECT_EQ(bench.clock.sleeps(), (std::vector<ManualClock::duration>(3, 1s)));
}

} // namespace
} // namespace cuevoice::test
