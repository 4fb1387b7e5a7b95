#include "announcer/watch_list.h"

#include <utility>

#include "announcer/deck_count.h"

namespace cuevoice {
namespace {

std::vector<std::string> make_deck_watch_keys() {
    std::vector<std::string> keys = {"play",         "sync_enabled", "pfl",           "keylock",
                                     "loop_enabled", "track_loaded", "peak_indicator"};
    for (int i = 1; i <= 16; ++i)
        keys.push_back("hotcue_" + std::to_string(i) + "_status");
    return keys;
}

// A count read at start; when the read fails, the given fallback.
std::uint8_t count_or(MixxxLink& link, const std::string& key, std::uint8_t fallback) {
    Result<double> value = get(link, "[App]", key, "value");
    return value ? count_from_value(*value) : fallback;
}

} // namespace

const std::vector<std::string>& deck_watch_keys() {
    static const std::vector<std::string> keys = make_deck_watch_keys();
    return keys;
}

void build_watch_list(MixxxLink& link, unsigned first, unsigned last, WatchedValues& table) {
    for (unsigned deck = first; deck <= last; ++deck) {
        const std::string group = "[Channel" + std::to_string(deck) + "]";
        for (const std::string& key : deck_watch_keys())
            watch(link, group, key, table);
    }
}

WatchedValues watch_startup_controls(MixxxLink& link) {
    WatchedValues table;
    // Mixxx's default layout has four decks: a count that cannot be read is taken as that.
    const std::uint8_t decks = count_or(link, "num_decks", 4);
    watch(link, "[App]", "num_decks", table);
    build_watch_list(link, 1, decks, table);
    const std::uint8_t samplers = count_or(link, "num_samplers", 0);
    for (unsigned sampler = 1; sampler <= samplers; ++sampler)
        watch(link, "[Sampler" + std::to_string(sampler) + "]", "play", table);
    const std::pair<const char*, const char*> fixed[] = {
        {"[AutoDJ]", "enabled"},   {"[Recording]", "status"},    {"[Shoutcast]", "enabled"},
        {"[Shoutcast]", "status"}, {"[Microphone]", "talkover"}, {"[Main]", "peak_indicator"},
    };
    for (const auto& [group, key] : fixed)
        watch(link, group, key, table);
    return table;
}

} // namespace cuevoice
