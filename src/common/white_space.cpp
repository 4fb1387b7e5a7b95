#include "common/white_space.h"

#include "common/utf8.h"

namespace cuevoice {

bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

std::string_view trim_white_space_end(std::string_view text) {
    while (!text.empty()) {
        CodePoint last = decode_utf8_before(text, text.size());
        if (!is_white_space(last.value))
            break;
        text.remove_suffix(last.length);
    }
    return text;
}

std::string_view trim_white_space(std::string_view text) {
    while (!text.empty()) {
        CodePoint first = decode_utf8_at(text, 0);
        if (!is_white_space(first.value))
            break;
        text.remove_prefix(first.length);
    }
    return trim_white_space_end(text);
}

} // namespace cuevoice
