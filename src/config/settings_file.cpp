#include "config/settings_file.h"

#include "common/files.h"

namespace cuevoice {

Result<Settings> read_settings_file(const std::filesystem::path& path) {
    const std::string shown = path_text(path);
    auto bytes = read_whole_file(path);
    if (!bytes)
        return Error{"cannot read " + shown + ": " + bytes.error()};
    return settings_from_file_bytes(*bytes, shown);
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
