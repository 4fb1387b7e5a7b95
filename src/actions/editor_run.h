#pragma once
// A function started by the key editor's Run button.
#include <cstdint>

#include "catalog/bound_action.h"
#include "context/context.h"

namespace cuevoice {

// Brings Mixxx's window forward for the library-focus functions, then runs the function
// without a key, so key help never applies.
void run_editor_function(SharedContext context, SharedBoundAction bound,
                         std::uint32_t mixxx_process_id);

} // namespace cuevoice
