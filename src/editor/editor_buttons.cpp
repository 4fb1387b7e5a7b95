#include "editor/editor_buttons.h"

#include "editor/function_list.h"
#include "editor/win32_controls.h"

namespace cuevoice {

void delete_selected_shortcut() {
    EditorBorrow editor;
    if (!editor)
        return;
    auto row = selected_function_row(*editor);
    if (!row)
        return;
    LRESULT chosen = SendMessageW(editor->windows.shortcuts, LB_GETCURSEL, 0, 0);
    std::optional<std::size_t> position;
    if (chosen >= 0)
        position = static_cast<std::size_t>(chosen);
    apply_outcome(*editor, delete_shortcut(editor->state, *row, position));
}

void reset_selected_function() {
    EditorBorrow editor;
    if (!editor)
        return;
    auto row = selected_function_row(*editor);
    if (!row)
        return;
    FocusKeeper focus;
    apply_outcome(
        *editor, reset_function_keys(editor->state, *row, message_box_asker(editor->windows.main)));
}

void reset_every_shortcut() {
    EditorBorrow editor;
    if (!editor)
        return;
    FocusKeeper focus;
    apply_outcome(*editor,
                  reset_all_shortcuts(editor->state, message_box_asker(editor->windows.main)));
}

void run_selected_row() {
    EditorBorrow editor;
    if (!editor)
        return;
    if (auto row = selected_function_row(*editor))
        run_selected_function(editor->state, *row);
}

void open_settings_file() {
    EditorBorrow editor;
    if (editor)
        open_in_notepad(editor->state.config_path.wstring());
}

void check_settings_now(OpenEditor& editor) {
    SettingsCheckResult check = check_settings_on_activation(editor.state);
    switch (check.outcome) {
    case SettingsCheck::unchanged:
        break;
    case SettingsCheck::reloaded:
        rebuild_function_list(editor, std::nullopt);
        break;
    case SettingsCheck::failed:
        editor_message_box(editor.windows.main, check.error, MB_ICONERROR);
        break;
    }
}

} // namespace cuevoice
