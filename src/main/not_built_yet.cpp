#include "main/not_built_yet.h"

#include <windows.h>

#include "applog/applog.h"

namespace cuevoice {

void run_hotkey_loop(std::vector<HotKeyRow>, std::uint32_t, ActionSender) {
    app_log_str("hot keys are not part of this build yet");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void reload_keys(const std::filesystem::path&) {
    app_log_str("error: reloading keys: hot keys are not part of this build yet");
}

std::optional<HotKeyPress> find_hotkey_row(const KeyChord&) {
    return std::nullopt;
}

std::vector<std::string> failed_hotkeys() {
    return {};
}

} // namespace cuevoice
