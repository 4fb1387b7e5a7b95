#include "common/utf8.h"

namespace cuevoice {

CodePoint decode_utf8_at(std::string_view text, std::size_t at) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    std::size_t length = lead < 0x80         ? 1
                         : (lead >> 5) == 6  ? 2
                         : (lead >> 4) == 14 ? 3
                         : (lead >> 3) == 30 ? 4
                                             : 0;
    if (length == 1)
        return {lead, 1};
    if (length == 0 || at + length > text.size())
        return {not_a_code_point, 1};
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {not_a_code_point, 1};
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    // An overlong form (a blank written in two bytes), a surrogate or a value past the last
    // code point is no character at all.
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {not_a_code_point, 1};
    return {value, length};
}

CodePoint decode_utf8_before(std::string_view text, std::size_t end) {
    std::size_t start = end - 1;
    while (start > 0 && end - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    CodePoint found = decode_utf8_at(text, start);
    if (found.value == not_a_code_point || start + found.length != end)
        return {not_a_code_point, 1};
    return found;
}

bool is_valid_utf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        CodePoint next = decode_utf8_at(text, at);
        if (next.value == not_a_code_point)
            return false;
        at += next.length;
    }
    return true;
}

} // namespace cuevoice
