#pragma once
// The application log's lines as they are written: standard output goes to a pipe while the
// object lives, and a reader thread collects the lines for tests to wait on.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cuevoice::test {

class LogCapture {
public:
    LogCapture() {
        saved_ = GetStdHandle(STD_OUTPUT_HANDLE);
        HANDLE read_end = nullptr;
        if (!CreatePipe(&read_end, &write_end_, nullptr, 1 << 16))
            return;
        SetStdHandle(STD_OUTPUT_HANDLE, write_end_);
        reader_ = std::thread([this, read_end] { read(read_end); });
    }
    // Only once nothing logs any more: the loop under test has ended.
    ~LogCapture() {
        SetStdHandle(STD_OUTPUT_HANDLE, saved_);
        if (write_end_ != nullptr)
            CloseHandle(write_end_);
        if (reader_.joinable())
            reader_.join();
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    bool wait_line(const std::string& line,
                   std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return count_locked(line) > 0; });
    }
    // Waits for any of the lines; gives the one that came, or an empty text.
    std::string wait_any(const std::vector<std::string>& lines,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        std::string found;
        changed_.wait_for(lock, timeout, [&] {
            for (const std::string& line : lines)
                if (count_locked(line) > 0) {
                    found = line;
                    return true;
                }
            return false;
        });
        return found;
    }
    // Waits until the text, line breaks included, appears in what was logged.
    bool wait_text(const std::string& text,
                   std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout,
                                 [&] { return all_.find(text) != std::string::npos; });
    }
    std::size_t count(const std::string& line) const {
        std::lock_guard lock(mutex_);
        return count_locked(line);
    }
    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    std::size_t count_locked(const std::string& line) const {
        return static_cast<std::size_t>(std::count(lines_.begin(), lines_.end(), line));
    }
    void read(HANDLE pipe) {
        std::string buffer;
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            buffer.append(chunk, got);
            std::lock_guard lock(mutex_);
            all_.append(chunk, got);
            for (std::size_t end; (end = buffer.find('\n')) != std::string::npos;) {
                lines_.push_back(buffer.substr(0, end));
                buffer.erase(0, end + 1);
            }
            changed_.notify_all();
        }
        CloseHandle(pipe);
    }

    HANDLE saved_ = nullptr;
    HANDLE write_end_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::string all_;
    std::thread reader_;
};

} // namespace cuevoice::test
