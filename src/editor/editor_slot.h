#pragma once
// The open editor's state in a slot of the thread that runs its window. Handlers borrow it for
// their length; a message that arrives while it is borrowed (during a message box, say) finds
// it in use and leaves it alone, so the state is never touched twice at once.
#include <array>
#include <memory>

#include <windows.h>

#include "editor/editor_state.h"

namespace cuevoice {

// The main window's controls, in creation (tab) order.
struct EditorWindows {
    HWND main = nullptr;
    HWND filter = nullptr;
    HWND category = nullptr;
    HWND functions = nullptr;
    HWND shortcuts = nullptr;
    std::array<HWND, 4> labels{};
    std::array<HWND, 7> buttons{};
};

struct OpenEditor {
    EditorState state;
    EditorWindows windows;
    HWND saved_focus = nullptr; // the control that had the focus when the window was left
};

// Puts the editor into this thread's slot, or takes it out again.
void put_open_editor(std::unique_ptr<OpenEditor> editor);
std::unique_ptr<OpenEditor> take_open_editor();

// A borrow of this thread's editor: empty when there is none or it is already borrowed.
class EditorBorrow {
public:
    EditorBorrow();
    ~EditorBorrow();
    EditorBorrow(const EditorBorrow&) = delete;
    EditorBorrow& operator=(const EditorBorrow&) = delete;

    explicit operator bool() const { return editor_ != nullptr; }
    OpenEditor* operator->() const { return editor_; }
    OpenEditor& operator*() const { return *editor_; }

private:
    OpenEditor* editor_ = nullptr;
};

} // namespace cuevoice
