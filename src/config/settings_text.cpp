#include "config/settings_text.h"

#include <string>

#include "catalog/deserialize.h"
#include "common/utf8.h"
#include "config/settings_document.h"
#include "config/toml_nesting.h"

namespace cuevoice {
namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

} // namespace

Result<Settings> parse_settings_text(std::string_view text, std::string_view source_name) {
    if (auto problem = find_excessive_nesting(text)) {
        toml::source_position where{static_cast<toml::source_index>(problem->line),
                                    static_cast<toml::source_index>(problem->column)};
        return Error{
            toml_syntax_error_text(toml::parse_error(problem->reason.c_str(), where), text)};
    }
    toml::table document;
    try {
        document = toml::parse(text, source_name);
    } catch (const toml::parse_error& error) {
        return Error{toml_syntax_error_text(error, text)};
    }
    return deserialize_settings(document);
}

Result<Settings> settings_from_file_bytes(std::string_view bytes, std::string_view shown) {
    if (!is_valid_utf8(bytes))
        return Error{"cannot read " + std::string(shown) + ": stream did not contain valid UTF-8"};
    if (bytes.starts_with(byte_order_mark))
        bytes.remove_prefix(byte_order_mark.size());
    auto settings = parse_settings_text(bytes, shown);
    if (!settings)
        return Error{"error in " + std::string(shown) + ": " + settings.error()};
    return settings;
}

} // namespace cuevoice
