#include "editor/editor_state.h"

#include <system_error>

#include "config/settings_file.h"

namespace cuevoice {

SettingsStamp settings_file_stamp(const std::filesystem::path& path) {
    std::error_code error;
    auto stamp = std::filesystem::last_write_time(path, error);
    if (error)
        return std::nullopt;
    return stamp;
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
