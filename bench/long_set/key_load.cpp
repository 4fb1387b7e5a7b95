#include "key_load.h"

#include <windows.h>

#include <algorithm>
#include <thread>

#include "common/clock.h"
#include "desktop.h"

namespace cuevoice::bench {
namespace {

using namespace std::chrono_literals;

constexpr const char* mixxx_title = "Mixxx (simulated)";

bool hot_keys_on(const test::CuevoiceRun& run) {
    std::string last;
    for (const std::string& message : run.messages())
        if (message.rfind("hotkeys on by ", 0) == 0 || message.rfind("hotkeys off by ", 0) == 0)
            last = message;
    return last.rfind("hotkeys on by ", 0) == 0;
}

std::size_t count_of(const test::CuevoiceRun& run, const std::string& message) {
    const std::vector<std::string> messages = run.messages();
    return static_cast<std::size_t>(std::count(messages.begin(), messages.end(), message));
}

HWND visible_editor() {
    HWND window = FindWindowW(L"CuevoiceKeyEditor", nullptr);
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

// One round: the editor's key, the editor on screen, Escape, the editor gone, Mixxx back.
void editor_round(const test::CuevoiceRun& run, const KeyLoad& load, PressedKeys& keys) {
    ++keys.editor_tries;
    const auto began = std::chrono::steady_clock::now();
    const std::size_t opened = count_of(run, "key editor open");
    const std::size_t closed = count_of(run, "key editor closed");
    HWND editor = nullptr;
    if (test::xdotool({"key", load.editor_chord}).exit_code != 0 ||
        !test::eventually(
            [&] {
                return (editor = visible_editor()) && count_of(run, "key editor open") > opened;
            },
            10s)) {
        keys.problems.push_back("the key editor did not open");
        bring_mixxx_to_front(run);
        return;
    }
    ++keys.editor_opened;
    if (!test::focus_window(editor) || test::xdotool({"key", "Escape"}).exit_code != 0 ||
        !test::eventually(
            [&] { return !visible_editor() && count_of(run, "key editor closed") > closed; },
            10s)) {
        keys.problems.push_back("the key editor did not close with Escape");
        return;
    }
    ++keys.editor_closed;
    if (!bring_mixxx_to_front(run)) {
        keys.problems.push_back("Mixxx did not come back to the front after the key editor");
        return;
    }
    keys.editor_cycle_ms.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began)
            .count());
}

} // namespace

bool bring_mixxx_to_front(const test::CuevoiceRun& run) {
    for (int attempt = 0; attempt < 3; ++attempt)
        if (test::focus_window(mixxx_title) &&
            test::eventually([&] { return hot_keys_on(run); }, 10s))
            return true;
    return false;
}

PressedKeys run_keys(const test::CuevoiceRun& run, const KeyLoad& load) {
    PressedKeys keys;
    auto next_press = load.start;
    auto next_editor = load.start + load.editor_first;
    while (true) {
        if (next_editor <= next_press && next_editor < load.until) {
            std::this_thread::sleep_until(next_editor); // the schedule of the set
            editor_round(run, load, keys);
            next_editor += load.editor_every;
            // Presses missed while the editor was open are not made up for.
            while (next_press < std::chrono::steady_clock::now())
                next_press += load.press_every;
            continue;
        }
        if (next_press >= load.until)
            break;
        std::this_thread::sleep_until(next_press); // the pace of the presses
        const long long pressed = system_time_ticks();
        if (test::xdotool({"key", load.press_chord}).exit_code == 0)
            keys.presses.push_back(pressed);
        else
            ++keys.press_failures;
        // A press that took longer than its turn lets the next one go, rather than two at once.
        next_press += load.press_every;
        while (next_press < std::chrono::steady_clock::now())
            next_press += load.press_every;
    }
    return keys;
}

} // namespace cuevoice::bench
