#pragma once
#include <cstdint>

namespace cuevoice {

// A count Mixxx reports as a float ("num_decks", "num_samplers"): rounded, halves away from
// zero, and held to 0..255; a value that is not a number counts as 0.
std::uint8_t count_from_value(double value);

} // namespace cuevoice
