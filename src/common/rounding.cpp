#include "common/rounding.h"

#include <cmath>
#include <limits>

namespace cuevoice {

std::int64_t rounded_integer(double x) {
    if (std::isnan(x))
        return 0;
    const double r = std::round(x);
    constexpr double two_to_63 = 9223372036854775808.0;
    if (r >= two_to_63)
        return std::numeric_limits<std::int64_t>::max();
    if (r <= -two_to_63)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}

} // namespace cuevoice
