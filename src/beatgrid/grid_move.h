#pragma once
// Moving a deck's beat grid in 5-ms steps, with the total moved this run spoken each time.
#include <cstdint>
#include <string>

#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Moves the grid by `step` steps of 5 ms (later for a positive step) and says the direction and
// the deck's total.
Result<void> beatgrid_move(Context& context, std::uint8_t deck, std::int32_t step);

// "later, total plus 5 milliseconds", "earlier, back where it was", ...
std::string grid_move_text(std::int32_t step, std::int32_t total);

// The total after adding a step, held at the limits of its type instead of wrapping round.
std::int32_t add_step(std::int32_t total, std::int32_t step);

} // namespace cuevoice
