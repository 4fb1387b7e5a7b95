#include "announcer/time_warnings.h"

#include <chrono>
#include <cmath>
#include <limits>

#include "announcer/deck_count.h"
#include "common/capitalize.h"
#include "common/clock.h"
#include "speech/speech.h"

namespace cuevoice {
namespace {

constexpr double minute = 60;
// A warning is given again only when the time left has grown by more than this since it was
// given: after a seek back or a new, longer track, not after the small jitter of playing.
constexpr double rearm_margin = 20;
constexpr std::size_t controls_per_deck = 5;

std::uint32_t clamped_seconds(double seconds) {
    if (std::isnan(seconds) || seconds <= 0)
        return 0;
    if (seconds >= static_cast<double>(std::numeric_limits<std::uint32_t>::max()))
        return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(seconds);
}

} // namespace

std::vector<ControlKey> time_warning_controls(std::uint8_t deck_count) {
    std::vector<ControlKey> controls;
    for (unsigned deck = 1; deck <= deck_count; ++deck) {
        const std::string group = "[Channel" + std::to_string(deck) + "]";
        for (const char* key : {"track_loaded", "play", "volume", "time_remaining", "end_of_track"})
            controls.emplace_back(group, key);
    }
    return controls;
}

std::uint32_t warning_seconds(double remaining) {
    if (remaining >= 10)
        return clamped_seconds(std::round(remaining / 5) * 5);
    const std::uint32_t seconds = clamped_seconds(std::round(remaining));
    return seconds < 1 ? 1 : seconds;
}

std::string seconds_left_text(std::uint32_t seconds) {
    if (seconds == 1)
        return "1 second left";
    return std::to_string(seconds) + " seconds left";
}

std::optional<std::string> advance_deck_time(DeckTimeState& state, const DeckTimeReading& reading) {
    const double remaining = reading.remaining;
    if (reading.track_loaded == 0) {
        state.was_playing = false;
        state.minute_warned = false;
        state.seconds_warned = false;
        return std::nullopt;
    }
    if (state.minute_warned && remaining > state.minute_warned_at + rearm_margin)
        state.minute_warned = false;
    if (state.seconds_warned && remaining > state.seconds_warned_at + rearm_margin)
        state.seconds_warned = false;
    if (reading.play == 0) {
        state.was_playing = false;
        return std::nullopt;
    }
    const bool played_before = state.was_playing;
    const double remaining_before = state.previous_remaining;
    state.was_playing = true;
    state.previous_remaining = remaining;

    // A silent deck needs no warning; "not above 0" also holds for a value that is no number.
    if (!(reading.volume > 0) || !(remaining > 0))
        return std::nullopt;
    if (reading.end_of_track != 0 && !state.seconds_warned) {
        state.seconds_warned = true;
        state.seconds_warned_at = remaining;
        // So short a track needs no minute warning after this one.
        if (!state.minute_warned) {
            state.minute_warned = true;
            state.minute_warned_at = remaining;
        }
        return seconds_left_text(warning_seconds(remaining));
    }
    if (!state.minute_warned && played_before && remaining <= minute && remaining_before > minute) {
        state.minute_warned = true;
        state.minute_warned_at = remaining;
        return "one minute left";
    }
    return std::nullopt;
}

std::string time_warning_phrase(std::uint8_t current_deck, std::uint8_t deck,
                                const std::string& text) {
    if (deck == current_deck)
        return capitalize_first(text);
    return "Deck " + std::to_string(deck) + ", " + text;
}

bool poll_time_warnings(Context& context, DeckTimeStates& states) {
    Result<double> count = get(*context.bridge, "[App]", "num_decks", "value");
    if (!count)
        return false;
    const std::uint8_t decks = count_from_value(*count);
    Result<std::vector<double>> values = get_many(*context.bridge, time_warning_controls(decks));
    if (!values || values->size() != decks * controls_per_deck)
        return true;
    for (unsigned deck = 1; deck <= decks; ++deck) {
        const double* v = values->data() + (deck - 1) * controls_per_deck;
        const DeckTimeReading reading{v[0], v[1], v[2], v[3], v[4]};
        const auto number = static_cast<std::uint8_t>(deck);
        std::optional<std::string> text = advance_deck_time(states[number], reading);
        // With announcements off the warning is used up all the same.
        if (text && context.announce.load())
            say_queued(context.speech, time_warning_phrase(context.deck.load(), number, *text));
    }
    return true;
}

void run_time_warnings(SharedContext context) {
    DeckTimeStates states;
    do {
        context->clock.sleep_for(std::chrono::seconds(1));
    } while (poll_time_warnings(*context, states));
}

} // namespace cuevoice
