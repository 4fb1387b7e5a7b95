#pragma once
// The say action: what a deck is doing, its track, time, tempo and hotcues, the library's
// selected track, and the effects.
#include <cstdint>

#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// A request error ends it with nothing said; the caller speaks the error.
Result<void> say_what(Context& context, SayWhat what, std::uint8_t deck);

} // namespace cuevoice
