#include "common/visible_controls.h"

#include "common/utf8.h"

namespace cuevoice {
namespace {

// A control character as the TOML library's own error texts write one (\u0000, \b, \t, \n, \f,
// \r, \u007F); empty for a character shown as it is. The C1 controls (U+0080 to U+009F) are
// escaped as well, as \u0080 to \u009F: like the others they are invisible in the log and
// unspoken, U+0085 ends a line for some programs and U+009B starts a terminal's control sequence
// for others, and a file that went through Latin-1 on its way to UTF-8 is full of them.
std::string control_escape(char32_t character) {
    switch (character) {
    case U'\b':
        return "\\b";
    case U'\t':
        return "\\t";
    case U'\n':
        return "\\n";
    case U'\f':
        return "\\f";
    case U'\r':
        return "\\r";
    default:
        break;
    }
    if (character >= 0x20 && (character < 0x7F || character > 0x9F))
        return {};
    constexpr std::string_view digits = "0123456789ABCDEF";
    return std::string("\\u00") + digits[(character >> 4) & 0xF] + digits[character & 0xF];
}

} // namespace

VisibleText with_visible_controls(std::string_view text, std::size_t column) {
    VisibleText shown;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size();) {
        const CodePoint point = decode_utf8_at(text, at);
        const std::string escape =
            point.value == not_a_code_point ? std::string() : control_escape(point.value);
        if (++characters < column)
            shown.before_column += escape.empty() ? 1 : escape.size();
        if (escape.empty())
            shown.text.append(text.substr(at, point.length));
        else
            shown.text += escape;
        at += point.length;
    }
    if (characters + 1 < column)
        shown.before_column += column - 1 - characters;
    return shown;
}

std::string visible_controls(std::string_view text) {
    return with_visible_controls(text).text;
}

} // namespace cuevoice
