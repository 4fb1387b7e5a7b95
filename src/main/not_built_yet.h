#pragma once
// Stand-ins for the parts of a run that later work builds: the hot keys.
// Each says or logs that it is not built yet; none pretends to work. Wiring a part in means
// deleting its stand-in here.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actions/hotkey_press.h"
#include "bridge/events.h"
#include "catalog/bound_action.h"
#include "common/channel.h"
#include "config/key_chord.h"
#include "config/key_map.h"
#include "main/context.h"

namespace cuevoice {

// Hot keys: runs the main thread's message loop until WM_QUIT, without registering any key.
void run_hotkey_loop(std::vector<HotKeyRow> table, std::uint32_t mixxx_process_id,
                     ActionSender actions);

// Reloading the keys after the key editor saved: only logs that it cannot yet.
void reload_keys(const std::filesystem::path& settings_path);

// The hot-key table's rows and failed list as the test script and the conflict report see them:
// until hot keys are built no table is installed, so no row is found and nothing failed.
std::optional<HotKeyPress> find_hotkey_row(const KeyChord& chord);
std::vector<std::string> failed_hotkeys();

} // namespace cuevoice
