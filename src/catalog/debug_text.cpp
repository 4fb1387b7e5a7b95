#include "catalog/debug_text.h"

#include <cstdio>

namespace cuevoice {

std::string debug_quoted(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        case '\0':
            quoted += "\\0";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                char escaped[12];
                std::snprintf(escaped, sizeof escaped, "\\u{%x}", static_cast<unsigned>(c));
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    quoted += '"';
    return quoted;
}

} // namespace cuevoice
