#pragma once
// Choosing the current deck.
#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Stores the deck first, then says it with its track: "Deck 3. empty".
Result<void> select_deck(Context& context, const SelectDeckAction& action);

} // namespace cuevoice
