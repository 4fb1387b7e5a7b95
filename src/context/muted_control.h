#pragma once
// The one control the announcer keeps quiet about while an action changes it.
#include <string>

#include "context/context.h"

namespace cuevoice {

// Replaces any earlier muted control.
void mute_control(Context& context, std::string group, std::string key, Instant until);

// A loop roll switches "loop_enabled" of its group on and off; the user hears the roll itself.
void mute_loop_enabled(Context& context, const std::string& group, Instant until);

} // namespace cuevoice
