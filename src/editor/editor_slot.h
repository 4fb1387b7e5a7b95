#pragma once
// The open editor's state in a slot of the thread that runs its window.
#include <array>
#include <memory>

#include <windows.h>

#include "editor/editor_state.h"
#include "editor/thread_slot.h"

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

using EditorSlot = ThreadSlot<OpenEditor>;
using EditorBorrow = EditorSlot::Borrow;

} // namespace cuevoice
