// The beat-match comparison on its own: the deck counted against, the tempo ratio, the BPM
// difference and the beat offset, with the worked examples of the design.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "beatmatch/compare.h"
#include "fake_mixxx.h"

using namespace cuevoice;
using namespace cuevoice::test;

namespace {

DeckSnapshot snapshot(std::uint8_t deck, bool loaded, bool playing, double bpm = 120,
                      double beat_distance = 0, double volume = 1) {
    return {deck, loaded, playing, bpm, beat_distance, volume};
}

std::string described(const BeatmatchResult& result) {
    if (const auto* error = std::get_if<BeatmatchError>(&result))
        return "error: " + error->text;
    if (const auto* message = std::get_if<BeatmatchMessage>(&result))
        return "message: " + message->text;
    const Comparison& c = std::get<Comparison>(result);
    return "deck " + std::to_string(c.other_deck);
}

} // namespace

TEST(BeatmatchCompare, TheOtherDeckIsPlayingFirstThenLouderThenLater) {
    struct Case {
        const char* name;
        std::vector<DeckSnapshot> decks;
        int chosen; // 0: none
    };
    const Case cases[] = {
        {"playing beats paused although quieter",
         {snapshot(1, true, true), snapshot(2, true, false, 120, 0, 1),
          snapshot(3, true, true, 120, 0, 0.2)},
         3},
        {"louder of two playing",
         {snapshot(1, true, true), snapshot(2, true, true, 120, 0, 0.8),
          snapshot(3, true, true, 120, 0, 0.5)},
         2},
        {"louder of two paused",
         {snapshot(1, true, true), snapshot(2, true, false, 120, 0, 0.5),
          snapshot(3, true, false, 120, 0, 0.8)},
         3},
        {"equal volume: the later deck",
         {snapshot(1, true, true), snapshot(2, true, true, 120, 0, 0.7),
          snapshot(4, true, true, 120, 0, 0.7)},
         4},
        {"decks without a track do not count",
         {snapshot(1, true, true), snapshot(2, false, true), snapshot(3, true, false, 120, 0, 0)},
         3},
        {"this deck itself never", {snapshot(1, true, true), snapshot(2, false, false)}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<DeckSnapshot> other = choose_other_deck(c.decks, 1);
        EXPECT_EQ(other ? other->deck : 0, c.chosen);
    }
}

TEST(BeatmatchCompare, TheRatioIsTheOneThatBringsTheTemposClosest) {
    struct Case {
        double this_bpm, other_bpm, ratio;
    };
    const Case cases[] = {
        {128, 64, 2},  {126, 128, 1},  {64, 128, 0.5}, {100, 100, 1},
        {170, 90, 2},  {90, 170, 0.5}, {140, 100, 1}, // |ln 1.4| 0.34 < |ln 0.7| 0.36
        {142, 100, 2},                                // |ln 0.71| 0.34 < |ln 1.42| 0.35
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.this_bpm) + " against " + std::to_string(c.other_bpm));
        EXPECT_EQ(tempo_ratio(c.this_bpm, c.other_bpm), c.ratio);
    }
}

TEST(BeatmatchCompare, TheBeatOffsetIsTheNearestWayRoundInMilliseconds) {
    struct Case {
        const char* name;
        double a, b, ratio, this_bpm, other_bpm, offset;
    };
    const Case cases[] = {
        {"this deck ahead", 0.10, 0.05, 1, 120, 120, 25},
        {"behind", 0.05, 0.10, 1, 120, 120, -25},
        {"across the beat: ahead, not behind", 0.02, 0.97, 1, 120, 120, 25},
        {"across the beat the other way", 0.97, 0.02, 1, 120, 120, -25},
        {"reference is the other deck at ratio 1", 0.10, 0.05, 1, 126, 100, 30},
        {"double tempo: the other's phase doubled, this BPM", 0.3, 0.1, 2, 128, 64, 46.875},
        {"half tempo: this phase doubled, the other BPM", 0.3, 0.5, 0.5, 64, 128, 46.875},
        {"aligned", 0.4, 0.4, 1, 120, 120, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(beat_offset_ms(c.a, c.b, c.ratio, c.this_bpm, c.other_bpm), c.offset, 1e-9);
    }
    EXPECT_TRUE(std::isfinite(beat_offset_ms(std::nan(""), 0.5, 1, 120, 120)));
}

TEST(BeatmatchCompare, ComparisonsAndTheSentencesSpokenInTheirPlace) {
    struct Case {
        const char* name;
        std::vector<DeckSnapshot> decks;
        std::uint8_t deck;
        const char* outcome;
    };
    const Case cases[] = {
        {"a deck beyond the count",
         {snapshot(1, true, true), snapshot(2, true, true)},
         3,
         "message: Deck 3 does not exist"},
        {"this deck empty",
         {snapshot(1, false, false), snapshot(2, true, true)},
         1,
         "message: Deck 1 has no track loaded"},
        {"only this deck loaded",
         {snapshot(1, true, true), snapshot(2, false, false)},
         1,
         "message: No other deck has a track loaded"},
        {"this deck without BPM",
         {snapshot(1, true, true, 0), snapshot(2, true, true)},
         1,
         "message: Deck 1 has no BPM"},
        {"the other deck without BPM",
         {snapshot(1, true, true), snapshot(2, true, true, -3)},
         1,
         "message: Deck 2 has no BPM"},
        {"a BPM that is not a number",
         {snapshot(1, true, true), snapshot(2, true, true, std::nan(""))},
         1,
         "message: Deck 2 has no BPM"},
        {"compared", {snapshot(1, true, true), snapshot(2, true, true)}, 2, "deck 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(described(compare_snapshots(c.decks, c.deck)), c.outcome);
    }

    BeatmatchResult result = compare_snapshots(
        {snapshot(1, true, true, 126, 0.10), snapshot(2, true, false, 128, 0.05)}, 1);
    const Comparison& paused = std::get<Comparison>(result);
    EXPECT_EQ(paused.ratio, 1);
    EXPECT_DOUBLE_EQ(paused.difference, -2);
    EXPECT_TRUE(paused.this_playing);
    EXPECT_FALSE(paused.other_playing);
    EXPECT_FALSE(paused.offset_ms); // only when both play

    result = compare_snapshots({snapshot(1, true, true, 128.3), snapshot(2, true, true, 64)}, 1);
    const Comparison& doubled = std::get<Comparison>(result);
    EXPECT_EQ(doubled.ratio, 2);
    EXPECT_NEAR(doubled.difference, 0.3, 1e-9);
    ASSERT_TRUE(doubled.offset_ms);
}

TEST(BeatmatchCompare, TheDeckCountIsRoundedAndHeldToOneToEight) {
    const std::pair<double, unsigned> cases[] = {{4, 4},  {2.6, 3}, {300, 8},         {0, 1},
                                                 {-1, 1}, {1, 1},   {std::nan(""), 1}};
    for (auto [read, count] : cases)
        EXPECT_EQ(deck_count(read), count) << read;
}

TEST(BeatmatchCompare, OneRequestReadsEveryDecksSnapshot) {
    FakeMixxx mixxx;
    mixxx.put("[App]", "num_decks", 2);
    for (const char* group : {"[Channel1]", "[Channel2]"})
        for (const char* key : {"track_loaded", "play", "bpm", "beat_distance", "volume"})
            mixxx.put(group, key, 1);
    mixxx.put("[Channel2]", "bpm", 64);
    mixxx.put("[Channel1]", "bpm", 128);

    BeatmatchResult result = compare_with_other_deck(mixxx, 1);
    ASSERT_EQ(described(result), "deck 2");
    EXPECT_EQ(std::get<Comparison>(result).ratio, 2);
    const std::vector<json> sent = mixxx.messages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0]["key"], "num_decks");
    EXPECT_EQ(sent[1], json::parse(R"({"cmd":"getmany","controls":[
        ["[Channel1]","track_loaded"],["[Channel1]","play"],["[Channel1]","bpm"],
        ["[Channel1]","beat_distance"],["[Channel1]","volume"],
        ["[Channel2]","track_loaded"],["[Channel2]","play"],["[Channel2]","bpm"],
        ["[Channel2]","beat_distance"],["[Channel2]","volume"]]})"));

    mixxx.put("[App]", "num_decks", 3); // a third deck Mixxx does not answer for
    EXPECT_EQ(described(compare_with_other_deck(mixxx, 1)),
              "error: unknown control [Channel3],track_loaded");
    mixxx.fail_control("[App]", "num_decks", "boom");
    EXPECT_EQ(described(compare_with_other_deck(mixxx, 1)), "error: [App],num_decks: boom");
}
