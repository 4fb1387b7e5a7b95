#pragma once
// Silencing every sampler at once.
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Presses stop on each sampler that plays, then says "Samplers stopped". A sampler whose play
// state cannot be read is passed over.
Result<void> stop_samplers(Context& context);

} // namespace cuevoice
