#pragma once
// The effective key map: custom [[keys]] bindings, then the [shortcuts] of the settings file,
// then the catalogue's default keys, merged into one ordered list of hot keys.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalog/binding.h"
#include "catalog/bound_action.h"
#include "catalog/catalog.h"
#include "common/result.h"

namespace cuevoice {

struct Settings;

// One effective binding.
struct KeyMapEntry {
    std::string key_text;                   // canonical, whatever spelling the source used
    std::optional<std::string> function_id; // as the source named it; none for [[keys]]
    SharedBoundAction bound;
    std::uint32_t modifiers = 0;
    std::uint32_t vk = 0;
    bool repeat = false;
};

// The bindings in the order in which they become hot keys, and what had to be left out.
struct KeyMap {
    std::vector<KeyMapEntry> entries;
    std::vector<std::string> problems;
};

// One row of the hot-key table: an entry without its function id.
struct HotKeyRow {
    std::string key_text;
    SharedBoundAction bound;
    std::uint32_t modifiers = 0;
    std::uint32_t vk = 0;
    bool repeat = false;
};

// A chord as modifiers and virtual key: two spellings of one chord are one pair.
using Chord = std::pair<std::uint32_t, std::uint32_t>;
using ChordSet = std::set<Chord>;
using Shortcuts = std::map<std::string, std::vector<std::string>>;

// Merges the three sources over the built-in catalogue. A [[keys]] entry whose key or action
// is invalid fails the whole build; everything else left out becomes a problem text.
Result<KeyMap> build_key_map(const Shortcuts& shortcuts, const std::vector<Binding>& keys);
Result<KeyMap> build_key_map(const std::vector<FunctionEntry>& functions,
                             const Shortcuts& shortcuts, const std::vector<Binding>& keys);

// Binds one key text of a function: adds at most one entry or one problem.
void bind_function_key(const ChordSet& switched_off, ChordSet& taken, std::string_view function_id,
                       std::string_view key_text, bool warn, std::vector<KeyMapEntry>& entries,
                       std::vector<std::string>& problems);
void bind_function_key(const std::vector<FunctionEntry>& functions, const ChordSet& switched_off,
                       ChordSet& taken, std::string_view function_id, std::string_view key_text,
                       bool warn, std::vector<KeyMapEntry>& entries,
                       std::vector<std::string>& problems);

// What a function id ("play", "play@deck2") runs, or none when the id names no function.
std::optional<BoundAction> action_for_function_id(std::string_view function_id);
std::optional<BoundAction> action_for_function_id(const std::vector<FunctionEntry>& functions,
                                                  std::string_view function_id);

// Whether a binding's key repeats while held: its own `repeat`, else adjust and beatgrid_move.
bool binding_repeats(const std::optional<bool>& repeat, const Action& action);

// The hot-key rows of the settings, every problem logged as "config.toml: {}".
Result<std::vector<HotKeyRow>> key_map_from_settings(const Settings& settings);

// The rows of a built map, in order.
std::vector<HotKeyRow> hot_key_rows(const KeyMap& map);

} // namespace cuevoice
