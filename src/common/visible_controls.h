#pragma once
// Control characters of a text the user wrote (a settings file), made visible for the log, the
// output and the voice: raw, a NUL cuts a text short wherever it goes and the others are unseen
// and unspoken.
#include <cstddef>
#include <string>
#include <string_view>

namespace cuevoice {

// The text with each control character written as the TOML library's own error texts write one
// (\u0000, \b, \t, \n, \f, \r, \u007F; the C1 controls U+0080 to U+009F as \u0080 to \u009F),
// and how wide the characters before the column (counted in characters from 1, as the library
// counts) are in it: one for a character shown as it is, the escape's length for an escaped one,
// one for each column past the end.
struct VisibleText {
    std::string text;
    std::size_t before_column = 0;
};

VisibleText with_visible_controls(std::string_view text, std::size_t column = 0);

// The text with each control character written as its escape.
std::string visible_controls(std::string_view text);

} // namespace cuevoice
