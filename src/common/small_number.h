#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace cuevoice {

// Decimal digits with an optional leading "+", at most 255; nothing else passes.
std::optional<std::uint8_t> parse_small_number(std::string_view text);

} // namespace cuevoice
