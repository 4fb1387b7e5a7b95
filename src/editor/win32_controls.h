#pragma once
// The few Win32 calls the key editor's windows share: classes, child controls and message
// boxes with the editor's caption.
#include <string_view>

#include <windows.h>

#include "editor/editor_commands.h"

namespace cuevoice {

// Registers a class with the arrow cursor and the button-face background. A class that exists
// already (the editor was open before in this process) is not an error.
ATOM register_window_class(const wchar_t* class_name, WNDPROC procedure);

// A child control at the rectangle, with WS_CHILD | WS_VISIBLE added and DEFAULT_GUI_FONT.
// Gives null when it could not be created.
HWND create_child_window(HWND parent, const wchar_t* class_name, std::string_view text, DWORD style,
                         DWORD extended_style, int id, RECT rectangle);

// MessageBoxW with the caption "Cuevoice key editor"; true when the answer is Yes.
bool editor_message_box(HWND owner, std::string_view text, UINT flags);

// The message box flags of a prompt: a question has No as its default button.
UINT prompt_flags(PromptKind kind);

// Asks the model's questions in message boxes owned by the window.
Ask message_box_asker(HWND owner);

// Gives the focus back, when the scope ends, to the control that had it when the scope began:
// a message box leaves the focus on its owner window itself, where a keyboard user would be
// lost.
class FocusKeeper {
public:
    FocusKeeper() : focus_(GetFocus()) {}
    ~FocusKeeper() {
        if (focus_ != nullptr && IsWindow(focus_) && IsWindowEnabled(GetAncestor(focus_, GA_ROOT)))
            SetFocus(focus_);
    }
    FocusKeeper(const FocusKeeper&) = delete;
    FocusKeeper& operator=(const FocusKeeper&) = delete;

private:
    HWND focus_;
};

// WM_NEXTDLGCTL as a dialog handles it. IsDialogMessageW sends it for Alt with a label's
// underlined letter, which reaches the control after the label; a plain window would drop it.
void move_dialog_focus(HWND window, WPARAM wparam, LPARAM lparam);

// Starts the system folder's Notepad on the file and lets go of it at once; a failure is ignored.
void open_in_notepad(const std::wstring& path);

} // namespace cuevoice
