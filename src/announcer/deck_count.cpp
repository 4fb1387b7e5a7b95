#include "announcer/deck_count.h"

#include <cmath>

namespace cuevoice {

std::uint8_t count_from_value(double value) {
    if (std::isnan(value))
        return 0;
    const double rounded = std::round(value);
    if (rounded <= 0)
        return 0;
    if (rounded >= 255)
        return 255;
    return static_cast<std::uint8_t>(rounded);
}

} // namespace cuevoice
