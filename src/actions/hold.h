#pragma once
// A held key: the control is pressed while the key is down and released when it goes up.
#include <cstdint>
#include <string_view>

#include "actions/key_state.h"
#include "catalog/action.h"
#include "catalog/bound_action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Presses, polls the chord's main key every 15 ms (30 s at most), releases (4 attempts, 200 ms
// apart) and speaks the report. A key text that is no chord is released after the 30 ms pause.
Result<void> hold(Context& context, std::string_view key_text, const HoldAction& action,
                  std::uint8_t deck, const KeyIsDown& key_is_down = async_key_is_down);
Result<void> hold(Context& context, std::string_view key_text, const BoundAction& bound,
                  std::uint8_t deck, const KeyIsDown& key_is_down = async_key_is_down);

} // namespace cuevoice
