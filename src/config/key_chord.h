#pragma once
// Key combinations as people write them ("ctrl+alt+p") and as RegisterHotKey takes them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace cuevoice {

// The modifier bits are those of RegisterHotKey.
inline constexpr std::uint32_t modifier_alt = 1;
inline constexpr std::uint32_t modifier_ctrl = 2;
inline constexpr std::uint32_t modifier_shift = 4;
inline constexpr std::uint32_t modifier_win = 8;

struct KeyChord {
    std::uint32_t modifiers = 0;
    std::uint32_t vk = 0;

    bool operator==(const KeyChord&) const = default;
};

// Parts separated by "+", case and blanks around the parts ignored, modifiers in any order.
Result<KeyChord> parse_key_chord(std::string_view text);

// The canonical text: ctrl, alt, shift, win, then the key's name ("?" for a code without one).
std::string format_key_chord(std::uint32_t modifiers, std::uint32_t vk);

// The name of one of the 89 known keys, or none.
std::optional<std::string> key_name_of_vk(std::uint32_t vk);

// The 89 key names in the order the key editor offers them.
const std::vector<std::string>& all_key_names();

// The words shown and spoken for a key text ("ctrl+alt+pageup" is "Ctrl+Alt+Page Up").
// Nothing is checked: every part is shown in the order written.
std::string key_chord_display_text(std::string_view text);
std::string key_part_display_name(std::string_view part);

} // namespace cuevoice
