#pragma once
// Reading UTF-8 one code point at a time, and Unicode White_Space trimming.
#include <cstddef>
#include <string_view>

namespace cuevoice {

// One code point decoded from UTF-8, with its length in bytes; a malformed byte counts as a
// code point of its own (`not_a_code_point`) that is never white space.
struct CodePoint {
    char32_t value;
    std::size_t length;
};

inline constexpr char32_t not_a_code_point = 0xFFFFFFFF;

// The code point that starts at `at` (< text.size()).
CodePoint decode_utf8_at(std::string_view text, std::size_t at);
// The code point that ends just before `end` (> 0).
CodePoint decode_utf8_before(std::string_view text, std::size_t end);

// Unicode's White_Space property.
bool is_white_space(char32_t c);

std::string_view trim_white_space(std::string_view text);
std::string_view trim_white_space_end(std::string_view text);

} // namespace cuevoice
