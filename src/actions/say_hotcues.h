#pragma once
// The set hotcues of a deck and where they lie: "Hotcue 1 0:15, hotcue 4 2:03".
#include <cstdint>

#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

Result<void> say_hotcues(Context& context, std::uint8_t deck);

} // namespace cuevoice
