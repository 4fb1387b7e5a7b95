#include "actions/control_actions.h"

#include <chrono>

#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "catalog/describe.h"
#include "common/clock.h"
#include "common/small_number.h"
#include "context/announced_controls.h"
#include "context/deck_filling.h"
#include "context/muted_control.h"

namespace cuevoice {
namespace {

using namespace std::chrono_literals;

std::string replace_all(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// "[Channel2]" is "Deck 2", "[Sampler3]" is "Sampler 3".
std::string readable_group(std::string_view group) {
    while (!group.empty() && (group.front() == '[' || group.front() == ']'))
        group.remove_prefix(1);
    while (!group.empty() && (group.back() == '[' || group.back() == ']'))
        group.remove_suffix(1);
    return replace_all(replace_all(std::string(group), "Channel", "Deck "), "Sampler", "Sampler ");
}

// None when the input is set up, or when Mixxx cannot tell: the toggle then goes ahead.
std::optional<std::string> input_reason(MixxxLink& link, std::string_view group,
                                        const char* reason) {
    Result<double> configured = get(link, std::string(group), "input_configured", "value");
    if (!configured || *configured != 0)
        return std::nullopt;
    return std::string(reason);
}

} // namespace

std::optional<std::string> input_not_set_up_reason(MixxxLink& link, std::string_view group,
                                                   std::string_view control) {
    if (group.size() >= 11 && group.starts_with("[Microphone") && control == "talkover")
        return input_reason(link, group,
                            "No microphone input is set up. Choose one in Mixxx preferences, "
                            "Sound Hardware, Input.");
    if (group.size() >= 10 && group.starts_with("[Auxiliary") && control == "main_mix")
        return input_reason(link, group,
                            "No input is set up for it. Choose one in Mixxx preferences, Sound "
                            "Hardware, Input.");
    return std::nullopt;
}

std::optional<std::string> auto_dj_hint(std::string_view group, std::string_view control) {
    if (group == "[AutoDJ]" && control == "enabled")
        return std::string("Is the Auto DJ queue empty?");
    return std::nullopt;
}

std::string no_track_text(std::string_view group, std::uint8_t current_deck) {
    if (group.size() > 8 && group.starts_with("[Channel") && group.ends_with("]")) {
        std::optional<std::uint8_t> deck = parse_small_number(group.substr(8, group.size() - 9));
        if (deck && *deck == current_deck)
            return "No track loaded";
    }
    return readable_group(group) + " has no track loaded";
}

Result<void> toggle(Context& context, const ToggleAction& action, std::uint8_t deck) {
    MixxxLink& link = *context.bridge;
    auto [group, control] = control_for_deck(action.target, deck);
    Result<double> old = get(link, group, control, "value");
    if (!old)
        return Error{old.error()};
    const std::string label = action.label ? *action.label : describe_control(control);

    const bool switching_on = *old == 0;
    if (switching_on) {
        if (control == "play") {
            Result<double> loaded = get(link, group, "track_loaded", "value");
            if (!loaded)
                return Error{loaded.error()};
            if (*loaded == 0) {
                say(context.speech, no_track_text(group, context.deck.load()));
                return {};
            }
        }
        if (std::optional<std::string> reason = input_not_set_up_reason(link, group, control)) {
            say(context.speech, label + " not switched on. " + *reason);
            return {};
        }
    }

    Result<double> written = set(link, group, control, "value", switching_on ? 1.0 : 0.0);
    if (!written)
        return Error{written.error()};
    context.clock.sleep_for(150ms);
    Result<double> now = get(link, group, control, "value");
    if (!now)
        return Error{now.error()};

    const bool switched = switching_on ? *now != 0 : *now == 0;
    if (switched) {
        // The announcer speaks such a change itself; saying it here would say it twice.
        if (announcer_reports(group, control) && context.announce.load())
            return {};
        say(context.speech, label + (*now != 0 ? " on" : " off"));
        return {};
    }
    // Mixxx may flip the control back and forth while refusing; the user hears the refusal only.
    mute_control(context, group, control, context.clock.now() + 1s);
    std::optional<std::string> hint = auto_dj_hint(group, control);
    say(context.speech, label + " could not be switched " + (switching_on ? "on" : "off") +
                            (hint ? ". " + *hint : std::string()));
    return {};
}

} // namespace cuevoice
