#include "common/float_text.h"

#include <charconv>
#include <cmath>

namespace cuevoice {

std::string float_text(double value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    // Shortest digits keep even the smallest subnormal (324 places after the point) well inside.
    char buffer[400];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr;
    std::string text(buffer, end);
    if (text.find('.') == std::string::npos)
        text += ".0";
    return text;
}

} // namespace cuevoice
