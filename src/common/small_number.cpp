#include "common/small_number.h"

namespace cuevoice {

std::optional<std::uint8_t> parse_small_number(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 255)
            return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

} // namespace cuevoice
