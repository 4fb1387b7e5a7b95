#pragma once
// Waiting for the plug-in inside the started Mixxx: it creates a named event once it has loaded.
#include <chrono>
#include <string>

#include "common/mixxx_child.h"

namespace cuevoice {

class Clock;

enum class PluginWaitEnd { loaded, mixxx_gone, timed_out };

// "Local\CuevoicePluginLoaded-" followed by the token's event part.
std::wstring plugin_loaded_event_name(const std::string& token);

// Tries to open the event at once and then every 250 ms until it opens, Mixxx has exited (or
// nobody can tell), or the time is up. Mixxx is never ended here.
PluginWaitEnd wait_for_plugin(const std::wstring& event_name, const MixxxChild& mixxx, Clock& clock,
                              std::chrono::milliseconds limit = std::chrono::seconds(30));

} // namespace cuevoice
