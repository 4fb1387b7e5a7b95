#pragma once
// Intro and outro markers and loop points: setting or jumping to one, saying where it is, and
// clearing the one touched last.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Presses the marker's control, reads its position 80 ms later and says what happened: set,
// jumped to, or not set. A marker that is set afterwards becomes the one clear_marker clears.
Result<void> marker(Context& context, const MarkerAction& action, std::uint8_t deck);

// Clears the remembered marker on its deck and forgets it, whether the clearing works or not.
Result<void> clear_marker(Context& context);

// "1:23" for a position in samples of both stereo channels; negative positions, and any
// position without a sample rate above 0, are 0:00.
std::string marker_time_text(double position, double samplerate);

// What clears the marker that `control` sets, and the name the user hears for it: "intro_start"
// of "intro_start_activate", "loop_remove" (named "loop") of "loop_in" and "loop_out"; none for
// any other control.
std::optional<MarkerRecord> marker_to_remember(std::string_view control, std::string_view label,
                                               std::uint8_t deck);

} // namespace cuevoice
