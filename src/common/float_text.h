#pragma once
// Floating-point numbers as texts that people read: error texts and settings values.
#include <string>

namespace cuevoice {

// The fewest digits that read back as the same double, in plain decimal notation (never an
// exponent), with ".0" on whole numbers: 0.05, -1.0, 100000000000000000000.0. A value that is
// not a number is "NaN", the infinities "inf" and "-inf".
std::string float_text(double value);

} // namespace cuevoice
