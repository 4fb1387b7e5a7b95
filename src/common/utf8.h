#pragma once
// UTF-8 as every part reads it: strict, so that no overlong form, surrogate or value above
// U+10FFFF passes for a character.
#include <cstddef>
#include <string_view>

namespace cuevoice {

// True when the whole text is strict UTF-8.
bool is_valid_utf8(std::string_view text);

// One code point with its length in bytes. A malformed byte is a code point of its own, one
// byte long, whose value is `not_a_code_point`, so a walk over any text always moves on.
struct CodePoint {
    char32_t value;
    std::size_t length;
};

inline constexpr char32_t not_a_code_point = 0xFFFFFFFF;

// The code point that starts at `at` (which must be inside the text).
CodePoint decode_utf8_at(std::string_view text, std::size_t at);

// The code point that ends just before `end` (which must be above 0); a malformed last byte
// gives `not_a_code_point` with length 1.
CodePoint decode_utf8_before(std::string_view text, std::size_t end);

} // namespace cuevoice
