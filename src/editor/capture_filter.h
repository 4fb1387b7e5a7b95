#pragma once
// What the add-shortcut dialog's capture box does with a keyboard message: a chord is caught
// whole, modifiers alone and typed characters never reach the box, and Tab, Enter and Escape
// still move, accept and cancel unless Ctrl, Alt or Windows is held with them.
#include <cstdint>

namespace cuevoice {

enum class CaptureAction {
    normal,  // the dialog handles it as any other message
    drop,    // neither translated nor dispatched
    capture, // the key with the modifiers now down becomes the chord; then dropped
};

struct ModifiersDown {
    bool ctrl = false;
    bool alt = false;
    bool win = false;
};

CaptureAction capture_box_action(unsigned message, std::uint32_t vk, ModifiersDown down);

// True for the virtual keys of Shift, Ctrl, Alt and the Windows keys, left, right or either.
bool is_modifier_key(std::uint32_t vk);

} // namespace cuevoice
