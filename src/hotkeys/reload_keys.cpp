// The key-reload hook that the key editor calls after it saved the settings file.
#include <windows.h>

#include "applog/applog.h"
#include "config/settings_file.h"
#include "hotkeys/hotkey_state.h"
#include "hotkeys/hotkeys.h"

namespace cuevoice {

void reload_keys(const std::filesystem::path& settings_path) {
    Result<Settings> settings = read_settings_file(settings_path);
    if (!settings) {
        app_log("error: reloading keys: " + settings.error());
        return;
    }
    Result<std::vector<HotKeyRow>> rows = key_map_from_settings(*settings);
    if (!rows) {
        app_log("error: reloading keys: " + rows.error());
        return;
    }
    app_log("keys reloaded: " + std::to_string(rows->size()) + " hotkeys");

    HotKeyGlobals& globals = hotkey_globals();
    {
        std::lock_guard lock(globals.mutex);
        // Before the loop has installed a table there is nothing to replace.
        store_pending(globals.state, std::move(*rows));
    }
    if (std::uint32_t thread = globals.thread_id.load(); thread != 0)
        PostThreadMessageW(thread, wm_new_key_map, 0, 0);
}

} // namespace cuevoice
