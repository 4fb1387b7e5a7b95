#pragma once
// The comparison behind beat matching: this deck against the best other deck, in tempo (with
// double and half tempo allowed) and, when both play, in beat phase.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"

namespace cuevoice {

struct DeckSnapshot {
    std::uint8_t deck = 0;
    bool loaded = false;
    bool playing = false;
    double bpm = 0;
    double beat_distance = 0;
    double volume = 0;
};

struct BeatmatchError {
    std::string text;
};

// A complete sentence to speak in place of a comparison ("Deck 2 has no BPM").
struct BeatmatchMessage {
    std::string text;
};

struct Comparison {
    std::uint8_t other_deck = 0;
    bool this_playing = false;
    bool other_playing = false;
    double ratio = 1;      // 0.5, 1 or 2: this deck's tempo against the other's
    double difference = 0; // this BPM minus the other BPM times the ratio
    // Milliseconds, positive when this deck is ahead; only when both decks play.
    std::optional<double> offset_ms;
};

using BeatmatchResult = std::variant<BeatmatchError, BeatmatchMessage, Comparison>;

// Reads the deck count and every deck's snapshot in one request, then compares.
BeatmatchResult compare_with_other_deck(MixxxLink& bridge, std::uint8_t deck);

// The controls of the snapshots of decks 1 to `count`: five per deck, in deck order.
std::vector<ControlKey> beatmatch_controls(unsigned count);

// Deck count as read from "[App]" "num_decks": rounded and held to 1 to 8.
unsigned deck_count(double num_decks);

// The comparison once the snapshots are read.
BeatmatchResult compare_snapshots(const std::vector<DeckSnapshot>& decks, std::uint8_t deck);

// Among the loaded other decks: a playing one before a paused one, then the louder, then the
// later.
std::optional<DeckSnapshot> choose_other_deck(const std::vector<DeckSnapshot>& decks,
                                              std::uint8_t deck);

// 2 or 0.5 when it brings the tempos closer (by |ln| of their quotient) than 1 does; both
// tempos above 0.
double tempo_ratio(double this_bpm, double other_bpm);

// The phase offset in milliseconds of this deck (beat distance a) against the other (b).
double beat_offset_ms(double a, double b, double ratio, double this_bpm, double other_bpm);

} // namespace cuevoice
