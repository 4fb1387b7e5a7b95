#pragma once
// Actions that write a control's value, step its position, or speak it.
#include <cstdint>

#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Writes the value; speaks only the confirm text, when there is one.
Result<void> set_control(Context& context, const SetAction& action, std::uint8_t deck);

// Steps the control's 0 to 1 position, kept within 0 and 1, and speaks the position Mixxx
// reports back.
Result<void> adjust(Context& context, const AdjustAction& action, std::uint8_t deck);

Result<void> say_control(Context& context, const SayControlAction& action, std::uint8_t deck);

} // namespace cuevoice
