#include "beatmatch/compare.h"

#include <algorithm>
#include <cmath>

namespace cuevoice {
namespace {

constexpr const char* snapshot_keys[] = {"track_loaded", "play", "bpm", "beat_distance", "volume"};
constexpr std::size_t keys_per_deck = std::size(snapshot_keys);

std::string deck_text(std::uint8_t deck) {
    return "Deck " + std::to_string(deck);
}

double fractional_part(double x) {
    return x - std::floor(x);
}

// Ties go to the later deck, which comes later in the list.
bool better_other(const DeckSnapshot& candidate, const DeckSnapshot& best) {
    if (candidate.playing != best.playing)
        return candidate.playing;
    return candidate.volume >= best.volume;
}

} // namespace

std::vector<ControlKey> beatmatch_controls(unsigned count) {
    std::vector<ControlKey> controls;
    for (unsigned n = 1; n <= count; ++n)
        for (const char* key : snapshot_keys)
            controls.emplace_back("[Channel" + std::to_string(n) + "]", key);
    return controls;
}

unsigned deck_count(double num_decks) {
    if (!(num_decks >= 1))
        return 1; // also a value that is not a number
    return static_cast<unsigned>(std::round(std::min(num_decks, 8.0)));
}

std::optional<DeckSnapshot> choose_other_deck(const std::vector<DeckSnapshot>& decks,
                                              std::uint8_t deck) {
    std::optional<DeckSnapshot> best;
    for (const DeckSnapshot& candidate : decks) {
        if (candidate.deck == deck || !candidate.loaded)
            continue;
        if (!best || better_other(candidate, *best))
            best = candidate;
    }
    return best;
}

double tempo_ratio(double this_bpm, double other_bpm) {
    auto distance = [&](double ratio) {
        return std::abs(std::log(this_bpm / (other_bpm * ratio)));
    };
    double ratio = 1;
    if (distance(2) < distance(1))
        ratio = 2;
    if (distance(0.5) < distance(ratio))
        ratio = 0.5;
    return ratio;
}

double beat_offset_ms(double a, double b, double ratio, double this_bpm, double other_bpm) {
    // Mixxx sends only numbers; a phase that is not one is read as on the beat.
    if (!std::isfinite(a))
        a = 0;
    if (!std::isfinite(b))
        b = 0;
    double reference = other_bpm;
    if (ratio == 2) {
        b = fractional_part(2 * b);
        reference = this_bpm;
    } else if (ratio == 0.5) {
        a = fractional_part(2 * a);
    }
    const double d = a - b;
    return (d - std::round(d)) * 60000 / reference;
}

BeatmatchResult compare_snapshots(const std::vector<DeckSnapshot>& decks, std::uint8_t deck) {
    auto found = std::find_if(decks.begin(), decks.end(),
                              [&](const DeckSnapshot& s) { return s.deck == deck; });
    if (found == decks.end())
        return BeatmatchMessage{deck_text(deck) + " does not exist"};
    const DeckSnapshot& self = *found;
    if (!self.loaded)
        return BeatmatchMessage{deck_text(deck) + " has no track loaded"};
    std::optional<DeckSnapshot> other = choose_other_deck(decks, deck);
    if (!other)
        return BeatmatchMessage{"No other deck has a track loaded"};
    // Not above 0 covers a value that is not a number too; an infinite tempo has no beats.
    if (!(self.bpm > 0) || !std::isfinite(self.bpm))
        return BeatmatchMessage{deck_text(deck) + " has no BPM"};
    if (!(other->bpm > 0) || !std::isfinite(other->bpm))
        return BeatmatchMessage{deck_text(other->deck) + " has no BPM"};

    Comparison comparison;
    comparison.other_deck = other->deck;
    comparison.this_playing = self.playing;
    comparison.other_playing = other->playing;
    comparison.ratio = tempo_ratio(self.bpm, other->bpm);
    comparison.difference = self.bpm - other->bpm * comparison.ratio;
    if (self.playing && other->playing)
        comparison.offset_ms = beat_offset_ms(self.beat_distance, other->beat_distance,
                                              comparison.ratio, self.bpm, other->bpm);
    return comparison;
}

BeatmatchResult compare_with_other_deck(MixxxLink& bridge, std::uint8_t deck) {
    Result<double> num_decks = get(bridge, "[App]", "num_decks", "value");
    if (!num_decks)
        return BeatmatchError{num_decks.error()};
    const unsigned count = deck_count(*num_decks);
    Result<std::vector<double>> values = get_many(bridge, beatmatch_controls(count));
    if (!values)
        return BeatmatchError{values.error()};
    std::vector<DeckSnapshot> decks;
    for (unsigned n = 1; n <= count; ++n) {
        const double* v = values->data() + (n - 1) * keys_per_deck;
        decks.push_back({.deck = static_cast<std::uint8_t>(n),
                         .loaded = v[0] != 0,
                         .playing = v[1] != 0,
                         .bpm = v[2],
                         .beat_distance = v[3],
                         .volume = v[4]});
    }
    return compare_snapshots(decks, deck);
}

} // namespace cuevoice
