#pragma once
// Finding Mixxx's main window and putting a window in front.
#include <windows.h>

#include <cstdint>
#include <optional>

namespace cuevoice {

// What find_mixxx_window_proc searches for and what it found.
struct MixxxWindowSearch {
    std::uint32_t process_id = 0;
    HWND found = nullptr;
};

// EnumWindows callback: stops at the first visible window of the process that has no owner.
BOOL CALLBACK find_mixxx_window_proc(HWND window, LPARAM search);

// The first visible, unowned top-level window of the process.
std::optional<HWND> find_mixxx_window(std::uint32_t process_id);

// Makes the window the foreground window, also from a thread that is not in front.
void bring_to_front(HWND window);

} // namespace cuevoice
