#include "actions/announced_controls.h"

#include <algorithm>
#include <array>

namespace cuevoice {
namespace {

bool all_digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// `text` is `prefix`, a number, then `suffix`.
bool numbered(std::string_view text, std::string_view prefix, std::string_view suffix) {
    if (text.size() <= prefix.size() + suffix.size() || !text.starts_with(prefix) ||
        !text.ends_with(suffix))
        return false;
    return all_digits(text.substr(prefix.size(), text.size() - prefix.size() - suffix.size()));
}

bool deck_key_reported(std::string_view key) {
    constexpr std::array<std::string_view, 7> keys = {
        "pfl", "play", "keylock", "sync_enabled", "loop_enabled", "track_loaded", "peak_indicator",
    };
    return std::find(keys.begin(), keys.end(), key) != keys.end() ||
           numbered(key, "hotcue_", "_status");
}

} // namespace

bool announcer_reports(std::string_view group, std::string_view key) {
    if (numbered(group, "[Channel", "]"))
        return deck_key_reported(key);
    if (numbered(group, "[Sampler", "]"))
        return key == "play";
    if (group == "[Main]")
        return key == "peak_indicator";
    if (group == "[AutoDJ]")
        return key == "enabled";
    if (group == "[Recording]")
        return key == "status";
    if (group == "[Shoutcast]")
        return key == "enabled" || key == "status";
    if (group == "[Microphone]")
        return key == "talkover";
    return false;
}

} // namespace cuevoice
