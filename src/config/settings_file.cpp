#include "config/settings_file.h"

#include "catalog/deserialize.h"
#include "common/files.h"
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

Result<Settings> read_settings_file(const std::filesystem::path& path) {
    const std::string shown = path_text(path);
    auto text = read_whole_file(path);
    if (!text)
        return Error{"cannot read " + shown + ": " + text.error()};
    if (!is_valid_utf8(*text))
        return Error{"cannot read " + shown + ": stream did not contain valid UTF-8"};
    std::string_view body = *text;
    if (body.substr(0, byte_order_mark.size()) == byte_order_mark)
        body.remove_prefix(byte_order_mark.size());
    auto settings = parse_settings_text(body, shown);
    if (!settings)
        return Error{"error in " + shown + ": " + settings.error()};
    return settings;
}

Result<void> write_settings_file_atomically(const std::filesystem::path& path,
                                            std::string_view text) {
    auto replaced = replace_file(path, text);
    if (!replaced)
        return Error{"cannot write " + path_text(path) + ": " + replaced.error()};
    return {};
}

Result<bool> create_settings_file(const std::filesystem::path& path, std::string_view text) {
    auto created = create_new_file(path, text);
    if (!created)
        return Error{"cannot write " + path_text(path) + ": " + created.error()};
    return created;
}

} // namespace cuevoice
