#include "context/announced_controls.h"

#include <algorithm>

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

bool in_scope(const AnnouncedEntry& entry, std::string_view group) {
    switch (entry.scope) {
    case AnnouncedScope::deck:
        return numbered(group, "[Channel", "]");
    case AnnouncedScope::sampler:
        return numbered(group, "[Sampler", "]");
    case AnnouncedScope::fixed:
        return group == entry.group;
    case AnnouncedScope::other:
        return true;
    }
    return false;
}

bool same_key(const AnnouncedEntry& entry, std::string_view key) {
    const std::size_t braces = entry.key.find("{}");
    if (braces == std::string_view::npos)
        return key == entry.key;
    return numbered(key, entry.key.substr(0, braces), entry.key.substr(braces + 2));
}

// The first row that takes the control, so that a row of any other group comes after those of
// the decks.
const AnnouncedEntry* entry_for(std::string_view group, std::string_view key) {
    for (const AnnouncedEntry& entry : announced_controls)
        if (in_scope(entry, group) && same_key(entry, key))
            return &entry;
    return nullptr;
}

} // namespace

std::optional<AnnouncedControl> announced_control(std::string_view group, std::string_view key) {
    if (const AnnouncedEntry* entry = entry_for(group, key))
        return entry->control;
    return std::nullopt;
}

bool announcer_reports(std::string_view group, std::string_view key) {
    const AnnouncedEntry* entry = entry_for(group, key);
    return entry != nullptr && (entry->scope != AnnouncedScope::other || group == entry->group);
}

} // namespace cuevoice
