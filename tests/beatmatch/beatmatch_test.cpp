// The beatmatch report and the monitor: their texts, the monitor's 1.5-s rounds, its silence
// while nothing changes, its end on a failed request, and one monitor at a time.
#include <chrono>
#include <string>
#include <vector>

#include "beat_tools.h"
#include "beatmatch/beatmatch.h"

using namespace cuevoice;
using namespace cuevoice::test;
using namespace std::chrono_literals;

namespace {

Comparison comparison(std::uint8_t other, double ratio, double difference,
                      std::optional<double> offset, bool this_playing = true,
                      bool other_playing = true) {
    Comparison c;
    c.other_deck = other;
    c.ratio = ratio;
    c.difference = difference;
    c.offset_ms = offset;
    c.this_playing = this_playing;
    c.other_playing = other_playing;
    return c;
}

class Beatmatch : public BeatToolsTest {
protected:
    Beatmatch() {
        mixxx->put("[App]", "num_decks", 2);
        put_deck(1, true, true, 120, 0.10, 1);
        put_deck(2, true, true, 120, 0.05, 1);
    }

    // One round of the monitor: it wakes, compares and goes back to sleep.
    void monitor_round(std::size_t round) {
        wait_for_sleeps(round);
        clock().advance(1500ms);
        wait_for_sleeps(round + 1);
    }
};

} // namespace

TEST(BeatmatchText, HeadTempoAndBeats) {
    struct Case {
        Comparison c;
        const char* text;
    };
    const Case cases[] = {
        {comparison(2, 2, 0, std::nullopt, false, false),
         "Against deck 2, at double tempo: same tempo. Deck 1 paused"},
        {comparison(2, 1, -2, 0.0), "Against deck 2: 2.00 BPM slower, speed up. Beats aligned"},
        {comparison(3, 1, 0.004, 25.0),
         "Against deck 3: same tempo. Beats 25 milliseconds ahead, nudge slower"},
        {comparison(2, 0.5, 1.5, -12.4),
         "Against deck 2, at half tempo: 1.50 BPM faster, slow down. Beats 12 milliseconds "
         "behind, nudge faster"},
        {comparison(2, 1, 0, 9.9), "Against deck 2: same tempo. Beats aligned"},
        {comparison(2, 1, 0, std::nullopt, true, false),
         "Against deck 2: same tempo. Deck 2 paused"},
        {comparison(2, 1, 0, std::nullopt, false, true),
         "Against deck 2: same tempo. Deck 1 paused"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(beatmatch_text(c.c, 1), c.text);
}

TEST(BeatmatchText, TheMonitorsShortForm) {
    struct Case {
        Comparison c;
        const char* text;
    };
    const Case cases[] = {
        {comparison(2, 1, 0.12, 25.0), "slow down 0.12"},
        {comparison(2, 1, -0.3, std::nullopt), "speed up 0.30"},
        {comparison(2, 1, 0.049, 25.0), "ahead 25"},
        {comparison(2, 1, 0.0, -12.0), "behind 12"},
        {comparison(2, 1, 0.0, 9.0), "in sync"},
        {comparison(2, 1, 0.0, std::nullopt, false, true), "Deck 1 paused"},
        {comparison(2, 1, 0.0, std::nullopt, true, false), "Deck 2 paused"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(monitor_text(c.c, 1), c.text);
}

TEST_F(Beatmatch, TheReportSpeaksTheComparisonOrTheSentenceInItsPlace) {
    ASSERT_TRUE(beatmatch(context(), 1));
    EXPECT_EQ(spoken(),
              std::vector<std::string>{
                  "Against deck 2: same tempo. Beats 25 milliseconds ahead, nudge slower"});

    put_deck(1, true, false, 128, 0, 1);
    put_deck(2, true, true, 64, 0, 1);
    ASSERT_TRUE(beatmatch(context(), 1));
    EXPECT_EQ(spoken(), std::vector<std::string>{
                            "Against deck 2, at double tempo: same tempo. Deck 1 paused"});

    put_deck(2, false, false, 0, 0, 1);
    ASSERT_TRUE(beatmatch(context(), 1));
    EXPECT_EQ(spoken(), std::vector<std::string>{"No other deck has a track loaded"});

    mixxx->fail_all();
    Result<void> failed = beatmatch(context(), 1);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "[App],num_decks: Mixxx did not answer");
    EXPECT_EQ(spoken(), std::vector<std::string>{});
}

TEST_F(Beatmatch, TheMonitorSpeaksASteadyStateOnceAndAChangeAtTheNextRound) {
    put_deck(1, true, true, 120.12, 0.10, 1);
    ASSERT_TRUE(beatmatch_monitor(context(), 1));
    EXPECT_EQ(spoken(), std::vector<std::string>{"Beatmatch monitor on, deck 1"});

    monitor_round(1);
    EXPECT_EQ(spoken(), std::vector<std::string>{"slow down 0.12"});
    monitor_round(2);
    monitor_round(3);
    EXPECT_EQ(spoken(), std::vector<std::string>{}); // unchanged: silence

    put_deck(1, true, true, 120, 0.10, 1);
    monitor_round(4);
    EXPECT_EQ(spoken(), std::vector<std::string>{"ahead 25"});
    put_deck(1, true, true, 120, 0.05, 1);
    monitor_round(5);
    EXPECT_EQ(spoken(), std::vector<std::string>{"in sync"});
    put_deck(2, false, false, 0, 0, 1);
    monitor_round(6);
    EXPECT_EQ(spoken(), std::vector<std::string>{"No other deck has a track loaded"});
    EXPECT_EQ(clock().sleeps(), (std::vector<ManualClock::duration>(7, 1500ms)));
}

TEST_F(Beatmatch, ASecondPressSwitchesTheMonitorOffAndItEndsAtItsNextWakeUpSilently) {
    ASSERT_TRUE(beatmatch_monitor(context(), 2));
    wait_for_sleeps(1);
    ASSERT_TRUE(beatmatch_monitor(context(), 2));
    EXPECT_EQ(spoken(),
              (std::vector<std::string>{"Beatmatch monitor on, deck 2", "Beatmatch monitor off"}));
    EXPECT_FALSE(context().beatmatch_monitor.value);
    mixxx->forget_requests();
    clock().advance(1500ms);
    EXPECT_TRUE(threads_ended());
    EXPECT_EQ(mixxx->messages(), std::vector<json>{}); // it compared nothing more
    EXPECT_EQ(spoken(), std::vector<std::string>{});

    // Off and on again within one period: the old thread ends, only the new one speaks.
    ASSERT_TRUE(beatmatch_monitor(context(), 1));
    wait_for_sleeps(2);
    ASSERT_TRUE(beatmatch_monitor(context(), 1));
    ASSERT_TRUE(beatmatch_monitor(context(), 1));
    wait_for_sleeps(3);
    clock().advance(1500ms);
    wait_for_sleeps(4);
    EXPECT_EQ(spoken(),
              (std::vector<std::string>{"Beatmatch monitor on, deck 1", "Beatmatch monitor off",
                                        "Beatmatch monitor on, deck 1", "ahead 25"}));
    EXPECT_EQ(mixxx.use_count(), 3); // the test, the Context and one monitor
}

TEST_F(Beatmatch, AFailedRequestStopsTheMonitorWithALogLineAndNoSpeech) {
    ASSERT_TRUE(beatmatch_monitor(context(), 1));
    monitor_round(1);
    EXPECT_EQ(spoken(), (std::vector<std::string>{"Beatmatch monitor on, deck 1", "ahead 25"}));

    mixxx->fail_all();
    std::vector<std::string> lines;
    {
        CapturedLog log;
        clock().advance(1500ms);
        ASSERT_TRUE(threads_ended());
        lines = log.lines();
    }
    EXPECT_EQ(lines, std::vector<std::string>{
                         "beatmatch monitor stopped: [App],num_decks: Mixxx did not answer"});
    EXPECT_EQ(spoken(), std::vector<std::string>{});

    // The slot keeps the flag: the user, who heard nothing, switches it off.
    mixxx->fail_all(std::nullopt);
    ASSERT_TRUE(beatmatch_monitor(context(), 1));
    EXPECT_EQ(spoken(), std::vector<std::string>{"Beatmatch monitor off"});
}
