#pragma once
// What a key runs: created once per binding, then shared read-only by reference count between
// the key map, the hot-key table and the jobs of the action worker.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "catalog/action.h"

namespace cuevoice {

struct BoundAction {
    // A catalogue function's name ("Play / pause, deck 2" for a fixed deck), or the description
    // in words of a custom binding. Key help speaks it.
    std::string name;
    Action action;
    // 1 to 4 for an "id@deckN" binding; none means the current deck.
    std::optional<std::uint8_t> fixed_deck;
};

using SharedBoundAction = std::shared_ptr<const BoundAction>;

} // namespace cuevoice
