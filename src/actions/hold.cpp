#include "actions/hold.h"

#include <chrono>
#include <optional>
#include <variant>

#include "actions/say_value.h"
#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "common/clock.h"
#include "config/key_chord.h"
#include "context/deck_filling.h"
#include "context/muted_control.h"

namespace cuevoice {
namespace {

using namespace std::chrono_literals;

constexpr auto longest_hold = 30s;
constexpr int release_retries = 3;

} // namespace

Result<void> hold(Context& context, std::string_view key_text, const HoldAction& action,
                  std::uint8_t deck, const KeyIsDown& key_is_down) {
    MixxxLink& link = *context.bridge;
    Clock& clock = context.clock;
    auto [group, key] = control_for_deck(action.target, deck);
    Result<KeyChord> chord = parse_key_chord(key_text);
    const Instant start = clock.now();

    // A loop roll switches the loop on and off; the user hears the roll, not the loop.
    const bool loop_roll = key.size() >= 12 && key.starts_with("beatlooproll");
    if (loop_roll)
        mute_loop_enabled(context, group, start + longest_hold);

    Result<double> pressed = set(link, group, key, "value", 1.0);
    if (!pressed)
        return Error{pressed.error()};
    clock.sleep_for(30ms);

    if (chord) {
        while (key_is_down(chord->vk) && clock.now() - start < longest_hold)
            clock.sleep_for(15ms);
    }

    Result<double> released = set(link, group, key, "value", 0.0);
    for (int retry = 0; !released && retry < release_retries; ++retry) {
        clock.sleep_for(200ms);
        released = set(link, group, key, "value", 0.0);
    }
    if (loop_roll)
        mute_loop_enabled(context, group, clock.now() + 500ms);
    if (!released)
        return Error{released.error()};

    if (action.report) {
        clock.sleep_for(50ms);
        return say_control_value(context, *action.report, deck);
    }
    return {};
}

Result<void> hold(Context& context, std::string_view key_text, const BoundAction& bound,
                  std::uint8_t deck, const KeyIsDown& key_is_down) {
    return hold(context, key_text, std::get<HoldAction>(bound.action), deck, key_is_down);
}

} // namespace cuevoice
