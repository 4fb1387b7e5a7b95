#include "config/key_chord.h"

#include <array>
#include <utility>

#include "common/text_case.h"
#include "common/visible_controls.h"
#include "common/white_space.h"

namespace cuevoice {
namespace {

struct NamedKey {
    std::string_view name;
    std::uint32_t vk;
};

// The order is the key editor's order after the letters, digits and function keys.
constexpr std::array<NamedKey, 29> named_keys{{
    {"up", 38},           {"down", 40},          {"left", 37},       {"right", 39},
    {"space", 32},        {"enter", 13},         {"tab", 9},         {"home", 36},
    {"end", 35},          {"pageup", 33},        {"pagedown", 34},   {"insert", 45},
    {"delete", 46},       {"escape", 27},        {"backspace", 8},   {"comma", 188},
    {"period", 190},      {"minus", 189},        {"plus", 187},      {"semicolon", 186},
    {"quote", 222},       {"slash", 191},        {"backslash", 220}, {"backquote", 192},
    {"openbracket", 219}, {"closebracket", 221}, {"pause", 19},      {"scrolllock", 145},
    {"printscreen", 44},
}};

constexpr std::array<std::pair<std::string_view, std::string_view>, 21> display_words{{
    {"ctrl", "Ctrl"},
    {"control", "Ctrl"},
    {"alt", "Alt"},
    {"shift", "Shift"},
    {"win", "Windows"},
    {"pageup", "Page Up"},
    {"pagedown", "Page Down"},
    {"comma", "Comma"},
    {"period", "Period"},
    {"minus", "Minus"},
    {"plus", "Plus"},
    {"openbracket", "Open Bracket"},
    {"closebracket", "Close Bracket"},
    {"semicolon", "Semicolon"},
    {"quote", "Quote"},
    {"slash", "Slash"},
    {"backslash", "Backslash"},
    {"backquote", "Backquote"},
    {"backspace", "Backspace"},
    {"scrolllock", "Scroll Lock"},
    {"printscreen", "Print Screen"},
}};

std::string normalized_part(std::string_view piece) {
    std::string part(trim_white_space(piece));
    for (char& c : part)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return part;
}

std::vector<std::string_view> split_at_plus(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t plus = text.find('+', start);
        if (plus == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, plus - start));
        start = plus + 1;
    }
}

std::optional<std::uint32_t> modifier_bit(std::string_view part) {
    if (part == "alt")
        return modifier_alt;
    if (part == "ctrl" || part == "control")
        return modifier_ctrl;
    if (part == "shift")
        return modifier_shift;
    if (part == "win")
        return modifier_win;
    return std::nullopt;
}

// "f" and one or more decimal digits worth 1 to 24; leading zeros are allowed.
std::optional<std::uint32_t> function_key_number(std::string_view part) {
    if (part.size() < 2 || part[0] != 'f')
        return std::nullopt;
    std::uint32_t number = 0;
    for (char c : part.substr(1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
        if (number > 24)
            return std::nullopt;
    }
    if (number < 1)
        return std::nullopt;
    return number;
}

std::optional<std::uint32_t> vk_of_key_name(std::string_view part) {
    if (part.size() == 1 &&
        ((part[0] >= '0' && part[0] <= '9') || (part[0] >= 'a' && part[0] <= 'z')))
        return static_cast<std::uint32_t>(part[0] >= 'a' ? part[0] - 'a' + 'A' : part[0]);
    if (auto number = function_key_number(part))
        return 0x6F + *number;
    for (const NamedKey& key : named_keys)
        if (key.name == part)
            return key.vk;
    return std::nullopt;
}

std::string function_key_name(std::uint32_t number) {
    std::string name(1, 'f');
    name += std::to_string(number);
    return name;
}

// A key text as a message quotes it, a control character in it shown as its escape.
std::string quoted(std::string_view text) {
    std::string result = "'";
    result.append(visible_controls(text));
    result += '\'';
    return result;
}

} // namespace

Result<KeyChord> parse_key_chord(std::string_view text) {
    KeyChord chord;
    bool have_key = false;
    for (std::string_view piece : split_at_plus(text)) {
        std::string part = normalized_part(piece);
        if (auto bit = modifier_bit(part)) {
            chord.modifiers |= *bit;
            continue;
        }
        if (have_key)
            return Error{quoted(text) + ": more than one key"};
        auto vk = vk_of_key_name(part);
        if (!vk)
            return Error{quoted(text) + ": unknown key " + quoted(part)};
        chord.vk = *vk;
        have_key = true;
    }
    if (!have_key)
        return Error{quoted(text) + ": no key given"};
    return chord;
}

std::string format_key_chord(std::uint32_t modifiers, std::uint32_t vk) {
    std::string text;
    auto add = [&](std::string_view part) {
        if (!text.empty())
            text += '+';
        text.append(part);
    };
    if (modifiers & modifier_ctrl)
        add("ctrl");
    if (modifiers & modifier_alt)
        add("alt");
    if (modifiers & modifier_shift)
        add("shift");
    if (modifiers & modifier_win)
        add("win");
    add(key_name_of_vk(vk).value_or("?"));
    return text;
}

std::optional<std::string> key_name_of_vk(std::uint32_t vk) {
    if (vk >= 0x41 && vk <= 0x5A)
        return std::string(1, static_cast<char>(vk - 0x41 + 'a'));
    if (vk >= 0x30 && vk <= 0x39)
        return std::string(1, static_cast<char>(vk));
    if (vk >= 0x70 && vk <= 0x87)
        return function_key_name(vk - 0x6F);
    for (const NamedKey& key : named_keys)
        if (key.vk == vk)
            return std::string(key.name);
    return std::nullopt;
}

const std::vector<std::string>& all_key_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (char c = 'a'; c <= 'z'; ++c)
            list.emplace_back(1, c);
        for (char c = '0'; c <= '9'; ++c)
            list.emplace_back(1, c);
        for (int n = 1; n <= 24; ++n)
            list.push_back(function_key_name(static_cast<std::uint32_t>(n)));
        for (const NamedKey& key : named_keys)
            list.emplace_back(key.name);
        return list;
    }();
    return names;
}

std::string key_part_display_name(std::string_view part) {
    std::string normal = normalized_part(part);
    for (const auto& [name, word] : display_words)
        if (name == normal)
            return std::string(word);
    if (normal.empty())
        return normal;
    return upper_case_first_character(normal);
}

std::string key_chord_display_text(std::string_view text) {
    std::string display;
    bool first = true;
    for (std::string_view piece : split_at_plus(text)) {
        if (!first)
            display += '+';
        first = false;
        display += key_part_display_name(piece);
    }
    return display;
}

} // namespace cuevoice
