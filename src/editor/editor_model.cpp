#include "editor/editor_model.h"

#include <algorithm>

#include "catalog/describe.h"
#include "common/text_case.h"
#include "config/key_chord.h"
#include "config/key_map.h"

namespace cuevoice {
namespace {

std::string deck_name(std::string_view name, std::uint8_t deck) {
    return std::string(name) + ", deck " + std::to_string(deck);
}

std::string row_display_name(const FunctionRow& row) {
    return row.fixed_deck ? deck_name(row.function->name, *row.fixed_deck) : row.function->name;
}

// "play@deck02" and "play@deck+2" name the same function as "play@deck2", the only form that
// saving writes: held under that form, their keys are shown and written back, not dropped.
std::string canonical_function_id(const std::string& id) {
    auto found = find_function(id);
    if (!found || !found->deck)
        return id;
    return found->entry->id + "@deck" + std::to_string(*found->deck);
}

bool matches_every_word(const std::string& haystack, const std::vector<std::string>& words) {
    return std::all_of(words.begin(), words.end(), [&](const std::string& word) {
        return haystack.find(word) != std::string::npos;
    });
}

} // namespace

Result<EditorModel> build_editor_model(const Settings& settings) {
    auto map = build_key_map(settings.shortcuts, settings.keys);
    if (!map)
        return Error{map.error()};
    EditorModel model;
    for (const KeyMapEntry& entry : map->entries) {
        if (entry.function_id)
            model.function_keys[canonical_function_id(*entry.function_id)].push_back(
                entry.key_text);
    }
    for (const auto& [id, keys] : settings.shortcuts) {
        if (!find_function(id))
            model.stray_shortcuts[id] = keys;
    }
    for (const Binding& binding : settings.keys) {
        auto chord = parse_key_chord(binding.key);
        if (!chord)
            return Error{chord.error()};
        std::string text;
        if (binding.action == "none") {
            text = "switched off";
        } else {
            auto described = describe_binding(binding);
            if (!described)
                return Error{described.error()};
            text = described->name;
        }
        model.custom_keys.push_back({chord->modifiers, chord->vk, std::move(text)});
    }
    return model;
}

std::set<std::string> per_deck_ids_of(const Settings& settings) {
    std::set<std::string> ids;
    for (const auto& entry : settings.shortcuts) {
        if (entry.first.find('@') != std::string::npos)
            ids.insert(canonical_function_id(entry.first));
    }
    return ids;
}

std::string keys_of_function(const FunctionKeys& function_keys, std::string_view id) {
    auto found = function_keys.find(std::string(id));
    if (found == function_keys.end())
        return {};
    std::string joined;
    for (const std::string& key : found->second) {
        if (!joined.empty())
            joined += ", ";
        joined += key_chord_display_text(key);
    }
    return joined;
}

std::string function_display_name(std::string_view id) {
    auto found = find_function(id);
    if (!found)
        return std::string(id);
    if (found->deck)
        return deck_name(found->entry->name, *found->deck);
    return found->entry->name;
}

std::vector<FunctionRow> filter_function_rows(const FunctionFilter& filter,
                                              const FunctionKeys& function_keys,
                                              const std::set<std::string>& per_deck_ids) {
    const std::vector<std::string> words = split_at_white_space(lower_case_text(filter.text));
    std::optional<std::string_view> category;
    if (filter.category_index && *filter.category_index > 0) {
        auto categories = catalog_categories();
        if (*filter.category_index <= categories.size())
            category = categories[*filter.category_index - 1];
    }
    std::vector<FunctionRow> rows;
    for (const FunctionEntry& function : catalog()) {
        if (category && function.category != *category)
            continue;
        std::vector<FunctionRow> candidates{{function.id, &function, std::nullopt}};
        if (function.deck_function) {
            for (std::uint8_t deck = 1; deck <= 4; ++deck) {
                std::string id = function.id + "@deck" + std::to_string(deck);
                if (per_deck_ids.count(id))
                    candidates.push_back({std::move(id), &function, deck});
            }
        }
        for (FunctionRow& candidate : candidates) {
            std::string haystack = row_display_name(candidate) + " " + function.category + " " +
                                   keys_of_function(function_keys, candidate.id) + " " +
                                   candidate.id;
            if (matches_every_word(lower_case_text(haystack), words))
                rows.push_back(std::move(candidate));
        }
    }
    return rows;
}

std::array<std::string, 4> function_row_columns(const FunctionRow& row,
                                                const FunctionKeys& function_keys) {
    return {row_display_name(row), keys_of_function(function_keys, row.id), row.function->category,
            row.id};
}

std::vector<std::string> category_box_items() {
    std::vector<std::string> items{"All categories"};
    for (std::string_view category : catalog_categories())
        items.emplace_back(category);
    return items;
}

bool same_row_ids(const std::vector<FunctionRow>& shown, const std::vector<FunctionRow>& fresh) {
    return std::equal(shown.begin(), shown.end(), fresh.begin(), fresh.end(),
                      [](const FunctionRow& a, const FunctionRow& b) { return a.id == b.id; });
}

std::optional<std::size_t> row_to_select(const std::vector<FunctionRow>& rows,
                                         const std::optional<std::string>& keep_id) {
    if (rows.empty())
        return std::nullopt;
    if (keep_id) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].id == *keep_id)
                return i;
        }
    }
    return 0;
}

KeyListContents key_list_contents(const FunctionKeys& function_keys, const FunctionRow* selected,
                                  const std::optional<std::string>& select_key) {
    KeyListContents contents;
    if (selected == nullptr)
        return contents;
    auto found = function_keys.find(selected->id);
    if (found == function_keys.end() || found->second.empty())
        return contents;
    const std::vector<std::string>& keys = found->second;
    for (const std::string& key : keys)
        contents.items.push_back(key_chord_display_text(key));
    contents.selection = 0;
    if (select_key) {
        auto at = std::find(keys.begin(), keys.end(), *select_key);
        if (at != keys.end())
            contents.selection = static_cast<std::size_t>(at - keys.begin());
    }
    return contents;
}

} // namespace cuevoice
