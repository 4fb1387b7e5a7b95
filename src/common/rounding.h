#pragma once
// Whole numbers from the doubles Mixxx sends, which may be anything a double can hold.
#include <cstdint>

namespace cuevoice {

// Rounded, halves away from zero, and held within a signed 64-bit integer; NaN is 0.
std::int64_t rounded_integer(double x);

} // namespace cuevoice
