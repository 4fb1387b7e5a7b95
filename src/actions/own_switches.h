#pragma once
// Actions that work on the program itself, not on Mixxx: silence, the announcements and
// key-help switches, and the key editor.
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Silences what is being spoken; says nothing.
Result<void> stop_speech(Context& context);

Result<void> toggle_announce(Context& context);

Result<void> key_help(Context& context);

// Opens the key editor, or brings it forward, through the context's opener; says nothing.
Result<void> key_editor(Context& context);

} // namespace cuevoice
