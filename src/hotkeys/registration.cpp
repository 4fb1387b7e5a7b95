// Registration with the system and the foreground rule. Every RegisterHotKey and
// UnregisterHotKey happens on the loop's thread, which owns the registrations.
#include <windows.h>

#include "applog/applog.h"
#include "common/callback_boundary.h"
#include "common/text.h"
#include "hotkeys/hotkey_state.h"
#include "hotkeys/hotkeys.h"

namespace cuevoice {
namespace {

class SystemRegistrar final : public HotKeyRegistrar {
public:
    bool register_key(int id, std::uint32_t modifiers, std::uint32_t vk) override {
        return RegisterHotKey(nullptr, id, modifiers, vk) != FALSE;
    }
    void unregister_key(int id) override { UnregisterHotKey(nullptr, id); }
};

std::uint32_t window_process_id(HWND window) {
    DWORD pid = 0;
    if (window != nullptr)
        GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::string window_class_name(HWND window) {
    wchar_t buffer[128];
    int length = GetClassNameW(window, buffer, 128);
    return length > 0 ? to_utf8(std::wstring_view(buffer, static_cast<std::size_t>(length)))
                      : std::string();
}

} // namespace

bool set_hotkeys_registered(bool want) {
    HotKeyGlobals& globals = hotkey_globals();
    SystemRegistrar registrar;
    std::lock_guard lock(globals.mutex);
    return apply_registration(globals.state, want, registrar);
}

void update_hotkeys_for_window(HWND window, std::string_view reason) {
    const std::uint32_t pid = window_process_id(window);
    const bool want = hotkeys_wanted(pid, hotkey_globals().mixxx_pid.load());
    if (!set_hotkeys_registered(want))
        return;
    app_log(hotkeys_change_text(want, reason, window_class_name(window), pid));
}

void CALLBACK on_foreground_change(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
    callback_boundary([&] { update_hotkeys_for_window(window, "foreground event"); });
}

} // namespace cuevoice
