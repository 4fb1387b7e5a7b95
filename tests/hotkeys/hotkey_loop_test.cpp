// The hot-key loop on a thread of the test, with real windows on the Xvfb desktop and real key
// presses. A window of this process stands in for Mixxx; bin/key_window.exe is another program.
#include <windows.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "config/key_chord.h"
#include "config/key_map.h"
#include "config/settings_file.h"
#include "desktop.h"
#include "hotkeys/hotkeys.h"
#include "key_window.h"
#include "log_capture.h"
#include "test_support.h"

namespace cuevoice {
namespace {

using namespace std::chrono_literals;
using test::focus_window;
using test::KeyWindow;
using test::LogCapture;
using test::xdotool;

const char mixxx_title[] = "Hot-key test: Mixxx";
const char mixxx_class[] = "HotKeyTestMixxx";
const char other_title[] = "Hot-key test: another program";
const char other_class[] = "HotKeyTestOther";

std::string own_pid() {
    return std::to_string(GetCurrentProcessId());
}

// The stand-in for Mixxx's window: its own thread and message loop, and the keys that reach it.
class MixxxWindow {
public:
    MixxxWindow() {
        thread_ = std::thread([this] { run(); });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return started_; });
    }
    ~MixxxWindow() {
        if (window_ != nullptr)
            PostMessageW(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    HWND handle() const { return window_; }
    bool wait_key(WPARAM vk, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            return std::find(keys_.begin(), keys_.end(), vk) != keys_.end();
        });
    }

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        auto* self = reinterpret_cast<MixxxWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) {
            std::lock_guard lock(self->mutex_);
            self->keys_.push_back(wparam);
            self->changed_.notify_all();
            return 0;
        }
        if (message == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }
    void run() {
        WNDCLASSEXW window_class{sizeof window_class};
        window_class.lpfnWndProc = proc;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"HotKeyTestMixxx";
        RegisterClassExW(&window_class);
        HWND window = CreateWindowExW(0, window_class.lpszClassName, L"Hot-key test: Mixxx",
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, nullptr,
                                      nullptr, window_class.hInstance, nullptr);
        if (window != nullptr)
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        {
            std::lock_guard lock(mutex_);
            window_ = window;
            started_ = true;
        }
        changed_.notify_all();
        MSG message;
        while (window != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    HWND window_ = nullptr;
    std::vector<WPARAM> keys_;
};

// run_hotkey_loop on a thread of its own, as the main thread runs it in the program.
class HotKeyLoop {
public:
    HotKeyLoop(std::vector<HotKeyRow> rows, ActionSender sender) {
        thread_ = std::thread([this, rows = std::move(rows), sender = std::move(sender)]() mutable {
            thread_id_ = GetCurrentThreadId();
            run_hotkey_loop(std::move(rows), GetCurrentProcessId(), std::move(sender));
            ended_ = true;
        });
    }
    ~HotKeyLoop() { quit(); }
    // Posts WM_QUIT (once the thread has a message queue) and waits for the loop to end.
    void quit() {
        if (!thread_.joinable())
            return;
        test::eventually([&] {
            return ended_ || (thread_id_ != 0 && PostThreadMessageW(thread_id_, WM_QUIT, 0, 0));
        });
        thread_.join();
    }

private:
    std::thread thread_;
    std::atomic<DWORD> thread_id_{0};
    std::atomic<bool> ended_{false};
};

HotKeyRow function_row(const std::string& key_text, const std::string& function_id) {
    Result<KeyChord> chord = parse_key_chord(key_text);
    std::optional<BoundAction> bound = action_for_function_id(function_id);
    EXPECT_TRUE(chord.ok() && bound) << key_text << " " << function_id;
    return HotKeyRow{key_text, std::make_shared<const BoundAction>(bound.value_or(BoundAction{})),
                     chord.ok() ? chord->modifiers : 0, chord.ok() ? chord->vk : 0, false};
}

// Wine 8 does not deliver the foreground WinEvent of another process to an out-of-context hook,
// so there the switch is seen by the next periodic check instead; either line, exactly.
const std::vector<std::string> switch_reasons = {"foreground event", "periodic check"};

std::string on_line(const std::string& reason) {
    return "hotkeys on by " + reason + " (foreground: " + mixxx_class + " of process " + own_pid() +
           ")";
}

std::string off_line(const std::string& reason, const KeyWindow& other) {
    return "hotkeys off by " + reason + " (foreground: " + other_class + " of process " +
           std::to_string(other.process_id()) + ")";
}

bool press(const std::string& keys) {
    return xdotool({"key", keys}).exit_code == 0;
}

// Moving the focus between two programs passes through Wine's desktop window for a moment; a
// periodic check can see the keys go off right then.
std::vector<std::string> off_lines(const KeyWindow& other) {
    DWORD desktop_pid = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &desktop_pid);
    std::vector<std::string> lines;
    for (const std::string& reason : switch_reasons) {
        lines.push_back(off_line(reason, other));
        lines.push_back("hotkeys off by " + reason + " (foreground: #32769 of process " +
                        std::to_string(desktop_pid) + ")");
    }
    return lines;
}

// Waits until the focus has moved to the other program and the keys went off once.
bool wait_switched_off(LogCapture& log, const KeyWindow& other) {
    const std::vector<std::string> lines = off_lines(other);
    const bool in_front = test::eventually([&] {
        DWORD pid = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &pid);
        return pid == other.process_id();
    });
    return in_front && !log.wait_any(lines).empty();
}

// Waits until `count` lines of the switch, by either reason, have been logged.
bool wait_switches(LogCapture& log, const std::function<std::string(const std::string&)>& line,
                   std::size_t count) {
    return test::eventually([&] {
        std::size_t seen = 0;
        for (const std::string& reason : switch_reasons)
            seen += log.count(line(reason));
        return seen >= count;
    });
}

// Gives the focus to the stand-in and waits until this process sees it in front.
void bring_mixxx_forward(const MixxxWindow& mixxx) {
    ASSERT_TRUE(focus_window(mixxx_title));
    ASSERT_TRUE(test::eventually([&] { return GetForegroundWindow() == mixxx.handle(); }));
}

class HotKeyLoopTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure())
            for (const std::string& line : log.lines())
                std::fprintf(stderr, "log: %s\n", line.c_str());
    }

    LogCapture log; // first in, last out: outlives every thread that logs
    MixxxWindow mixxx;
};

TEST_F(HotKeyLoopTest, KeysWorkOnlyWhileMixxxIsInFront) {
    KeyWindow other(other_title, other_class);
    ASSERT_TRUE(other.wait_ready());
    ASSERT_NE(mixxx.handle(), nullptr);
    bring_mixxx_forward(mixxx);

    auto [sender, receiver] = make_channel<HotKeyPress>();
    HotKeyRow play = function_row("ctrl+alt+p", "play");
    auto loop = std::make_unique<HotKeyLoop>(std::vector<HotKeyRow>{play}, std::move(sender));
    ASSERT_TRUE(log.wait_line(on_line("start")));

    ASSERT_TRUE(press("ctrl+alt+p"));
    std::optional<HotKeyPress> job = receiver.recv_for(5s);
    ASSERT_TRUE(job) << "the press reaches the action channel";
    EXPECT_EQ(job->key_text, "ctrl+alt+p");
    EXPECT_EQ(job->bound, play.bound);

    // Another program in front: its window gets the keys, and nothing is sent.
    ASSERT_TRUE(focus_window(other_title));
    ASSERT_TRUE(wait_switched_off(log, other));
    ASSERT_TRUE(press("ctrl+alt+p"));
    ASSERT_TRUE(press("q"));
    ASSERT_TRUE(other.wait_line("key 81")) << "the other program sees the key after";
    std::vector<std::string> seen = other.lines();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "key 80"), seen.end())
        << "ctrl+alt+p went to the other program";
    EXPECT_FALSE(receiver.try_recv()) << "no job while another program is in front";

    bring_mixxx_forward(mixxx);
    ASSERT_TRUE(wait_switches(log, on_line, 1));
    ASSERT_TRUE(press("ctrl+alt+p"));
    job = receiver.recv_for(5s);
    ASSERT_TRUE(job) << "registered again";
    EXPECT_EQ(job->key_text, "ctrl+alt+p");

    // WM_QUIT: the loop ends, the key is free again and the channel closes.
    loop.reset();
    EXPECT_FALSE(receiver.recv_for(5s)) << "the loop dropped its sender";
    ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'P'))
        << "the loop unregistered its keys";
    UnregisterHotKey(nullptr, 1);
    EXPECT_EQ(log.count(on_line("start")), 1u);
}

TEST_F(HotKeyLoopTest, WithAnotherProgramInFrontTheKeysWaitForMixxx) {
    KeyWindow other(other_title, other_class);
    ASSERT_TRUE(other.wait_ready());
    ASSERT_TRUE(focus_window(other_title));
    ASSERT_TRUE(test::eventually([&] {
        DWORD pid = 0;
        GetWindowThreadProcessId(GetForegroundWindow(), &pid);
        return pid == other.process_id();
    }));

    auto [sender, receiver] = make_channel<HotKeyPress>();
    HotKeyLoop loop({function_row("ctrl+alt+p", "play")}, std::move(sender));
    bring_mixxx_forward(mixxx);
    ASSERT_TRUE(wait_switches(log, on_line, 1));
    ASSERT_TRUE(press("ctrl+alt+p"));
    ASSERT_TRUE(receiver.recv_for(5s));
    EXPECT_EQ(log.count(on_line("start")), 0u) << "nothing logged while nothing changed";
    for (const std::string& line : log.lines())
        EXPECT_EQ(line.find("hotkeys off"), std::string::npos) << line;
}

TEST_F(HotKeyLoopTest, AKeyTakenByAnotherProgramIsReportedOnceAndTheOthersWork) {
    // ctrl+alt+t: modifiers 3, virtual key 84.
    KeyWindow other(other_title, other_class, {"3,84"});
    ASSERT_TRUE(other.wait_ready());
    ASSERT_EQ(other.lines().front(), "registered 3,84");
    bring_mixxx_forward(mixxx);

    auto [sender, receiver] = make_channel<HotKeyPress>();
    HotKeyLoop loop({function_row("ctrl+alt+t", "say_time"), function_row("ctrl+alt+p", "play")},
                    std::move(sender));
    const std::string taken = "hotkey ctrl+alt+t is taken by another program";
    ASSERT_TRUE(log.wait_line(on_line("start")));
    EXPECT_EQ(log.count(taken), 1u);
    EXPECT_EQ(failed_hotkeys(), std::vector<std::string>{"ctrl+alt+t"});

    ASSERT_TRUE(press("ctrl+alt+p"));
    std::optional<HotKeyPress> job = receiver.recv_for(5s);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->key_text, "ctrl+alt+p");
    ASSERT_TRUE(press("ctrl+alt+t"));
    EXPECT_TRUE(other.wait_line("hotkey 3")) << "the chord stays the other program's";

    // Off and on again: the chord fails again, without a new line.
    ASSERT_TRUE(focus_window(other_title));
    ASSERT_TRUE(wait_switched_off(log, other));
    bring_mixxx_forward(mixxx);
    ASSERT_TRUE(wait_switches(log, on_line, 1));
    EXPECT_EQ(log.count(taken), 1u);
    EXPECT_EQ(failed_hotkeys(), std::vector<std::string>{"ctrl+alt+t"});
    EXPECT_FALSE(receiver.try_recv()) << "ctrl+alt+t never reached the action channel";
}

TEST_F(HotKeyLoopTest, AReloadInstallsTheTableOfTheChangedSettingsFile) {
    test::TempFolder folder;
    const std::filesystem::path config = folder.path() / "config.toml";
    bring_mixxx_forward(mixxx);

    auto [sender, receiver] = make_channel<HotKeyPress>();
    HotKeyLoop loop({function_row("ctrl+alt+p", "play")}, std::move(sender));
    ASSERT_TRUE(log.wait_line(on_line("start")));

    // A file that does not parse leaves the table as it is.
    test::write_file(config, "[general\n");
    Result<Settings> broken = read_settings_file(config);
    ASSERT_FALSE(broken.ok());
    reload_keys(config);
    EXPECT_TRUE(log.wait_text("error: reloading keys: " + broken.error() + "\n"));

    // play moves from ctrl+alt+p to ctrl+alt+shift+y.
    test::write_file(config, "[general]\nmixxx_path = 'C:\\Mixxx\\mixxx.exe'\n\n"
                             "[shortcuts]\nplay = [\"ctrl+alt+shift+y\"]\n");
    Result<Settings> settings = read_settings_file(config);
    ASSERT_TRUE(settings.ok()) << settings.error();
    Result<std::vector<HotKeyRow>> rows = key_map_from_settings(*settings);
    ASSERT_TRUE(rows.ok()) << rows.error();
    reload_keys(config);
    ASSERT_TRUE(log.wait_line("keys reloaded: " + std::to_string(rows->size()) + " hotkeys"));
    ASSERT_TRUE(log.wait_line(on_line("new key map")));

    ASSERT_TRUE(press("ctrl+alt+shift+y"));
    std::optional<HotKeyPress> job = receiver.recv_for(5s);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->key_text, "ctrl+alt+shift+y");
    EXPECT_EQ(job->bound->name, "Play / pause");

    // The old chord is no hot key any more: it reaches the window.
    ASSERT_TRUE(press("ctrl+alt+p"));
    EXPECT_TRUE(mixxx.wait_key('P'));
    EXPECT_FALSE(receiver.try_recv());
    EXPECT_TRUE(failed_hotkeys().empty());
}

} // namespace
} // namespace cuevoice
