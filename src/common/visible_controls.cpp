#include "common/visible_controls.h"

#include "common/utf8.h"

namespace cuevoice {

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
