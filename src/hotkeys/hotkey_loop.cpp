// The hot-key message loop on the main thread.
#include <windows.h>

#include <optional>
#include <utility>

#include "common/stage_stamps.h"
#include "hotkeys/hotkey_state.h"
#include "hotkeys/hotkeys.h"

namespace cuevoice {
namespace {

void install_new_table() {
    HotKeyGlobals& globals = hotkey_globals();
    bool was_registered = false;
    {
        std::lock_guard lock(globals.mutex);
        was_registered = globals.state.table && globals.state.registered;
    }
    // The old rows go first: a new table never replaces registered ones.
    set_hotkeys_registered(false);
    {
        std::lock_guard lock(globals.mutex);
        install_pending(globals.state);
    }
    if (was_registered)
        update_hotkeys_for_window(GetForegroundWindow(), "new key map");
}

void send_press(const ActionSender& actions, WPARAM id) {
    std::optional<HotKeyPress> press;
    {
        HotKeyGlobals& globals = hotkey_globals();
        std::lock_guard lock(globals.mutex);
        press = press_for_hotkey(globals.state, id);
    }
    // A failed send means the "actions" thread is gone; the press has nowhere to go.
    if (press)
        actions.send(std::move(*press));
}

} // namespace

void run_hotkey_loop(std::vector<HotKeyRow> table, std::uint32_t mixxx_pid, ActionSender actions) {
    // The thread's message queue must exist before the first registration and before anyone
    // learns the thread id: a hot key registered without one (Wine) has nowhere to go, and
    // PostThreadMessageW to a thread without one fails.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);

    HotKeyGlobals& globals = hotkey_globals();
    globals.mixxx_pid = mixxx_pid;
    globals.thread_id = GetCurrentThreadId();
    {
        std::lock_guard lock(globals.mutex);
        globals.state = HotKeyState{};
        globals.state.table = std::move(table);
    }

    HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                         on_foreground_change, 0, 0, WINEVENT_OUTOFCONTEXT);
    update_hotkeys_for_window(GetForegroundWindow(), "start");
    // A thread timer: the system picks its id, which is the one to kill later.
    UINT_PTR timer = SetTimer(nullptr, 0, 500, nullptr);

    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_TIMER) {
            update_hotkeys_for_window(GetForegroundWindow(), "periodic check");
        } else if (message.hwnd == nullptr && message.message == WM_HOTKEY) {
            stamp_stage(Stage::hotkey_taken, message.wParam);
            send_press(actions, message.wParam);
        } else if (message.hwnd == nullptr && message.message == wm_new_key_map) {
            install_new_table();
        } else {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    if (timer != 0)
        KillTimer(nullptr, timer);
    if (hook != nullptr)
        UnhookWinEvent(hook);
    set_hotkeys_registered(false);
    actions.reset();
}

} // namespace cuevoice
