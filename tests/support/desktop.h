#pragma once
// The Xvfb desktop from inside a Wine test program: real key presses, window focus and
// screenshots through Linux programs (xdotool, ImageMagick's import).
//
// How it works: Wine's CreateProcessW starts a Unix program directly when the file is not a
// Windows image (here /bin/sh, which runs the program). Such a child gives no process handle and
// Wine hands it the standard output only as a file, not as a pipe, so the helper passes a
// temporary file as its standard output and reads it until the shell's closing line with the
// program's exit code appears. DISPLAY comes from the environment that scripts/wine-env.sh
// sets up (its Xvfb server). There is no window manager: focus a window before pressing keys.
//
//     ASSERT_TRUE(focus_window("Mixxx (simulated)"));
//     EXPECT_TRUE(press_key("ctrl+alt+p"));
//
// Key presses go to whatever holds the focus of the one desktop: a test program that presses
// keys takes the CTest resource lock "desktop".
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace cuevoice::test {

struct UnixResult {
    // The program's exit code; -1 when it could not be started or did not end in time.
    int exit_code = -1;
    // Its standard output and error together.
    std::string output;
};

// Runs a Unix program with the arguments and waits for its end.
UnixResult run_unix(const std::string& program, const std::vector<std::string>& arguments,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

UnixResult xdotool(const std::vector<std::string>& arguments,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Gives the keyboard focus to the visible window with exactly this title (waiting for it to
// appear) and waits until Wine's foreground window (GetForegroundWindow) carries that title.
// False when no such window showed up or it did not come to the front in time.
bool focus_window(const std::string& title,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));

// The same for a top-level window of any process of this Wine session: true once it is
// Wine's foreground window.
bool focus_window(HWND window, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Presses and releases a chord in xdotool's spelling ("ctrl+alt+shift+F9", "Return"), with
// any modifier still held from before let go for the chord.
bool press_key(const std::string& chord);

// Types the text as key presses.
bool type_text(const std::string& text);

// Saves the whole screen as a PNG file.
bool take_screenshot(const std::filesystem::path& file);

} // namespace cuevoice::test
