#pragma once
// The Xvfb desktop from inside a Wine test program: real key presses, window focus and
// screenshots through Linux programs (xdotool, ImageMagick's import).
//
// Wine's CreateProcessW starts a Unix program directly when the file is not a Windows image;
// here /bin/sh runs the command. Such a child gives no usable process handle, so its output
// goes to a temporary file that is read until a closing line with the exit code appears.
// DISPLAY comes from the environment that scripts/wine-env.sh sets up. There is no window
// manager: focus a window before pressing keys. A test program that presses keys takes the
// CTest resource lock "desktop".
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

namespace cuevoice::test {

struct UnixResult {
    int exit_code = -1; // -1: not started or not ended in time
    std::string output; // standard output and error together
};

// Runs a Unix program with the arguments and waits for its end.
UnixResult run_unix(const std::string& program, const std::vector<std::string>& arguments,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

UnixResult xdotool(const std::vector<std::string>& arguments);

// Gives the X keyboard focus to the top-level window (of any process of this Wine session)
// and waits until the X server reports it there.
bool focus_window(HWND window);

// Presses and releases a chord in xdotool's spelling ("ctrl+alt+shift+F9", "Return").
bool press_key(const std::string& chord);

// Types the text as key presses.
bool type_text(const std::string& text);

// Saves the whole screen as a PNG file.
bool take_screenshot(const std::filesystem::path& file);

} // namespace cuevoice::test
