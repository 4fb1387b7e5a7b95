// Tap tempo with its delayed report, and the spoken offset of the play position from the beat.
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "beat_tools.h"
#include "beatgrid/grid_offset.h"
#include "beatgrid/tap_tempo.h"

using namespace cuevoice;
using namespace cuevoice::test;
using namespace std::chrono_literals;

namespace {

class Tap : public BeatToolsTest {
protected:
    Tap() {
        for (int deck = 1; deck <= 2; ++deck) {
            const std::string group = "[Channel" + std::to_string(deck) + "]";
            mixxx->put(group, "track_loaded", 1);
            mixxx->put(group, "bpm_tap", 0);
            mixxx->put(group, "file_bpm", 100 + deck * 10);
        }
    }
};

} // namespace

TEST_F(Tap, ThreeTapsHalfASecondApartGiveOneReportOneAndAHalfSecondsAfterTheLast) {
    for (std::size_t tap = 1; tap <= 3; ++tap) {
        ASSERT_TRUE(beatgrid_tap(context(), 1));
        EXPECT_EQ(sets(), (std::vector<SetRequest>{{"[Channel1]", "bpm_tap", 1},
                                                   {"[Channel1]", "bpm_tap", 0}}));
        wait_for_sleeps(tap);
        if (tap < 3)
            clock().advance(500ms);
    }
    EXPECT_EQ(spoken(), std::vector<std::string>{}); // nothing while tapping

    clock().advance(1000ms); // the first two reports wake, find a later tap, and end
    ASSERT_TRUE(eventually([&] { return mixxx.use_count() == 3; }));
    clock().advance(400ms);
    EXPECT_EQ(spoken(), std::vector<std::string>{});
    clock().advance(100ms); // 1.5 s after the third tap
    EXPECT_EQ(next_spoken(), "tapped 110.00 BPM");
    EXPECT_TRUE(threads_ended());
    EXPECT_EQ(clock().sleeps(), (std::vector<ManualClock::duration>(3, 1500ms)));
}

TEST_F(Tap, ALaterTapOnAnotherDeckSilencesTheEarlierReport) {
    ASSERT_TRUE(beatgrid_tap(context(), 1));
    wait_for_sleeps(1);
    clock().advance(1000ms);
    ASSERT_TRUE(beatgrid_tap(context(), 2));
    wait_for_sleeps(2);
    clock().advance(1500ms);
    EXPECT_EQ(next_spoken(), "tapped 120.00 BPM");
    EXPECT_TRUE(threads_ended());
    EXPECT_EQ(spoken(), std::vector<std::string>{});
}

TEST_F(Tap, ATrackWithoutBpmReportsNoBpmAndAFailedReadReportsNothing) {
    mixxx->put("[Channel1]", "file_bpm", 0);
    ASSERT_TRUE(beatgrid_tap(context(), 1));
    wait_for_sleeps(1);
    clock().advance(1500ms);
    EXPECT_EQ(next_spoken(), "tapped no BPM");
    ASSERT_TRUE(threads_ended());

    mixxx->fail_control("[Channel2]", "file_bpm", "boom");
    ASSERT_TRUE(beatgrid_tap(context(), 2));
    wait_for_sleeps(2);
    clock().advance(1500ms);
    EXPECT_TRUE(threads_ended());
    EXPECT_EQ(spoken(), std::vector<std::string>{});
}

TEST_F(Tap, WithoutATrackNothingIsTappedAndNoReportFollows) {
    mixxx->put("[Channel1]", "track_loaded", 0);
    Result<void> tapped = beatgrid_tap(context(), 1);
    ASSERT_FALSE(tapped);
    EXPECT_EQ(tapped.error(), "no track loaded");
    EXPECT_EQ(sets(), std::vector<SetRequest>{});
    EXPECT_FALSE(context().beat_grid->state.last_tap);
    EXPECT_TRUE(threads_ended());
}

TEST(GridOffsetText, TheNearerBeatIsSpokenInWholeMilliseconds) {
    struct Case {
        double bpm;
        double beat_distance;
        const char* text;
    };
    const Case cases[] = {
        {120, 0.01, "5 milliseconds after the beat"},  // beat 500 ms: 5 after, 495 before
        {120, 0.003, "On the beat"},                   // 1.5 ms after
        {60, 0.002, "On the beat"},                    // 2 ms: still on it
        {60, 0.0025, "3 milliseconds after the beat"}, // 2.5 ms rounds up
        {120, 0.99, "5 milliseconds before the beat"},
        {120, 0.5, "250 milliseconds after the beat"}, // halfway counts as after
        {120, 0.0, "On the beat"},
        {120, 1.0, "On the beat"},
        {128, 0.2, "94 milliseconds after the beat"},     // 93.75 rounds up
        {120, -0.25, "125 milliseconds before the beat"}, // read as 0.75 of the beat
        {120, 3.01, "5 milliseconds after the beat"},
        {0, 0.3, "This track has no beat grid"},
        {-120, 0.3, "This track has no beat grid"},
        {std::nan(""), 0.3, "This track has no beat grid"},
        {120, std::nan(""), "On the beat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bpm) + " " + std::to_string(c.beat_distance));
        EXPECT_EQ(grid_offset_text(c.bpm, c.beat_distance), c.text);
    }
}

TEST_F(Tap, GridOffsetReadsTheDeckAndSaysItsText) {
    mixxx->put("[Channel2]", "file_bpm", 120);
    mixxx->put("[Channel2]", "beat_distance", 0.01);
    ASSERT_TRUE(say_grid_offset(context(), 2));
    EXPECT_EQ(spoken(), std::vector<std::string>{"5 milliseconds after the beat"});
    std::vector<std::string> read;
    for (const json& message : mixxx->messages())
        read.push_back(message["group"].get<std::string>() + message["key"].get<std::string>());
    EXPECT_EQ(read, (std::vector<std::string>{"[Channel2]track_loaded", "[Channel2]file_bpm",
                                              "[Channel2]beat_distance"}));

    mixxx->put("[Channel2]", "file_bpm", 0);
    ASSERT_TRUE(say_grid_offset(context(), 2));
    EXPECT_EQ(spoken(), std::vector<std::string>{"This track has no beat grid"});

    // beat_distance was never made known: Mixxx's answer for it is the error.
    Result<void> failed = say_grid_offset(context(), 1);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "[Channel1],beat_distance: unknown control");

    mixxx->put("[Channel1]", "track_loaded", 0);
    failed = say_grid_offset(context(), 1);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "no track loaded");
    EXPECT_EQ(spoken(), std::vector<std::string>{});
}
