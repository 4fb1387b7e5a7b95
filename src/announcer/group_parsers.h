#pragma once
// The deck, sampler and hotcue numbers inside the group and key names of change events.
#include <cstdint>
#include <optional>
#include <string_view>

namespace cuevoice {

// "[Channel2]" gives 2. The digits may follow one "+"; anything else, or above 255, gives none.
std::optional<std::uint8_t> parse_channel_group(std::string_view group);

// "[Sampler3]" gives 3, by the same rules.
std::optional<std::uint8_t> parse_sampler_group(std::string_view group);

// "hotcue_4_status" gives 4, by the same rules.
std::optional<std::uint8_t> parse_hotcue_status_key(std::string_view key);

} // namespace cuevoice
