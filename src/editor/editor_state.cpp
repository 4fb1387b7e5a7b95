#include "editor/editor_state.h"

#include <chrono>
#include <cstdint>

#include <windows.h>

#include "config/settings_file.h"

namespace cuevoice {

SettingsStamp settings_file_stamp(const std::filesystem::path& path) {
    // The system's own time in 100 ns steps: the C runtime's whole seconds would miss a change
    // saved in the same second as the editor's last read.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    const auto ticks = (static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime;
    return std::filesystem::file_time_type(
        std::chrono::duration_cast<std::filesystem::file_time_type::duration>(
            std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>(ticks)));
}

Result<EditorState> new_editor_state(const LoadedSettings& loaded,
                                     std::shared_ptr<EditorHooks> hooks) {
    auto model = build_editor_model(loaded.settings);
    if (!model)
        return Error{model.error()};
    EditorState state;
    state.config_path = loaded.config_path;
    state.model = std::move(*model);
    state.hooks = std::move(hooks);
    state.per_deck_ids = per_deck_ids_of(loaded.settings);
    state.settings_stamp = settings_file_stamp(loaded.config_path);
    return state;
}

std::string editor_open_error_text(const std::string& error) {
    return "The settings file has an error, so the key editor can't open.\n\n" + error +
           "\n\nIt opens in Notepad now.";
}

SettingsCheckResult check_settings_on_activation(EditorState& state) {
    SettingsStamp now = settings_file_stamp(state.config_path);
    if (!now) {
        if (!state.settings_stamp)
            return {};
        state.settings_stamp.reset();
    } else if (now == state.settings_stamp) {
        return {};
    } else {
        state.settings_stamp = now;
    }
    auto settings = read_settings_file(state.config_path);
    if (!settings)
        return {SettingsCheck::failed, "The settings file has an error:\n\n" + settings.error()};
    auto model = build_editor_model(*settings);
    if (!model)
        return {SettingsCheck::failed, "The settings file has an error:\n\n" + model.error()};
    std::set<std::string> fresh = per_deck_ids_of(*settings);
    state.per_deck_ids.insert(fresh.begin(), fresh.end());
    state.model = std::move(*model);
    if (state.hooks && state.hooks->reload)
        (*state.hooks->reload)();
    return {SettingsCheck::reloaded, {}};
}

} // namespace cuevoice
