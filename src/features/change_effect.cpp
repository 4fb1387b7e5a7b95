#include "features/change_effect.h"

#include <chrono>
#include <cmath>
#include <limits>

#include "bridge/typed_requests.h"
#include "common/clock.h"
#include "common/rounding.h"
#include "context/deck_filling.h"
#include "features/press_control.h"

namespace cuevoice {

namespace {

using namespace std::chrono_literals;

Result<std::string> loaded_effect_name(MixxxLink& link, const std::string& group) {
    Result<double> loaded = get(link, group, "loaded", "value");
    if (!loaded)
        return Error{loaded.error()};
    if (*loaded == 0)
        return std::string("no effect");
    Result<double> index = get(link, group, "loaded_effect", "value");
    if (!index)
        return Error{index.error()};
    return effect_name(link, rounded_integer(*index));
}

} // namespace

std::optional<EffectSlotName> parse_effect_slot_group(std::string_view group) {
    constexpr std::string_view prefix = "[EffectRack1_EffectUnit";
    constexpr std::string_view middle = "_Effect";
    if (!group.starts_with(prefix) || !group.ends_with("]"))
        return std::nullopt;
    std::string_view inner = group.substr(prefix.size(), group.size() - prefix.size() - 1);
    const std::size_t at = inner.find(middle);
    if (at == std::string_view::npos || at == 0 || at + middle.size() == inner.size())
        return std::nullopt;
    return EffectSlotName{std::string(inner.substr(0, at)),
                          std::string(inner.substr(at + middle.size()))};
}

Result<void> change_effect(Context& context, const ChangeEffectAction& action, std::uint8_t deck) {
    MixxxLink& link = *context.bridge;
    auto [group, control] = control_for_deck(action.target, deck);
    if (Result<void> pressed = press_control(link, context.clock, group, control); !pressed)
        return pressed;
    // Mixxx loads the next effect in its engine; the slot shows it a moment later.
    context.clock.sleep_for(80ms);
    Result<std::string> name = loaded_effect_name(link, group);
    if (!name)
        return Error{name.error()};
    // Every built-in function names a slot; a [[keys]] entry on another group gets its label,
    // or the group itself, in front of the name.
    if (std::optional<EffectSlotName> slot = parse_effect_slot_group(group))
        say(context.speech, "Effect unit " + slot->unit + " slot " + slot->slot + ": " + *name);
    else
        say(context.speech, (action.label ? *action.label : group) + ": " + *name);
    return {};
}

} // namespace cuevoice
