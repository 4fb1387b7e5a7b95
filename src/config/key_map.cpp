#include "config/key_map.h"

#include <memory>

#include "applog/applog.h"
#include "catalog/describe.h"
#include "common/visible_controls.h"
#include "config/key_chord.h"
#include "config/settings.h"

namespace cuevoice {
namespace {

void add_custom_binding(const Binding& binding, const Chord& chord, std::string name, Action action,
                        std::vector<KeyMapEntry>& entries) {
    const bool repeat = binding_repeats(binding.repeat, action);
    entries.push_back(KeyMapEntry{
        format_key_chord(chord.first, chord.second),
        std::nullopt,
        std::make_shared<const BoundAction>(BoundAction{std::move(name), std::move(action), {}}),
        chord.first,
        chord.second,
        repeat,
    });
}

BoundAction bound_action_of(const FoundFunction& found) {
    const FunctionEntry& function = *found.entry;
    if (found.deck)
        return BoundAction{function.name + ", deck " + std::to_string(*found.deck), function.action,
                           found.deck};
    return BoundAction{function.name, function.action, std::nullopt};
}

} // namespace

bool binding_repeats(const std::optional<bool>& repeat, const Action& action) {
    if (repeat)
        return *repeat;
    const ActionKind kind = action_kind(action);
    return kind == ActionKind::adjust || kind == ActionKind::beatgrid_move;
}

std::optional<BoundAction> action_for_function_id(std::string_view function_id) {
    return action_for_function_id(catalog(), function_id);
}

std::optional<BoundAction> action_for_function_id(const std::vector<FunctionEntry>& functions,
                                                  std::string_view function_id) {
    std::optional<FoundFunction> found = find_function_in(functions, function_id);
    if (!found)
        return std::nullopt;
    return bound_action_of(*found);
}

void bind_function_key(const ChordSet& switched_off, ChordSet& taken, std::string_view function_id,
                       std::string_view key_text, bool warn, std::vector<KeyMapEntry>& entries,
                       std::vector<std::string>& problems) {
    bind_function_key(catalog(), switched_off, taken, function_id, key_text, warn, entries,
                      problems);
}

void bind_function_key(const std::vector<FunctionEntry>& functions, const ChordSet& switched_off,
                       ChordSet& taken, std::string_view function_id, std::string_view key_text,
                       bool warn, std::vector<KeyMapEntry>& entries,
                       std::vector<std::string>& problems) {
    Result<KeyChord> parsed = parse_key_chord(key_text);
    if (!parsed) {
        problems.push_back(visible_controls(function_id) + ": " + parsed.error());
        return;
    }
    const Chord chord{parsed->modifiers, parsed->vk};
    if (switched_off.count(chord) != 0)
        return;
    if (taken.count(chord) != 0) {
        if (warn)
            problems.push_back(visible_controls(key_text) + " for " +
                               visible_controls(function_id) + " is already used; skipped");
        return;
    }
    std::optional<FoundFunction> found = find_function_in(functions, function_id);
    if (!found)
        return;
    const bool repeat = binding_repeats(found->entry->binding.repeat, found->entry->action);
    taken.insert(chord);
    entries.push_back(KeyMapEntry{
        format_key_chord(chord.first, chord.second),
        std::string(function_id),
        std::make_shared<const BoundAction>(bound_action_of(*found)),
        chord.first,
        chord.second,
        repeat,
    });
}

Result<KeyMap> build_key_map(const Shortcuts& shortcuts, const std::vector<Binding>& keys) {
    return build_key_map(catalog(), shortcuts, keys);
}

Result<KeyMap> build_key_map(const std::vector<FunctionEntry>& functions,
                             const Shortcuts& shortcuts, const std::vector<Binding>& keys) {
    ChordSet switched_off;
    ChordSet taken;
    KeyMap map;

    // Custom bindings come first and win over everything; among them the first chord counts.
    // Switching a chord off here only silences the functions' keys below.
    for (const Binding& binding : keys) {
        Result<KeyChord> parsed = parse_key_chord(binding.key);
        if (!parsed)
            return Error{parsed.error()};
        const Chord chord{parsed->modifiers, parsed->vk};
        if (binding.action == "none") {
            switched_off.insert(chord);
            continue;
        }
        if (taken.count(chord) != 0) {
            map.problems.push_back(visible_controls(binding.key) +
                                   " is used twice in [[keys]]; the first one counts");
            continue;
        }
        Result<BoundAction> described = describe_binding(binding);
        if (!described)
            return Error{described.error()};
        taken.insert(chord);
        add_custom_binding(binding, chord, std::move(described->name), std::move(described->action),
                           map.entries);
    }

    // A listed function has exactly the keys listed; the map is already in id order.
    for (const auto& [id, key_texts] : shortcuts) {
        if (!find_function_in(functions, id)) {
            map.problems.push_back("unknown function '" + visible_controls(id) +
                                   "' in [shortcuts]");
            continue;
        }
        for (const std::string& key_text : key_texts)
            bind_function_key(functions, switched_off, taken, id, key_text, true, map.entries,
                              map.problems);
    }

    // Defaults fill the rest; a chord already taken or switched off is dropped without a word.
    for (const FunctionEntry& function : functions) {
        if (shortcuts.count(function.id) != 0)
            continue;
        for (const std::string& key_text : function.default_keys)
            bind_function_key(functions, switched_off, taken, function.id, key_text, false,
                              map.entries, map.problems);
    }
    return map;
}

std::vector<HotKeyRow> hot_key_rows(const KeyMap& map) {
    std::vector<HotKeyRow> rows;
    rows.reserve(map.entries.size());
    for (const KeyMapEntry& entry : map.entries)
        rows.push_back(
            HotKeyRow{entry.key_text, entry.bound, entry.modifiers, entry.vk, entry.repeat});
    return rows;
}

Result<std::vector<HotKeyRow>> key_map_from_settings(const Settings& settings) {
    Result<KeyMap> map = build_key_map(settings.shortcuts, settings.keys);
    if (!map)
        return Error{map.error()};
    for (const std::string& problem : map->problems)
        app_log("config.toml: " + problem);
    return hot_key_rows(*map);
}

} // namespace cuevoice
