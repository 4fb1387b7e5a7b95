// The watch list subscribed at start, the counts it is built from, and the group parsers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "announcer/deck_count.h"
#include "announcer/group_parsers.h"
#include "announcer/watch_list.h"
#include "bench.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

Lines deck_watches(int deck) {
    const std::string group = "[Channel" + std::to_string(deck) + "]";
    Lines lines;
    for (const char* key : {"play", "sync_enabled", "pfl", "keylock", "loop_enabled",
                            "track_loaded", "peak_indicator"})
        lines.push_back("watch " + group + " " + key);
    for (int i = 1; i <= 16; ++i)
        lines.push_back("watch " + group + " hotcue_" + std::to_string(i) + "_status");
    return lines;
}

const Lines fixed_watches = {
    "watch [AutoDJ] enabled",   "watch [Recording] status",    "watch [Shoutcast] enabled",
    "watch [Shoutcast] status", "watch [Microphone] talkover", "watch [Main] peak_indicator",
};

Lines concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Every control the watch list can name, on decks and samplers up to 4.
void know_everything(FakeMixxx& mixxx) {
    for (int deck = 1; deck <= 4; ++deck) {
        const std::string group = "[Channel" + std::to_string(deck) + "]";
        for (const std::string& key : deck_watch_keys())
            mixxx.put(group, key, 0);
        mixxx.put("[Sampler" + std::to_string(deck) + "]", "play", 0);
    }
    for (auto [group, key] : {std::pair{"[AutoDJ]", "enabled"},
                              {"[Recording]", "status"},
                              {"[Shoutcast]", "enabled"},
                              {"[Shoutcast]", "status"},
                              {"[Microphone]", "talkover"},
                              {"[Main]", "peak_indicator"}})
        mixxx.put(group, key, 0);
}

TEST(CountFromValue, RoundsHalvesAwayFromZeroAndHoldsToAByte) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, unsigned> cases[] = {
        {0, 0},     {1, 1},       {2.5, 3},   {2.49, 2}, {3.5, 4},   {-0.5, 0}, {-3, 0},
        {255, 255}, {255.4, 255}, {300, 255}, {nan, 0},  {inf, 255}, {-inf, 0}, {1e300, 255},
    };
    for (auto [value, count] : cases)
        EXPECT_EQ(count_from_value(value), count) << value;
}

TEST(GroupParsers, TakeDigitsWithOnePlusUpTo255) {
    using Parsed = std::optional<std::uint8_t>;
    const std::pair<const char*, Parsed> channels[] = {
        {"[Channel1]", 1},    {"[Channel12]", 12},   {"[Channel+3]", 3},
        {"[Channel007]", 7},  {"[Channel255]", 255}, {"[Channel0]", 0},
        {"[Channel256]", {}}, {"[Channel]", {}},     {"[Channel+]", {}},
        {"[Channel-1]", {}},  {"[Channel++1]", {}},  {"[Channel1a]", {}},
        {"[Channel 1]", {}},  {"[Channel1", {}},     {"Channel1]", {}},
        {"[channel1]", {}},   {"[Sampler1]", {}},    {"", {}},
    };
    for (auto [group, deck] : channels)
        EXPECT_EQ(parse_channel_group(group), deck) << group;

    EXPECT_EQ(parse_sampler_group("[Sampler12]"), Parsed(12));
    EXPECT_EQ(parse_sampler_group("[Sampler+2]"), Parsed(2));
    EXPECT_EQ(parse_sampler_group("[Sampler]"), Parsed());
    EXPECT_EQ(parse_sampler_group("[Sampler999]"), Parsed());
    EXPECT_EQ(parse_sampler_group("[Channel1]"), Parsed());

    const std::pair<const char*, Parsed> keys[] = {
        {"hotcue_1_status", 1},    {"hotcue_16_status", 16},  {"hotcue_+4_status", 4},
        {"hotcue__status", {}},    {"hotcue_+_status", {}},   {"hotcue_x_status", {}},
        {"hotcue_1_position", {}}, {"hotcue_300_status", {}}, {"hotcue_1_statu", {}},
    };
    for (auto [key, hotcue] : keys)
        EXPECT_EQ(parse_hotcue_status_key(key), hotcue) << key;
}

TEST(WatchStartupControls, WatchesTheDeckCountFirstThenDecksSamplersAndTheFixedPairs) {
    Bench bench;
    know_everything(bench.mixxx);
    bench.mixxx.put("[App]", "num_decks", 2);
    bench.mixxx.put("[App]", "num_samplers", 1.6); // rounds to 2
    bench.mixxx.put("[Channel2]", "pfl", 1);
    bench.mixxx.put("[Recording]", "status", 2);

    WatchedValues table = watch_startup_controls(*bench.link);

    EXPECT_EQ(bench.watches(), concat({{"watch [App] num_decks"},
                                       deck_watches(1),
                                       deck_watches(2),
                                       {"watch [Sampler1] play", "watch [Sampler2] play"},
                                       fixed_watches}));
    Lines lines = bench.request_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "get [App] num_decks"); // read before anything is watched
    // Every watched control carries its current value.
    EXPECT_EQ(table.size(), 1u + 2 * 23 + 2 + 6);
    EXPECT_EQ(table.at({"[App]", "num_decks"}), 2.0);
    EXPECT_EQ(table.at({"[Channel2]", "pfl"}), 1.0);
    EXPECT_EQ(table.at({"[Recording]", "status"}), 2.0);
    EXPECT_EQ(table.count({"[Channel3]", "play"}), 0u);
}

TEST(WatchStartupControls, UnreadableCountsMeanFourDecksAndNoSamplers) {
    Bench bench;
    know_everything(bench.mixxx);
    bench.mixxx.fail_control("[App]", "num_decks", "unknown control");
    bench.mixxx.fail_control("[App]", "num_samplers", "unknown control");
    bench.mixxx.fail_control("[Shoutcast]", "status", "unknown control");

    WatchedValues table = watch_startup_controls(*bench.link);

    EXPECT_EQ(bench.watches(), concat({{"watch [App] num_decks"},
                                       deck_watches(1),
                                       deck_watches(2),
                                       deck_watches(3),
                                       deck_watches(4),
                                       fixed_watches}));
    // A watch that failed leaves its control out of the table; the others are in.
    EXPECT_EQ(table.count({"[App]", "num_decks"}), 0u);
    EXPECT_EQ(table.count({"[Shoutcast]", "status"}), 0u);
    EXPECT_EQ(table.size(), 4u * 23 + 5);
}

TEST(WatchStartupControls, CountsMixxxNeverSendsGiveABoundedList) {
    Bench bench;
    know_everything(bench.mixxx);
    bench.mixxx.put("[App]", "num_decks", -2);
    bench.mixxx.put("[App]", "num_samplers", 2.4);
    watch_startup_controls(*bench.link);
    EXPECT_EQ(bench.watches(), concat({{"watch [App] num_decks"},
                                       {"watch [Sampler1] play", "watch [Sampler2] play"},
                                       fixed_watches}));
}

TEST(BuildWatchList, WatchesTheRangeInOrderAndNothingForAnEmptyOne) {
    Bench bench;
    know_everything(bench.mixxx);
    WatchedValues table;
    build_watch_list(*bench.link, 3, 2, table);
    EXPECT_TRUE(bench.watches().empty());
    build_watch_list(*bench.link, 3, 4, table);
    EXPECT_EQ(bench.watches(), concat({deck_watches(3), deck_watches(4)}));
    EXPECT_EQ(table.size(), 2u * 23);
}

} // namespace
} // namespace cuevoice::test
