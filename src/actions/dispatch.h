#pragma once
// The one place that maps each action kind to the code that runs it.
#include <cstdint>

#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Runs the action on the deck chosen for the press. Each kind speaks its own success; an
// error text comes back for the caller to speak.
Result<void> dispatch_action(Context& context, const Action& action, std::uint8_t deck);

} // namespace cuevoice
