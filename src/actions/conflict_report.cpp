#include "actions/conflict_report.h"

#include <chrono>

#include "common/clock.h"

namespace cuevoice {

std::optional<std::string> hotkey_conflicts_text(const std::vector<std::string>& failed_keys) {
    if (failed_keys.empty())
        return std::nullopt;
    std::string keys;
    for (const std::string& key : failed_keys) {
        if (!keys.empty())
            keys += ", ";
        keys += key;
    }
    return std::to_string(failed_keys.size()) + " hotkeys are used by another program: " + keys;
}

void announce_hotkey_conflicts(Speech speech, Clock& clock,
                               const std::function<std::vector<std::string>()>& failed_keys) {
    // Registration starts once Mixxx is in front; by now the first attempt has been made.
    clock.sleep_for(std::chrono::seconds(5));
    if (std::optional<std::string> text = hotkey_conflicts_text(failed_keys()))
        say_queued(speech, std::move(*text));
}

} // namespace cuevoice
