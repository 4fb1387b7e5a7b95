#pragma once
// The Xvfb desktop from inside a test: real key presses and window focus through xdotool, a
// Linux program.
//
// How it works: Wine's CreateProcessW starts a Unix program directly when the file is not a
// Windows image (here /bin/sh, which runs xdotool). Such a child gives no process handle and
// Wine hands it the standard output only as a file, not as a pipe, so the helper passes a
// temporary file as its standard output and reads it until the shell's closing line with
// xdotool's exit code appears. DISPLAY comes from the environment that scripts/wine-env.sh
// sets up (its Xvfb server). There is no window manager: focus a window before pressing keys.
//
//     ASSERT_TRUE(focus_window("Mixxx (simulated)"));
//     EXPECT_EQ(xdotool({"key", "ctrl+alt+p"}).exit_code, 0);
//
// Key presses go to whatever holds the focus of the one desktop: a test program that presses
// keys takes the CTest resource lock "desktop".
#include <chrono>
#include <string>
#include <vector>

namespace cuevoice::test {

struct XdotoolResult {
    // xdotool's exit code; -1 when it could not be started or did not end in time.
    int exit_code = -1;
    // Its standard output and error together.
    std::string output;
};

// Runs xdotool with the arguments and waits for its end.
XdotoolResult xdotool(const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Gives the keyboard focus to the visible window with exactly this title (waiting for it to
// appear) and waits until Wine's foreground window (GetForegroundWindow) carries that title.
// False when no such window showed up or it did not come to the front in time.
bool focus_window(const std::string& title,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));

} // namespace cuevoice::test
