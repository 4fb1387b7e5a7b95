#include "actions/say_value.h"

#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "context/deck_filling.h"
#include "context/value_format.h"

namespace cuevoice {

Result<void> say_control_value(Context& context, const ReportTarget& target, std::uint8_t deck) {
    auto [group, control] = control_for_deck(target, deck);
    Result<double> value =
        get(*context.bridge, group, control, std::string(property_for_format(target.format)));
    if (!value)
        return Error{value.error()};
    std::string text = format_value(target.format, *value);
    say(context.speech, target.label.empty() ? text : target.label + " " + text);
    return {};
}

} // namespace cuevoice
