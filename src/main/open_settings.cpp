// "--open-settings": a running copy opens its key editor; without one, the editor runs here,
// on its own, until it is closed.
#include <memory>

#include <windows.h>

#include "common/win_handle.h"
#include "editor/key_editor.h"
#include "main/switches.h"
#include "speech/speech.h"

namespace cuevoice {

int open_settings_switch() {
    UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\CuevoiceOpenKeyEditor"));
    if (event) {
        // The running copy may then put its editor window in front of this one's caller.
        AllowSetForegroundWindow(ASFW_ANY);
        SetEvent(event.get());
        return 0;
    }
    auto hooks =
        std::make_shared<EditorHooks>(EditorHooks{start_speech(), std::nullopt, std::nullopt});
    if (claim_editor_window())
        run_key_editor(std::move(hooks));
    return 0;
}

} // namespace cuevoice
