#include "main/watchers.h"

#include <windows.h>

#include "applog/applog.h"
#include "common/clock.h"
#include "common/win_handle.h"

namespace cuevoice {

void watch_editor_requests(WeakContext context) {
    UniqueHandle event(CreateEventW(nullptr, FALSE, FALSE, L"Local\\CuevoiceOpenKeyEditor"));
    if (!event) {
        app_log_str("cannot create the key editor event");
        return;
    }
    for (;;) {
        if (WaitForSingleObject(event.get(), INFINITE) != WAIT_OBJECT_0) {
            app_log_str("cannot wait for the key editor event");
            break;
        }
        SharedContext strong = context.lock();
        if (!strong)
            break;
        app_log_str("key editor requested");
        std::lock_guard lock(strong->editor_opener.mutex);
        if (strong->editor_opener.value)
            (*strong->editor_opener.value)();
    }
}

void watch_mixxx_exit(SharedMixxxChild mixxx, std::uint32_t main_thread_id, Clock& clock) {
    while (!mixxx_gone(mixxx->status()))
        clock.sleep_for(std::chrono::milliseconds(500));
    PostThreadMessageW(main_thread_id, WM_QUIT, 0, 0);
}

Result<SharedBridge> log_connect_failed(Result<SharedBridge> connection,
                                        const SharedMixxxChild& mixxx) {
    if (!connection)
        app_log("connect failed; Mixxx process status: " + mixxx->status().text());
    return connection;
}

} // namespace cuevoice
