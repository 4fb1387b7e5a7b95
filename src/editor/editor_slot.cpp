#include "editor/editor_slot.h"

namespace cuevoice {
namespace {

thread_local std::unique_ptr<OpenEditor> slot;
thread_local bool borrowed = false;

} // namespace

void put_open_editor(std::unique_ptr<OpenEditor> editor) {
    slot = std::move(editor);
}

std::unique_ptr<OpenEditor> take_open_editor() {
    return std::move(slot);
}

EditorBorrow::EditorBorrow() {
    if (slot && !borrowed) {
        borrowed = true;
        editor_ = slot.get();
    }
}

EditorBorrow::~EditorBorrow() {
    if (editor_ != nullptr)
        borrowed = false;
}

} // namespace cuevoice
