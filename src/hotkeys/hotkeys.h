#pragma once
// The user's hot keys: registered only while Mixxx is the application in front, turned into
// jobs on the action channel by the hot-key loop, and replaced when the settings change.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/key_map.h"
#include "context/hotkey_press.h"

namespace cuevoice {

// Posted to the loop's thread: a new table is pending.
inline constexpr UINT wm_new_key_map = WM_APP + 1;

// Runs the hot-key loop on the calling thread until WM_QUIT: installs the table, follows the
// foreground application, sends a job for every press. On the way out every row is
// unregistered and the sender dropped.
void run_hotkey_loop(std::vector<HotKeyRow> table, std::uint32_t mixxx_pid, ActionSender actions);

// Brings the registration in line with `want` on the loop's thread; whether anything changed.
bool set_hotkeys_registered(bool want);

// Applies the foreground rule for the window and logs a change with the reason.
void update_hotkeys_for_window(HWND window, std::string_view reason);

// The WinEvent callback for foreground changes.
void CALLBACK on_foreground_change(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                   LONG child, DWORD thread, DWORD time);

// Reads the settings file again, builds its table and hands it to the loop. Errors are
// logged as "error: reloading keys: {}" and leave the current table in place.
void reload_keys(const std::filesystem::path& settings_path);

// The key texts that failed to register since the current table was installed, in the order
// of failure; empty before the loop has installed a table.
std::vector<std::string> failed_hotkeys();

// The job for the row of the chord in the installed table, for the test script's key steps.
std::optional<HotKeyPress> find_hotkey_row(std::uint32_t modifiers, std::uint32_t vk);

// The thread running the loop (0 until it starts) and the Mixxx process it follows.
std::uint32_t hotkey_thread_id();
std::uint32_t hotkeys_mixxx_pid();

} // namespace cuevoice
