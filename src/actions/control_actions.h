#pragma once
// Actions that switch Mixxx controls, and the checks and hints they speak.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

class MixxxLink;

// Reads the control, writes the opposite, and reads it again 150 ms later to say what happened.
Result<void> toggle(Context& context, const ToggleAction& action, std::uint8_t deck);

// Why Mixxx cannot switch a microphone or an auxiliary input on: it has no input set up.
std::optional<std::string> input_not_set_up_reason(MixxxLink& link, std::string_view group,
                                                   std::string_view control);

// What may keep the control from switching on, when the system knows.
std::optional<std::string> auto_dj_hint(std::string_view group, std::string_view control);

// What the user hears when play is switched on for a group without a track.
std::string no_track_text(std::string_view group, std::uint8_t current_deck);

} // namespace cuevoice
