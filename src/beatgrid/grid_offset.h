#pragma once
// How far the play position lies from the nearest beat of the grid, in milliseconds.
#include <cstdint>
#include <string>

#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// The say kind grid_offset: reads the deck and speaks grid_offset_text.
Result<void> say_grid_offset(Context& context, std::uint8_t deck);

// "On the beat", "5 milliseconds after the beat", "... before the beat", or "This track has no
// beat grid" when the BPM is not above 0. `beat_distance` is the fraction of the beat passed.
std::string grid_offset_text(double bpm, double beat_distance);

} // namespace cuevoice
