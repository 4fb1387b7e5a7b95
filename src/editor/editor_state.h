#pragma once
// Everything the open key editor keeps, apart from its windows: the settings file it edits,
// the model, the rows shown, the hooks from the run and the file's last-write time.
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/result.h"
#include "config/load_settings.h"
#include "editor/editor_hooks.h"
#include "editor/editor_model.h"

namespace cuevoice {

using SettingsStamp = std::optional<std::filesystem::file_time_type>;

struct EditorState {
    std::filesystem::path config_path;
    EditorModel model;
    std::vector<FunctionRow> rows; // list item i is row i
    std::shared_ptr<EditorHooks> hooks;
    // Per-deck ids ever seen in [shortcuts] while the editor is open: their rows are shown.
    std::set<std::string> per_deck_ids;
    // config.toml's last-write time when the editor last read or wrote it.
    SettingsStamp settings_stamp;
};

// The file's last-write time, or none when its metadata cannot be read.
SettingsStamp settings_file_stamp(const std::filesystem::path& path);

// The state of an editor opened on loaded settings (no rows yet: the window fills them).
Result<EditorState> new_editor_state(const LoadedSettings& loaded,
                                     std::shared_ptr<EditorHooks> hooks);

// The message shown when the editor cannot open, before Notepad opens the file.
std::string editor_open_error_text(const std::string& error);

// The settings check when the window is activated: a file changed by someone else is read
// again, the model replaced and the run's keys reloaded.
enum class SettingsCheck {
    unchanged, // nothing to do
    reloaded,  // the model is new: rebuild the function list
    failed,    // the file is bad: show `error` (the editor keeps its old model)
};
struct SettingsCheckResult {
    SettingsCheck outcome = SettingsCheck::unchanged;
    std::string error; // the whole message box text when failed
};
SettingsCheckResult check_settings_on_activation(EditorState& state);

} // namespace cuevoice
