#include "main/plugin_wait.h"

#include <windows.h>

#include "common/clock.h"
#include "common/text.h"
#include "common/win_handle.h"
#include "main/token.h"

namespace cuevoice {

std::wstring plugin_loaded_event_name(const std::string& token) {
    return L"Local\\CuevoicePluginLoaded-" + to_wide(token_event_part(token));
}

PluginWaitEnd wait_for_plugin(const std::wstring& event_name, const MixxxChild& mixxx, Clock& clock,
                              std::chrono::milliseconds limit) {
    const auto deadline = clock.now() + limit;
    for (;;) {
        if (UniqueHandle(OpenEventW(SYNCHRONIZE, FALSE, event_name.c_str())))
            return PluginWaitEnd::loaded;
        if (mixxx_gone(mixxx.status()))
            return PluginWaitEnd::mixxx_gone;
        if (clock.now() >= deadline)
            return PluginWaitEnd::timed_out;
        clock.sleep_for(std::chrono::milliseconds(250));
    }
}

} // namespace cuevoice
