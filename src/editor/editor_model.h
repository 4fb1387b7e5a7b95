#pragma once
// What the key editor shows, derived from the settings: which keys each function has now, the
// [shortcuts] entries of unknown ids, the keys that [[keys]] entries take, and the rows of the
// function list with their columns. No window is involved; the window code displays this.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog.h"
#include "common/result.h"
#include "config/settings.h"

namespace cuevoice {

using FunctionKeys = std::map<std::string, std::vector<std::string>>;

// A chord that a [[keys]] entry takes: "switched off" for action "none", else its description.
struct CustomKey {
    std::uint32_t modifiers = 0;
    std::uint32_t vk = 0;
    std::string text;

    bool operator==(const CustomKey&) const = default;
};

struct EditorModel {
    // Function id ("play", "play@deck2") to its canonical key texts. After edits an entry may
    // hold no keys, which saving writes as an empty list when the function has defaults.
    FunctionKeys function_keys;
    // [shortcuts] entries whose id names no catalogue function: never shown, always kept.
    FunctionKeys stray_shortcuts;
    // One per [[keys]] entry, in file order.
    std::vector<CustomKey> custom_keys;

    bool operator==(const EditorModel&) const = default;
};

// One row of the function list.
struct FunctionRow {
    std::string id; // with "@deckN" for a per-deck row
    const FunctionEntry* function = nullptr;
    std::optional<std::uint8_t> fixed_deck;

    bool operator==(const FunctionRow&) const = default;
};

// The model of the settings: the key map's hard error is its error.
Result<EditorModel> build_editor_model(const Settings& settings);

// The [shortcuts] ids that name a function on a fixed deck (they hold '@'), sorted.
std::set<std::string> per_deck_ids_of(const Settings& settings);

// The display texts of the id's keys joined with ", "; empty when it has none.
std::string keys_of_function(const FunctionKeys& function_keys, std::string_view id);

// The name by which messages name a function: its name, "{name}, deck {N}" for a fixed deck,
// or the id itself when the catalogue does not know it.
std::string function_display_name(std::string_view id);

// What the filter box and the category box say. The category is the category box's selection:
// none or 0 means every category, k the k-th catalogue category.
struct FunctionFilter {
    std::string text; // UTF-8
    std::optional<std::size_t> category_index;
};

// The rows that match, in catalogue order, each function's plain row before its deck rows.
// Deck rows exist only for the ids in per_deck_ids.
std::vector<FunctionRow> filter_function_rows(const FunctionFilter& filter,
                                              const FunctionKeys& function_keys,
                                              const std::set<std::string>& per_deck_ids);

// The four columns of a row: name, shortcuts, category, id.
std::array<std::string, 4> function_row_columns(const FunctionRow& row,
                                                const FunctionKeys& function_keys);

// The category box's items: "All categories", then the catalogue's categories.
std::vector<std::string> category_box_items();

// True when both lists hold the same ids in the same order: the list can then be updated in
// place, keeping its selection and scroll position.
bool same_row_ids(const std::vector<FunctionRow>& shown, const std::vector<FunctionRow>& fresh);

// The row to select after a refill: the first with the id to keep, else the first row; none
// when there are no rows.
std::optional<std::size_t> row_to_select(const std::vector<FunctionRow>& rows,
                                         const std::optional<std::string>& keep_id);

// What the shortcut list shows for the selected row (none: nothing selected).
struct KeyListContents {
    std::vector<std::string> items;       // display texts, in the function's key order
    std::optional<std::size_t> selection; // none when there are no items
};
KeyListContents key_list_contents(const FunctionKeys& function_keys, const FunctionRow* selected,
                                  const std::optional<std::string>& select_key = std::nullopt);

} // namespace cuevoice
