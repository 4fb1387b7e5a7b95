#include "catalog/debug_text.h"

#include <cstdio>

#include "common/utf8.h"

namespace cuevoice {

std::string debug_quoted(std::string_view text) {
    std::string quoted = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const CodePoint point = decode_utf8_at(text, at);
        const std::string_view bytes = text.substr(at, point.length);
        at += point.length;
        switch (point.value) {
        case U'"':
            quoted += "\\\"";
            break;
        case U'\\':
            quoted += "\\\\";
            break;
        case U'\n':
            quoted += "\\n";
            break;
        case U'\r':
            quoted += "\\r";
            break;
        case U'\t':
            quoted += "\\t";
            break;
        case U'\0':
            quoted += "\\0";
            break;
        default:
            // The C1 controls (U+0080 to U+009F) are as unseen and unspoken as C0 and DEL, and
            // U+009B starts a terminal's control sequence. A malformed byte is kept as it is.
            if (point.value < 0x20 || (point.value >= 0x7F && point.value <= 0x9F)) {
                char escaped[12];
                std::snprintf(escaped, sizeof escaped, "\\u{%x}",
                              static_cast<unsigned>(point.value));
                quoted += escaped;
            } else {
                quoted += bytes;
            }
        }
    }
    quoted += '"';
    return quoted;
}

} // namespace cuevoice
