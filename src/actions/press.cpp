#include "actions/press.h"

#include <chrono>
#include <string>

#include "actions/say_value.h"
#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "common/clock.h"
#include "common/small_number.h"
#include "context/deck_filling.h"
#include "context/value_format.h"

namespace cuevoice {
namespace {

using namespace std::chrono_literals;

// Adding to the Auto DJ queue with nothing selected adds nothing; Mixxx does not say so.
bool adds_to_auto_dj(const std::string& group, const std::string& control) {
    return group == "[Library]" && control.size() >= 9 && control.starts_with("AutoDjAdd");
}

bool library_has_selection(MixxxLink& link) {
    Result<SelectedTrack> track = selected_track(link);
    return track && track->selected != 0;
}

bool is_sampler(const std::string& group) {
    return group.size() > 8 && group.starts_with("[Sampler") && group.ends_with("]");
}

} // namespace

std::optional<std::uint8_t> parse_hotcue_activate(std::string_view control) {
    constexpr std::string_view prefix = "hotcue_";
    constexpr std::string_view suffix = "_activate";
    if (control.size() < 17 || !control.starts_with(prefix) || !control.ends_with(suffix))
        return std::nullopt;
    return parse_small_number(
        control.substr(prefix.size(), control.size() - prefix.size() - suffix.size()));
}

Result<void> press(Context& context, const PressAction& action, std::uint8_t deck) {
    MixxxLink& link = *context.bridge;
    auto [group, control] = control_for_deck(action.target, deck);

    if (adds_to_auto_dj(group, control) && !library_has_selection(link)) {
        say(context.speech, "No track selected in the library");
        return {};
    }
    if (is_sampler(group)) {
        Result<double> loaded = get(link, group, "track_loaded", "value");
        if (!loaded)
            return Error{loaded.error()};
        if (*loaded == 0) {
            say(context.speech, "Sampler " + group.substr(8, group.size() - 9) + " is empty");
            return {};
        }
    }

    const std::optional<std::uint8_t> hotcue = parse_hotcue_activate(control);
    bool hotcue_was_set = false;
    if (hotcue) {
        Result<double> status =
            get(link, group, "hotcue_" + std::to_string(*hotcue) + "_status", "value");
        if (!status)
            return Error{status.error()};
        hotcue_was_set = *status != 0;
        // Jumping to a hotcue may stop and start the deck; the user asked for the jump, not
        // for play news.
        std::lock_guard lock(context.play_quiet_until.mutex);
        context.play_quiet_until.value = context.clock.now() + 500ms;
    }

    if (Result<double> down = set(link, group, control, "value", 1.0); !down)
        return Error{down.error()};
    context.clock.sleep_for(30ms);
    if (Result<double> up = set(link, group, control, "value", 0.0); !up)
        return Error{up.error()};

    if (hotcue_was_set) {
        context.clock.sleep_for(50ms);
        Result<double> elapsed = get(link, group, "time_elapsed", "value");
        if (!elapsed)
            return Error{elapsed.error()};
        say(context.speech,
            "Hotcue " + std::to_string(*hotcue) + ", " + format_value(ValueFormat::time, *elapsed));
    }
    if (action.report) {
        context.clock.sleep_for(50ms);
        return say_control_value(context, *action.report, deck);
    }
    if (action.confirm)
        say(context.speech, *action.confirm);
    return {};
}

} // namespace cuevoice
