#include "editor/editor_slot.h"

#include <utility>

namespace cuevoice {
namespace {

// A plain pointer: MinGW runs the destructors of thread_local objects after the thread's
// storage is gone, so a unique_ptr here crashed the key-editor thread as it ended.
thread_local OpenEditor* slot = nullptr;
thread_local bool borrowed = false;

} // namespace

void put_open_editor(std::unique_ptr<OpenEditor> editor) {
    delete slot;
    slot = editor.release();
}

std::unique_ptr<OpenEditor> take_open_editor() {
    return std::unique_ptr<OpenEditor>(std::exchange(slot, nullptr));
}

EditorBorrow::EditorBorrow() {
    if (slot && !borrowed) {
        borrowed = true;
        editor_ = slot;
    }
}

EditorBorrow::~EditorBorrow() {
    if (editor_ != nullptr)
        borrowed = false;
}

} // namespace cuevoice
