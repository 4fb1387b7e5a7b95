#include "announcer/watch_list.h"

#include <utility>

#include "announcer/deck_count.h"
#include "context/announced_controls.h"

namespace cuevoice {
namespace {

// The keys of one scope's announced controls, hotcues numbered from 1.
std::vector<std::string> keys_of(AnnouncedScope scope) {
    std::vector<std::string> keys;
    for (const AnnouncedEntry& entry : announced_controls) {
        if (entry.scope != scope)
            continue;
        const std::size_t braces = entry.key.find("{}");
        if (braces == std::string_view::npos) {
            keys.emplace_back(entry.key);
            continue;
        }
        for (unsigned hotcue = 1; hotcue <= watched_hotcues; ++hotcue)
            keys.push_back(std::string(entry.key.substr(0, braces)) + std::to_string(hotcue) +
                           std::string(entry.key.substr(braces + 2)));
    }
    return keys;
}

// A count read at start; when the read fails, the given fallback.
std::uint8_t count_or(MixxxLink& link, const std::string& key, std::uint8_t fallback) {
    Result<double> value = get(link, "[App]", key, "value");
    return value ? count_from_value(*value) : fallback;
}

} // namespace

const std::vector<std::string>& deck_watch_keys() {
    static const std::vector<std::string> keys = keys_of(AnnouncedScope::deck);
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
    static const std::vector<std::string> sampler_keys = keys_of(AnnouncedScope::sampler);
    for (unsigned sampler = 1; sampler <= samplers; ++sampler)
        for (const std::string& key : sampler_keys)
            watch(link, "[Sampler" + std::to_string(sampler) + "]", key, table);
    for (const AnnouncedEntry& entry : announced_controls)
        if (entry.scope == AnnouncedScope::fixed || entry.scope == AnnouncedScope::other)
            watch(link, std::string(entry.group), std::string(entry.key), table);
    return table;
}

} // namespace cuevoice
