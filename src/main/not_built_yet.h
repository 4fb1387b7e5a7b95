#pragma once
// Stand-in for the key editor until it is built: it says that it is not built yet and never
// pretends to work. Wiring the editor in means deleting this file.
#include <memory>

#include "main/context.h"

namespace cuevoice {

// Runs under the context's opener lock, so it only speaks and returns.
void open_key_editor(const std::shared_ptr<EditorHooks>& hooks);

} // namespace cuevoice
