#pragma once
// Which effects are loaded on effect units 1 and 2, whether each is on, and which decks feed
// each unit: "Effect unit 1, on decks 1 and 2: Echo on, Reverb off. Effect unit 2: empty".
#include <cstdint>
#include <string>

#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

Result<void> say_effects(Context& context);

// Whether the deck is routed into the unit; a control Mixxx cannot read counts as not.
bool deck_feeds_unit(Context& context, const std::string& unit_group, std::uint8_t deck);

} // namespace cuevoice
