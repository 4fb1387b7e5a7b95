// An action's road to Mixxx without a socket or a real wait: the toggle's read, write, 150-ms
// pause and re-read, answered from a table on a clock that moves only as the action sleeps.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bridge/typed_requests.h"
#include "fake_mixxx.h"
#include "manual_clock.h"

using namespace cuevoice;
using namespace cuevoice::test;
using namespace std::chrono_literals;

namespace {

// The toggle's requests in miniature: the value read, its opposite written, and the value read
// again once Mixxx has had time to act on it.
Result<double> toggle_sequence(MixxxLink& mixxx, Clock& clock, const std::string& group,
                               const std::string& key) {
    Result<double> before = get(mixxx, group, key, "value");
    if (!before)
        return Error{before.error()};
    Result<double> written = set(mixxx, group, key, "value", *before != 0 ? 0.0 : 1.0);
    if (!written)
        return Error{written.error()};
    clock.sleep_for(150ms);
    return get(mixxx, group, key, "value");
}

json get_request(const std::string& group, const std::string& key) {
    return {{"cmd", "get"}, {"group", group}, {"key", key}, {"prop", "value"}};
}

json set_request(const std::string& group, const std::string& key, double value) {
    return {{"cmd", "set"}, {"group", group}, {"key", key}, {"prop", "value"}, {"value", value}};
}

} // namespace

TEST(ToggleSequence, ReadsWritesTheOppositeWaits150MsAndReadsAgain) {
    for (double start : {0.0, 1.0}) {
        SCOPED_TRACE(start);
        FakeMixxx mixxx;
        mixxx.put("[Channel1]", "play", start);
        ManualClock clock(ManualClock::Sleeping::advances_time);

        Result<double> after = toggle_sequence(mixxx, clock, "[Channel1]", "play");

        ASSERT_TRUE(after) << after.error();
        EXPECT_EQ(*after, 1.0 - start);
        EXPECT_EQ(mixxx.value("[Channel1]", "play"), 1.0 - start);
        EXPECT_EQ(mixxx.messages(),
                  (std::vector<json>{get_request("[Channel1]", "play"),
                                     set_request("[Channel1]", "play", 1.0 - start),
                                     get_request("[Channel1]", "play")}));
        for (const FakeMixxx::SentRequest& sent : mixxx.requests())
            EXPECT_EQ(sent.wait_seconds, 3);
        EXPECT_EQ(clock.elapsed(), 150ms);
        EXPECT_EQ(clock.sleeps(), std::vector<ManualClock::duration>{150ms});
    }
}

TEST(ToggleSequence, AControlThatIgnoresTheWriteReadsBackUnchanged) {
    FakeMixxx mixxx;
    mixxx.put("[Channel1]", "sync_leader", 0);
    mixxx.ignore_sets("[Channel1]", "sync_leader");
    ManualClock clock(ManualClock::Sleeping::advances_time);

    Result<double> after = toggle_sequence(mixxx, clock, "[Channel1]", "sync_leader");

    ASSERT_TRUE(after) << after.error();
    EXPECT_EQ(*after, 0.0);
    EXPECT_EQ(mixxx.messages().size(), 3u);
    EXPECT_EQ(clock.elapsed(), 150ms);
}

TEST(ToggleSequence, FailuresNameTheControlAndStopTheSequence) {
    struct Case {
        const char* name;
        void (*arrange)(FakeMixxx&);
        std::string error;
        std::vector<json> sent;
        ManualClock::duration waited;
    };
    const std::vector<Case> cases = {
        {"unknown control",
         [](FakeMixxx&) {},
         "[Channel1],play: unknown control",
         {get_request("[Channel1]", "play")},
         0ms},
        {"no answer",
         [](FakeMixxx& mixxx) {
             mixxx.put("[Channel1]", "play", 0);
             mixxx.fail_all("Mixxx did not answer");
         },
         "[Channel1],play: Mixxx did not answer",
         {get_request("[Channel1]", "play")},
         0ms},
        {"refused control",
         [](FakeMixxx& mixxx) {
             mixxx.put("[Channel1]", "play", 0);
             mixxx.fail_control("[Channel1]", "play", "control is read-only");
         },
         "[Channel1],play: control is read-only",
         {get_request("[Channel1]", "play")},
         0ms},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMixxx mixxx;
        c.arrange(mixxx);
        ManualClock clock(ManualClock::Sleeping::advances_time);

        Result<double> after = toggle_sequence(mixxx, clock, "[Channel1]", "play");

        ASSERT_FALSE(after);
        EXPECT_EQ(after.error(), c.error);
        EXPECT_EQ(mixxx.messages(), c.sent);
        EXPECT_EQ(clock.elapsed(), c.waited);
    }
}

// The other typed requests read the table's answers as they read the plug-in's.
TEST(FakeMixxxReplies, FitTheTypedRequests) {
    FakeMixxx mixxx;
    mixxx.put("[Channel1]", "bpm", 128);
    mixxx.put("[Channel2]", "bpm", 174.5);
    mixxx.put("[Channel1]", "rate", 0.25, "parameter");
    mixxx.select_track({{"artist", "Someone"}, {"title", "Something"}}, 4, 20, 1);
    mixxx.add_effect("org.mixxx.effects.echo", "Echo");
    mixxx.add_effect("org.mixxx.effects.metronome", "Metronome");

    Result<std::vector<double>> bpms =
        get_many(mixxx, {{"[Channel1]", "bpm"}, {"[Channel2]", "bpm"}});
    ASSERT_TRUE(bpms) << bpms.error();
    EXPECT_EQ(*bpms, (std::vector<double>{128, 174.5}));
    Result<std::vector<double>> missing =
        get_many(mixxx, {{"[Channel1]", "bpm"}, {"[Channel9]", "bpm"}});
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "unknown control [Channel9],bpm");

    Result<double> rate = get(mixxx, "[Channel1]", "rate", "parameter");
    ASSERT_TRUE(rate) << rate.error();
    EXPECT_EQ(*rate, 0.25);

    Result<SelectedTrack> track = selected_track(mixxx);
    ASSERT_TRUE(track) << track.error();
    EXPECT_EQ(track->fields.at("title"), "Something");
    EXPECT_EQ(track->fields.size(), 2u);
    EXPECT_EQ(track->row, 4u);
    EXPECT_EQ(track->rows, 20u);
    EXPECT_EQ(track->selected, 1u);

    Result<std::string> name = effect_name(mixxx, 1);
    ASSERT_TRUE(name) << name.error();
    EXPECT_EQ(*name, "Echo");
    Result<std::string> none = effect_name(mixxx, 3);
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error(), "no effect with index 3");
    Result<std::int64_t> metronome = metronome_index(mixxx);
    ASSERT_TRUE(metronome) << metronome.error();
    EXPECT_EQ(*metronome, 2);

    WatchedValues table;
    watch(mixxx, "[Channel2]", "bpm", table);
    watch(mixxx, "[Channel9]", "bpm", table);
    EXPECT_EQ(table, (WatchedValues{{{"[Channel2]", "bpm"}, 174.5}}));
}
