#pragma once
// Descriptions in plain English of custom key bindings, the spoken phrases of Mixxx control
// keys, and the way a number is written in such a text. Pure functions.
#include <string>
#include <string_view>

#include "catalog/action.h"
#include "catalog/binding.h"
#include "catalog/bound_action.h"
#include "common/result.h"

namespace cuevoice {

// The binding's action with its description as name and no fixed deck, or the action's error.
Result<BoundAction> describe_binding(const Binding& binding);

// The description of an already built action.
std::string describe_action(const Action& action);

// The spoken phrase of a control key ("rate_temp_up" is "nudge faster").
std::string describe_control(std::string_view control);

// "{phrase} while held".
std::string describe_hold(std::string_view control);

// The description followed by the words that say which deck or sampler the target is on.
std::string add_deck_phrase(std::string description, const ControlTarget& target);

// Three decimals at most, whole numbers without a decimal point, never an exponent.
std::string format_number(double value);

} // namespace cuevoice
