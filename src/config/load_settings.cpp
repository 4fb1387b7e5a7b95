#include "config/load_settings.h"

#include <charconv>
#include <cmath>

#include <windows.h>

#include "applog/applog.h"
#include "catalog/deserialize.h"
#include "common/text.h"
#include "common/threads.h"
#include "config/settings_file.h"
#include "registry/find_mixxx.h"

namespace cuevoice::embedded {
extern const std::string_view legacy_keys_toml;
}

namespace cuevoice {
namespace {

enum class Presence { present, missing, unknown };

struct Inspection {
    Presence presence;
    std::string error;
};

// Whether a file is there. Only "not found" counts as missing: a file that cannot be inspected
// for another reason may well exist and must not be replaced.
Inspection inspect(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return {Presence::present, {}};
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return {Presence::missing, {}};
    return {Presence::unknown, system_message(code)};
}

// Creates the folder and every missing folder above it; gives the system's error code, or 0.
DWORD create_folder_tree(const std::filesystem::path& folder) {
    if (folder.empty())
        return ERROR_PATH_NOT_FOUND;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(folder.c_str(), GetFileExInfoStandard, &data))
        return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
    std::filesystem::path parent = folder.parent_path();
    if (parent != folder && !parent.empty() && parent != folder.root_path())
        if (DWORD failure = create_folder_tree(parent))
            return failure;
    if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;
    return GetLastError();
}

bool metadata_readable(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
}

// A text as a one-line TOML string. The TOML library's own writer turns line breaks into
// multi-line strings, which no key can be and which break on a text holding three apostrophes.
std::string toml_value_text(const std::string& value) {
    return quote_toml_string(value);
}

// Floats in their shortest form that reads back exactly, always recognisable as floats.
std::string float_text(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    char buffer[64];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

std::string keys_table_text(const Binding& binding) {
    std::string text = "[[keys]]\n";
    auto field = [&](std::string_view name, const std::string& value) {
        text.append(name);
        text += " = ";
        text += value;
        text += '\n';
    };
    auto text_field = [&](std::string_view name, const std::optional<std::string>& value) {
        if (value)
            field(name, toml_value_text(*value));
    };
    field("key", toml_value_text(binding.key));
    field("action", toml_value_text(binding.action));
    if (binding.deck)
        field("deck", std::to_string(*binding.deck));
    text_field("group", binding.group);
    text_field("control", binding.control);
    if (binding.value)
        field("value", float_text(*binding.value));
    if (binding.step)
        field("step", float_text(*binding.step));
    text_field("what", binding.what);
    text_field("label", binding.label);
    text_field("format", binding.format);
    text_field("report", binding.report);
    text_field("report_label", binding.report_label);
    text_field("report_format", binding.report_format);
    text_field("confirm", binding.confirm);
    if (binding.repeat)
        field("repeat", *binding.repeat ? "true" : "false");
    return text;
}

std::string shortcut_line(const std::string& id, const std::vector<std::string>& keys) {
    std::string line = toml_value_text(id) + " = [";
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0)
            line += ", ";
        line += toml_value_text(keys[i]);
    }
    line += "]\n";
    return line;
}

bool optional_numbers_equal(const std::optional<double>& a, const std::optional<double>& b) {
    if (a.has_value() != b.has_value())
        return false;
    return !a || *a == *b;
}

bool same_binding(const Binding& a, const Binding& b) {
    return a.key == b.key && a.action == b.action && a.deck == b.deck && a.group == b.group &&
           a.control == b.control && optional_numbers_equal(a.value, b.value) &&
           optional_numbers_equal(a.step, b.step) && a.what == b.what && a.label == b.label &&
           a.format == b.format && a.report == b.report && a.report_label == b.report_label &&
           a.report_format == b.report_format && a.confirm == b.confirm && a.repeat == b.repeat;
}

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
    WIN32_FILE_ATTRIBUTE_DATA existing;
    unsigned long failure = 0;
    if (!GetFileAttributesExW(backup.c_str(), GetFileExInfoStandard, &existing))
        failure = context.copy_file ? context.copy_file(path, backup)
                                    : copy_without_replacing(path, backup);
    else if (existing.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        // A folder of that name is no copy of the file, and none can be made beside it.
        failure = ERROR_ALREADY_EXISTS;
    if (failure != 0) {
        // Without its copy, rewriting the old file could lose what only it holds (comments,
        // entries this version does not know). Use the kept entries and try again next time.
        context.log("settings file not converted: cannot copy it to " + path_text(backup) + ": " +
                    system_message(failure));
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
        if (same_binding(entry, binding))
            return false;
    return true;
}

std::string converted_settings_text(const Settings& settings) {
    std::string text = settings_template_text(settings.general.mixxx_path,
                                              settings.general.mixxx_args, settings.general.port);
    if (!settings.shortcuts.empty()) {
        std::string lines;
        for (const auto& [id, keys] : settings.shortcuts)
            lines += shortcut_line(id, keys);
        std::size_t header = text.find("\n[shortcuts]\n");
        if (header != std::string::npos)
            text.insert(header + std::string_view("\n[shortcuts]\n").size(), lines);
    }
    if (!settings.keys.empty()) {
        for (const Binding& binding : settings.keys) {
            text += '\n';
            text += keys_table_text(binding);
        }
    }
    return text;
}

Result<LoadedSettings> load_settings(const SettingsLoadContext& context) {
    LoadedSettings loaded;
    loaded.config_path = context.folder / L"config.toml";
    const std::filesystem::path& path = loaded.config_path;

    Inspection found = inspect(path);
    if (found.presence == Presence::unknown)
        return Error{"cannot read " + path_text(path) + ": " + found.error};
    if (found.presence == Presence::missing) {
        std::optional<std::string> mixxx = context.find_mixxx();
        if (DWORD failure = create_folder_tree(context.folder))
            return Error{"cannot create " + path_text(context.folder) + ": " +
                         system_message(failure)};
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
    if (!metadata_readable(std::filesystem::path(to_wide(configured)))) {
        if (auto mixxx = context.find_mixxx()) {
            context.log("mixxx_path " + configured + " does not exist, using " + *mixxx);
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
