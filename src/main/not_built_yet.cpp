#include "main/not_built_yet.h"

#include <windows.h>

#include "applog/applog.h"
#include "bridge/typed_requests.h"
#include "common/clock.h"

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

void open_key_editor(const std::shared_ptr<EditorHooks>& hooks) {
    say_str(hooks->speech, "The key editor is not part of this build yet.");
}

void drain_bridge_events(Receiver<BridgeEvent> events) {
    while (std::optional<BridgeEvent> event = events.recv())
        if (std::holds_alternative<Disconnected>(*event))
            return;
}

void poll_deck_count_until_link_ends(SharedContext context) {
    for (;;) {
        context->clock.sleep_for(std::chrono::seconds(1));
        if (!get(*context->bridge, "[App]", "num_decks", "value"))
            return;
    }
}

} // namespace cuevoice
