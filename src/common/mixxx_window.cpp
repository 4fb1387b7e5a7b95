#include "common/mixxx_window.h"

#include "common/callback_boundary.h"

namespace cuevoice {

BOOL CALLBACK find_mixxx_window_proc(HWND window, LPARAM search_record) {
    return callback_boundary([&]() -> BOOL {
        auto* search = reinterpret_cast<MixxxWindowSearch*>(search_record);
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        // Hidden windows and dialogs owned by the main window are never the one to bring forward.
        if (process_id == search->process_id && IsWindowVisible(window) &&
            GetWindow(window, GW_OWNER) == nullptr) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    });
}

std::optional<HWND> find_mixxx_window(std::uint32_t process_id) {
    MixxxWindowSearch search{process_id, nullptr};
    EnumWindows(find_mixxx_window_proc, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr)
        return std::nullopt;
    return search.found;
}

void bring_to_front(HWND window) {
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    if (SetForegroundWindow(window))
        return;
    // Windows lets only the thread in front hand the foreground on: join its input first.
    DWORD foreground_thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD own_thread = GetCurrentThreadId();
    bool attached = foreground_thread != 0 && foreground_thread != own_thread &&
                    AttachThreadInput(own_thread, foreground_thread, TRUE);
    BringWindowToTop(window);
    SetForegroundWindow(window);
    if (attached)
        AttachThreadInput(own_thread, foreground_thread, FALSE);
}

} // namespace cuevoice
