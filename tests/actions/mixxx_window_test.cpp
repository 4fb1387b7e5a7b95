// Finding the main window of a process among its top-level windows, and the editor's Run.
#include <windows.h>

#include <gtest/gtest.h>

#include "action_bench.h"
#include "actions/editor_run.h"
#include "common/mixxx_window.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

// Top-level windows of this process; destroyed with the object.
class Windows {
public:
    Windows() {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = DefWindowProcW;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"CuevoiceWindowSearchTest";
        RegisterClassW(&window_class);
    }
    ~Windows() {
        for (auto it = made_.rbegin(); it != made_.rend(); ++it)
            DestroyWindow(*it);
    }
    HWND make(const wchar_t* title, bool visible, HWND owner = nullptr) {
        HWND window = CreateWindowExW(0, L"CuevoiceWindowSearchTest", title,
                                      WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10, 200,
                                      100, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(window, nullptr) << "a display is needed";
        made_.push_back(window);
        return window;
    }

private:
    std::vector<HWND> made_;
};

TEST(MixxxWindow, HiddenAndOwnedWindowsAreNeverChosen) {
    Windows windows;
    HWND main_window = windows.make(L"main", true);
    HWND dialog = windows.make(L"dialog", true, main_window);
    HWND hidden = windows.make(L"hidden", false);
    const auto own_id = static_cast<std::uint32_t>(GetCurrentProcessId());

    struct Case {
        HWND window;
        std::uint32_t process_id;
        bool chosen;
    };
    for (const Case& c : {Case{dialog, own_id, false}, Case{hidden, own_id, false},
                          Case{main_window, own_id + 4, false}, Case{main_window, own_id, true}}) {
        MixxxWindowSearch search{c.process_id, nullptr};
        BOOL go_on = find_mixxx_window_proc(c.window, reinterpret_cast<LPARAM>(&search));
        EXPECT_EQ(go_on == FALSE, c.chosen);
        EXPECT_EQ(search.found, c.chosen ? c.window : nullptr);
    }
    // The dialog is above its owner in the z-order, yet the owner is the one found.
    EXPECT_EQ(find_mixxx_window(own_id), main_window);
    EXPECT_EQ(find_mixxx_window(own_id + 4), std::nullopt);
}

TEST(MixxxWindow, BringToFrontRestoresAndRaisesTheWindow) {
    Windows windows;
    HWND target = windows.make(L"target", true);
    HWND other = windows.make(L"other", true);
    SetForegroundWindow(other);
    ShowWindow(target, SW_MINIMIZE);
    bring_to_front(target);
    EXPECT_FALSE(IsIconic(target));
    EXPECT_EQ(GetForegroundWindow(), target);
}

TEST(EditorRun, RunsWithoutKeyHelpAndWaitsForMixxxOnlyForTheLibraryFocus) {
    ActionBench bench;
    bench.context->key_help = true;
    bench.mixxx.put("[Channel2]", "track_loaded", 0);
    run_editor_function(bench.context, bound_action(SelectDeckAction{2}, "Deck 2"), 0);
    EXPECT_EQ(bench.spoken(), Lines{"Deck 2. empty"});
    EXPECT_TRUE(bench.clock.sleeps().empty());

    bench.mixxx.put("[Library]", "focused_widget", 0);
    run_editor_function(
        bench.context,
        bound_action(SetAction{3, ControlTarget{"[Library]", "focused_widget"}, {}, {}}), 0);
    EXPECT_EQ(bench.clock.sleeps(), std::vector<ManualClock::duration>{300ms});
    EXPECT_EQ(bench.mixxx.value("[Library]", "focused_widget"), 3.0);
    EXPECT_TRUE(bench.spoken().empty());
}

} // namespace
} // namespace cuevoice::test
