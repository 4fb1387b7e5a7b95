#include "hotkeys/hotkey_state.h"

#include "hotkeys/hotkeys.h"

namespace cuevoice {

HotKeyGlobals& hotkey_globals() {
    static HotKeyGlobals globals;
    return globals;
}

std::vector<std::string> failed_hotkeys() {
    HotKeyGlobals& globals = hotkey_globals();
    std::lock_guard lock(globals.mutex);
    return failed_keys(globals.state);
}

std::optional<HotKeyPress> find_hotkey_row(std::uint32_t modifiers, std::uint32_t vk) {
    HotKeyGlobals& globals = hotkey_globals();
    std::lock_guard lock(globals.mutex);
    return press_for_chord(globals.state, modifiers, vk);
}

std::uint32_t hotkey_thread_id() {
    return hotkey_globals().thread_id.load();
}

std::uint32_t hotkeys_mixxx_pid() {
    return hotkey_globals().mixxx_pid.load();
}

} // namespace cuevoice
