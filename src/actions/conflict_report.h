#pragma once
// The one report, five seconds after the ready message, of the keys another program holds.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "speech/speech.h"

namespace cuevoice {

class Clock;

// "{} hotkeys are used by another program: {}", or none for an empty list.
std::optional<std::string> hotkey_conflicts_text(const std::vector<std::string>& failed_keys);

// Body of the report's thread. `failed_keys` gives the key texts that failed to register, empty
// without a table.
void announce_hotkey_conflicts(Speech speech, Clock& clock,
                               const std::function<std::vector<std::string>()>& failed_keys);

} // namespace cuevoice
