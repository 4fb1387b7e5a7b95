#include "editor/capture_filter.h"

#include <windows.h>

namespace cuevoice {

bool is_modifier_key(std::uint32_t vk) {
    return (vk >= 16 && vk <= 18) || vk == 91 || vk == 92 || (vk >= 160 && vk <= 165);
}

CaptureAction capture_box_action(unsigned message, std::uint32_t vk, ModifiersDown down) {
    switch (message) {
    case WM_CHAR:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        return CaptureAction::drop;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (is_modifier_key(vk))
            return CaptureAction::drop;
        if (!down.ctrl && !down.alt && !down.win &&
            (vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE))
            return CaptureAction::normal;
        return CaptureAction::capture;
    default:
        return CaptureAction::normal;
    }
}

} // namespace cuevoice
