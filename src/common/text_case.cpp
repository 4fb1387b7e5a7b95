#include "common/text_case.h"

#include <windows.h>

#include "common/text.h"
#include "common/utf8.h"

namespace cuevoice {
namespace {

// Unicode's White_Space property; every such character lies in the Basic Multilingual Plane.
bool is_white_space(wchar_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool is_letter(wchar_t c) {
    return IsCharAlphaW(c) != 0;
}

constexpr wchar_t capital_i_with_dot = 0x0130;
constexpr wchar_t capital_sigma = 0x03A3;
constexpr wchar_t final_sigma = 0x03C2;
constexpr wchar_t combining_dot_above = 0x0307;

} // namespace

std::string lower_case_text(std::string_view utf8) {
    std::wstring wide = to_wide(utf8);
    if (wide.empty())
        return {};
    std::wstring lower(wide.size(), L'\0');
    int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.data(),
                               static_cast<int>(wide.size()), lower.data(),
                               static_cast<int>(lower.size()), nullptr, nullptr, 0);
    if (length != static_cast<int>(wide.size()))
        lower = wide; // cannot happen for a one-to-one mapping; keep the text rather than lose it
    std::wstring result;
    result.reserve(lower.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == capital_i_with_dot) {
            result += L'i';
            result += combining_dot_above;
        } else if (wide[i] == capital_sigma) {
            bool after_letter = i > 0 && is_letter(wide[i - 1]);
            bool before_letter = i + 1 < wide.size() && is_letter(wide[i + 1]);
            result += after_letter && !before_letter ? final_sigma : lower[i];
        } else {
            result += lower[i];
        }
    }
    return to_utf8(result);
}

std::vector<std::string> split_at_white_space(std::string_view utf8) {
    std::wstring wide = to_wide(utf8);
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= wide.size(); ++i) {
        if (i == wide.size() || is_white_space(wide[i])) {
            if (i > start)
                pieces.push_back(to_utf8(std::wstring_view(wide).substr(start, i - start)));
            start = i + 1;
        }
    }
    return pieces;
}

std::string upper_case_first_character(std::string_view utf8) {
    if (utf8.empty())
        return {};
    CodePoint first = decode_utf8_at(utf8, 0);
    if (first.value == not_a_code_point)
        return std::string(utf8);
    std::wstring wide = to_wide(utf8.substr(0, first.length));
    int size = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                             static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr, 0);
    if (size <= 0)
        return std::string(utf8);
    std::wstring upper(static_cast<std::size_t>(size), L'\0');
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                  static_cast<int>(wide.size()), upper.data(), size, nullptr, nullptr, 0);
    return to_utf8(upper) + std::string(utf8.substr(first.length));
}

} // namespace cuevoice
