#pragma once
// The add-shortcut dialog: a modal popup in which the selected function gets a new key, caught
// in a capture box or built from four check boxes and a key list, for the current deck or a
// fixed one.
#include <windows.h>

namespace cuevoice {

// Runs the dialog for the editor's selected row until it is closed; without a selected row it
// does nothing.
void run_add_shortcut_dialog();

LRESULT CALLBACK add_shortcut_wnd_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

} // namespace cuevoice
