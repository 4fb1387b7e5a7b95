#pragma once
// Who holds a key chord now, from the editor's point of view, and the words for it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "editor/editor_model.h"

namespace cuevoice {

// Keys that Windows or the screen reader need; the editor never assigns them.
inline constexpr std::array<std::string_view, 20> reserved_chords{
    "ctrl+alt+n",      "ctrl+alt+up", "ctrl+alt+down",     "ctrl+alt+left", "ctrl+alt+right",
    "ctrl+alt+delete", "ctrl+escape", "ctrl+shift+escape", "alt+tab",       "alt+shift+tab",
    "alt+escape",      "alt+f4",      "alt+space",         "win+l",         "win+d",
    "win+r",           "win+e",       "win+tab",           "win+b",         "win+m"};

struct KeyFree {
    bool operator==(const KeyFree&) const = default;
};
struct KeyReserved {
    bool operator==(const KeyReserved&) const = default;
};
struct KeyCustom {
    std::string text; // the [[keys]] entry's text from custom_keys
    bool operator==(const KeyCustom&) const = default;
};
struct KeyUsed {
    std::string function_id;
    bool operator==(const KeyUsed&) const = default;
};
using KeyHolder = std::variant<KeyFree, KeyReserved, KeyCustom, KeyUsed>;

// First match wins: reserved, a [[keys]] entry (switched-off ones too), the first function id in
// byte order whose keys hold the chord, else free.
KeyHolder who_holds_key(const EditorModel& model, std::uint32_t modifiers, std::uint32_t vk);

// What the add-shortcut dialog says after a captured key, for the id it would assign to.
std::string key_status_text(const EditorModel& model, std::uint32_t modifiers, std::uint32_t vk,
                            std::string_view target_id);

// The display text with every '+' replaced by a blank: "Ctrl Alt P".
std::string key_chord_spoken_text(std::string_view key_text);

} // namespace cuevoice
