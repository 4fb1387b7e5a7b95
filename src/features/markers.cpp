#include "features/markers.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <utility>

#include "bridge/typed_requests.h"
#include "common/clock.h"
#include "context/value_format.h"
#include "features/press_control.h"

namespace cuevoice {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view activate_suffix = "_activate";

bool is_activate(std::string_view control) {
    return control.ends_with(activate_suffix);
}

std::string deck_group(std::uint8_t deck) {
    return "[Channel" + std::to_string(deck) + "]";
}

// Mixxx reports an unset marker as -1; without a sample rate no position means anything.
bool marker_is_set(double samplerate, double position) {
    return samplerate > 0 && position != -1;
}

} // namespace

std::string marker_time_text(double position, double samplerate) {
    // Positions count the samples of both stereo channels. NaN and negatives give 0:00.
    if (!(samplerate > 0))
        return time_text(0);
    return time_text(std::max(position / samplerate / 2, 0.0));
}

std::optional<MarkerRecord> marker_to_remember(std::string_view control, std::string_view label,
                                               std::uint8_t deck) {
    if (is_activate(control)) {
        std::string base(control.substr(0, control.size() - activate_suffix.size()));
        return MarkerRecord{base + "_clear", std::string(label), deck};
    }
    if (control == "loop_in" || control == "loop_out")
        return MarkerRecord{"loop_remove", "loop", deck};
    return std::nullopt;
}

Result<void> marker(Context& context, const MarkerAction& action, std::uint8_t deck) {
    MixxxLink& link = *context.bridge;
    const std::string group = deck_group(deck);
    Result<double> loaded = get(link, group, "track_loaded", "value");
    if (!loaded)
        return Error{loaded.error()};
    if (*loaded == 0)
        return Error{"no track loaded"};
    Result<double> samplerate = get(link, group, "track_samplerate", "value");
    if (!samplerate)
        return Error{samplerate.error()};
    Result<double> before = get(link, group, action.report, "value");
    if (!before)
        return Error{before.error()};

    if (Result<void> pressed = press_control(link, context.clock, group, action.control); !pressed)
        return pressed;
    // Mixxx moves the marker in its engine; the new position shows a moment later.
    context.clock.sleep_for(80ms);
    Result<double> after = get(link, group, action.report, "value");
    if (!after)
        return Error{after.error()};

    const bool was_set = marker_is_set(*samplerate, *before);
    const bool is_set = marker_is_set(*samplerate, *after);
    std::string text;
    if (!is_set) {
        text = action.label + " not set";
    } else {
        const std::string time = marker_time_text(*after, *samplerate);
        if (!is_activate(action.control))
            text = action.label + " " + time;
        else if (was_set)
            text = "jumped to " + action.label + ", " + time;
        else
            text = action.label + " set at " + time;
    }
    say(context.speech, std::move(text));

    if (is_set) {
        if (std::optional<MarkerRecord> record =
                marker_to_remember(action.control, action.label, deck)) {
            std::lock_guard lock(context.last_marker.mutex);
            context.last_marker.value = std::move(record);
        }
    }
    return {};
}

Result<void> clear_marker(Context& context) {
    std::optional<MarkerRecord> record;
    {
        std::lock_guard lock(context.last_marker.mutex);
        record = std::exchange(context.last_marker.value, std::nullopt);
    }
    if (!record) {
        say(context.speech, "No marker to clear. Set or jump to a marker first.");
        return {};
    }
    if (Result<void> pressed = press_control(*context.bridge, context.clock,
                                             deck_group(record->deck), record->clear_control);
        !pressed)
        return pressed;
    const std::string prefix = record->deck != context.deck.load()
                                   ? "Deck " + std::to_string(record->deck) + " "
                                   : std::string();
    say(context.speech, prefix + record->spoken_name + " cleared");
    return {};
}

} // namespace cuevoice
