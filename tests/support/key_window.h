#pragma once
// Another program with a window of its own (bin/key_window.exe), for tests that move the
// focus away from the program under test or need a hot key taken by someone else. Its
// reports arrive as lines: "registered M,VK" / "taken M,VK" for the hot keys it was asked to
// hold, "ready PID", then "key VK" for every key that reaches its window.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cuevoice::test {

class KeyWindow {
public:
    // Hot keys as "modifiers,virtual key" in decimal, registered before the window shows.
    KeyWindow(const std::string& title, const std::string& class_name,
              const std::vector<std::string>& hotkeys = {});
    // Ends the program by its handle.
    ~KeyWindow();
    KeyWindow(const KeyWindow&) = delete;
    KeyWindow& operator=(const KeyWindow&) = delete;

    // Waits until the window is shown; false when the program ended or the time ran out.
    bool wait_ready(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Waits for a report line equal to `line`.
    bool wait_line(const std::string& line,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::vector<std::string> lines() const;
    std::uint32_t process_id() const { return process_id_; }

private:
    void read_reports(void* pipe);

    void* process_ = nullptr;
    std::uint32_t process_id_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    bool ended_ = false;
    std::thread reader_;
};

} // namespace cuevoice::test
