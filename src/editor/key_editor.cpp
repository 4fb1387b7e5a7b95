#include "editor/key_editor.h"

#include <windows.h>
#include <commctrl.h>

#include "applog/applog.h"
#include "common/mixxx_window.h"
#include "common/threads.h"
#include "config/settings.h"
#include "editor/add_shortcut_dialog.h"
#include "editor/editor_slot.h"
#include "editor/function_list.h"
#include "editor/key_editor_window.h"
#include "editor/win32_controls.h"

namespace cuevoice {

std::atomic<std::intptr_t> editor_window{0};

namespace {

// The settings could not be loaded: say so, log it and show the file in Notepad.
void show_settings_error(const std::string& error) {
    editor_message_box(nullptr, editor_open_error_text(error), MB_ICONERROR);
    app_log("key editor: " + error);
    open_in_notepad((settings_folder() / L"config.toml").wstring());
}

void run_message_loop(HWND main) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (editor_loop_takes(message))
            continue;
        if (!IsDialogMessageW(main, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

} // namespace

bool claim_editor_window() {
    std::intptr_t expected = 0;
    return editor_window.compare_exchange_strong(expected, -1);
}

void open_key_editor(const std::shared_ptr<EditorHooks>& hooks) {
    std::shared_ptr<EditorHooks> held = hooks;
    std::intptr_t expected = 0;
    if (editor_window.compare_exchange_strong(expected, -1)) {
        spawn_named("key-editor", "spawn key editor",
                    [held = std::move(held)]() mutable { key_editor_thread(std::move(held)); });
        return;
    }
    if (expected == -1)
        return;
    bring_to_front(reinterpret_cast<HWND>(expected));
}

void key_editor_thread(std::shared_ptr<EditorHooks> hooks) {
    run_key_editor(std::move(hooks));
}

void run_key_editor(std::shared_ptr<EditorHooks> hooks) {
    auto loaded = load_settings();
    Result<EditorState> state =
        loaded ? new_editor_state(*loaded, hooks) : Result<EditorState>(Error{loaded.error()});
    if (!state) {
        show_settings_error(state.error());
        editor_window.store(0);
        return;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    register_window_class(L"CuevoiceKeyEditor", key_editor_wnd_proc);
    register_window_class(L"CuevoiceAddShortcut", add_shortcut_wnd_proc);

    auto editor = std::make_unique<OpenEditor>();
    editor->state = std::move(*state);
    if (!create_editor_window(editor->windows, editor->state.hooks && editor->state.hooks->run)) {
        editor_window.store(0);
        return;
    }
    const HWND main = editor->windows.main;
    const HWND filter = editor->windows.filter;
    EditorSlot::put(std::move(editor));
    {
        EditorBorrow open;
        layout_editor(*open);
        rebuild_function_list(*open, std::nullopt);
    }
    editor_window.store(reinterpret_cast<std::intptr_t>(main));
    app_log("key editor open");

    ShowWindow(main, SW_SHOWNORMAL);
    ShowWindow(main, SW_SHOWNORMAL);
    bring_to_front(main);
    SetFocus(filter);
    run_message_loop(main);

    EditorSlot::take().reset();
    editor_window.store(0);
    app_log("key editor closed");
}

} // namespace cuevoice
