#pragma once
// The time warnings: once a second, how much time a playing deck has left, spoken once at a
// minute and once when Mixxx raises the end-of-track flag.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bridge/typed_requests.h"
#include "context/context.h"

namespace cuevoice {

struct DeckTimeState {
    bool was_playing = false;      // the deck played at the previous poll
    double previous_remaining = 0; // seconds left at the previous poll while playing
    bool minute_warned = false;
    double minute_warned_at = 0;
    bool seconds_warned = false;
    double seconds_warned_at = 0;
};

using DeckTimeStates = std::map<std::uint8_t, DeckTimeState>;

// What one poll reads of a deck.
struct DeckTimeReading {
    double track_loaded = 0;
    double play = 0;
    double volume = 0;
    double remaining = 0;
    double end_of_track = 0;
};

// "track_loaded", "play", "volume", "time_remaining" and "end_of_track" of each deck, decks in
// ascending order.
std::vector<ControlKey> time_warning_controls(std::uint8_t deck_count);

// The seconds spoken for the end-of-track warning: steps of 5 from 10 s up, else whole seconds,
// never below 1.
std::uint32_t warning_seconds(double remaining);

// "1 second left", "30 seconds left".
std::string seconds_left_text(std::uint32_t seconds);

// Moves one deck's state on by one poll; the warning due, without the deck in front of it.
std::optional<std::string> advance_deck_time(DeckTimeState& state, const DeckTimeReading& reading);

// The warning as spoken: raised on the current deck, else "Deck 2, " in front of it.
std::string time_warning_phrase(std::uint8_t current_deck, std::uint8_t deck,
                                const std::string& text);

// One poll after the pause: false when the deck count cannot be read, which ends the warnings.
bool poll_time_warnings(Context& context, DeckTimeStates& states);

// The body of the thread "time-warnings": a poll each second until the link is gone.
void run_time_warnings(SharedContext context);

} // namespace cuevoice
