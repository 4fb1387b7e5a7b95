#include "actions/value_actions.h"

#include <algorithm>
#include <cmath>

#include "actions/say_value.h"
#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "context/deck_filling.h"
#include "context/value_format.h"

namespace cuevoice {

Result<void> set_control(Context& context, const SetAction& action, std::uint8_t deck) {
    auto [group, control] = control_for_deck(action.target, deck);
    if (Result<double> written = set(*context.bridge, group, control, "value", action.value);
        !written)
        return Error{written.error()};
    if (action.confirm)
        say(context.speech, *action.confirm);
    return {};
}

Result<void> adjust(Context& context, const AdjustAction& action, std::uint8_t deck) {
    MixxxLink& link = *context.bridge;
    auto [group, control] = control_for_deck(action.target, deck);
    Result<double> old = get(link, group, control, "parameter");
    if (!old)
        return Error{old.error()};
    const double stepped = *old + action.step;
    // A step that is not a number goes out as one and Mixxx refuses it with its own words.
    const double wanted = std::isnan(stepped) ? stepped : std::clamp(stepped, 0.0, 1.0);
    Result<double> reported = set(link, group, control, "parameter", wanted);
    if (!reported)
        return Error{reported.error()};
    say(context.speech, action.label + " " + format_value(action.format, *reported));
    return {};
}

Result<void> say_control(Context& context, const SayControlAction& action, std::uint8_t deck) {
    return say_control_value(
        context,
        ReportTarget{action.target.group, action.target.control, action.label, action.format},
        deck);
}

} // namespace cuevoice
