#pragma once
// The preview deck: listening to the library's selected track without touching the decks.
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Stops the preview when it plays; otherwise loads the selected track into the preview deck,
// plays it and says its title.
Result<void> preview(Context& context);

} // namespace cuevoice
