#pragma once
// The key editor's main window: its controls, their places, its procedure and the keys its
// message loop handles before the dialog keyboard does.
#include <windows.h>

#include "editor/editor_slot.h"

namespace cuevoice {

// Control ids.
inline constexpr int id_filter = 100;
inline constexpr int id_category = 101;
inline constexpr int id_functions = 102;
inline constexpr int id_shortcuts = 103;
inline constexpr int id_add = IDOK;
inline constexpr int id_delete = 104;
inline constexpr int id_reset = 105;
inline constexpr int id_run = 106;
inline constexpr int id_reset_all = 107;
inline constexpr int id_open_file = 108;
inline constexpr int id_close = IDCANCEL;

// Creates the window and its fifteen controls; the Run button is disabled without a run
// callback. False when the window could not be created.
bool create_editor_window(EditorWindows& windows, bool can_run);

// Places the controls in the client area.
void layout_editor(OpenEditor& editor);

LRESULT CALLBACK key_editor_wnd_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Down in the filter box moves into the function list; Delete in either list deletes the
// chosen shortcut. True when the message was handled here and goes no further.
bool editor_loop_takes(const MSG& message);

} // namespace cuevoice
