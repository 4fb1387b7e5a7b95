#include "config/load_settings.h"

#include <windows.h>

#include "applog/applog.h"
#include "catalog/deserialize.h"
#include "common/fatal.h"
#include "common/files.h"
#include "common/text.h"
#include "common/visible_controls.h"
#include "config/settings_document.h"
#include "config/settings_file.h"
#include "config/settings_writer.h"
#include "registry/find_mixxx.h"

namespace cuevoice::embedded {
extern const std::string_view legacy_keys_toml;
}

namespace cuevoice {
namespace {

std::filesystem::path backup_path(const std::filesystem::path& path) {
    std::filesystem::path backup = path;
    backup.replace_extension(L".toml.bak");
    return backup;
}

// An existing backup is never overwritten.
unsigned long copy_without_replacing(const std::filesystem::path& from,
                                     const std::filesystem::path& to) {
    if (CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS))
        return 0;
    return GetLastError();
}

// Replaces legacy default entries by nothing; gives the new settings when the file changed.
Result<std::optional<Settings>> convert_legacy_file(const std::filesystem::path& path,
                                                    const Settings& loaded,
                                                    const SettingsLoadContext& context) {
    auto legacy = legacy_default_keys();
    if (!legacy)
        fatal_error("legacy keys are valid", legacy.error());
    Settings kept = loaded;
    kept.keys.clear();
    for (const Binding& binding : loaded.keys)
        if (not_a_legacy_default(*legacy, binding))
            kept.keys.push_back(binding);
    if (kept.keys.size() == loaded.keys.size())
        return std::optional<Settings>();

    // The new text must read back as settings before anything on disk changes.
    std::string text = converted_settings_text(kept);
    auto reread = parse_settings_text(text, path_text(path));
    if (!reread)
        return Error{"internal error: " + reread.error()};

    std::filesystem::path backup = backup_path(path);
    unsigned long failure = 0;
    if (!path_exists(backup))
        failure = context.copy_file ? context.copy_file(path, backup)
                                    : copy_without_replacing(path, backup);
    else if (!is_plain_file(backup))
        // A folder of that name is no copy of the file, and none can be made beside it.
        failure = ERROR_ALREADY_EXISTS;
    if (failure != 0) {
        // Without its copy, rewriting the old file could lose what only it holds (comments,
        // entries this version does not know). Use the kept entries and try again next time.
        context.log("settings file not converted: cannot copy it to " + path_text(backup) + ": " +
                    error_code_text(failure));
        return std::optional<Settings>(std::move(kept));
    }
    auto written = write_settings_file_atomically(path, text);
    if (!written)
        return Error{written.error()};
    context.log("settings file converted to the new format (old one kept as " + path_text(backup) +
                ")");
    return std::optional<Settings>(std::move(*reread));
}

} // namespace

Result<std::vector<Binding>> legacy_default_keys() {
    toml::table document;
    try {
        document = toml::parse(embedded::legacy_keys_toml, std::string_view("legacy_keys.toml"));
    } catch (const toml::parse_error& error) {
        return Error{toml_syntax_error_text(error, embedded::legacy_keys_toml)};
    }
    const toml::node* keys = document.get("keys");
    if (keys == nullptr)
        return Error{"missing field `keys`"};
    return deserialize_binding_list(*keys);
}

bool not_a_legacy_default(const std::vector<Binding>& legacy, const Binding& binding) {
    for (const Binding& entry : legacy)
        if (entry == binding)
            return false;
    return true;
}

Result<LoadedSettings> load_settings(const SettingsLoadContext& context) {
    LoadedSettings loaded;
    loaded.config_path = context.folder / L"config.toml";
    const std::filesystem::path& path = loaded.config_path;

    Inspection found = inspect_path(path);
    if (found.presence == Presence::unknown)
        return Error{"cannot read " + path_text(path) + ": " + found.error};
    if (found.presence == Presence::missing) {
        std::optional<std::string> mixxx = context.find_mixxx();
        if (auto made = create_folders(context.folder); !made)
            return Error{"cannot create " + path_text(context.folder) + ": " + made.error()};
        std::string text = settings_template_text(mixxx);
        auto checked = parse_settings_text(text, path_text(path));
        if (!checked)
            return Error{"internal error: " + checked.error()};
        auto created = create_settings_file(path, text);
        if (!created)
            return Error{created.error()};
        loaded.created = *created;
    }

    auto settings = read_settings_file(path);
    if (!settings)
        return Error{settings.error()};
    loaded.settings = std::move(*settings);

    auto converted = convert_legacy_file(path, loaded.settings, context);
    if (!converted)
        return Error{converted.error()};
    if (*converted)
        loaded.settings = std::move(**converted);

    const std::string configured = loaded.settings.general.mixxx_path;
    if (!path_exists(std::filesystem::path(to_wide(configured)))) {
        if (auto mixxx = context.find_mixxx()) {
            context.log("mixxx_path " + visible_controls(configured) + " does not exist, using " +
                        *mixxx);
            loaded.settings.general.mixxx_path = *mixxx;
        }
    }
    return loaded;
}

Result<LoadedSettings> load_settings() {
    return load_settings({
        .folder = settings_folder(),
        .find_mixxx = [] { return find_mixxx(); },
        .log = [](std::string message) { app_log(std::move(message)); },
    });
}

} // namespace cuevoice
