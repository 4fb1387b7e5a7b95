#pragma once
// A button press: pressed and released at once, with the checks that keep a press from doing
// nothing unnoticed (an empty Auto DJ selection, an empty sampler) and the hotcue's report.
#include <cstdint>
#include <optional>
#include <string_view>

#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

Result<void> press(Context& context, const PressAction& action, std::uint8_t deck);

// The hotcue number of "hotcue_{n}_activate"; none for any other control.
std::optional<std::uint8_t> parse_hotcue_activate(std::string_view control);

} // namespace cuevoice
