#include "key_window.h"

#include <windows.h>

#include <algorithm>

#include "common/text.h"
#include "main/launch_mixxx.h"
#include "test_support.h"

namespace cuevoice::test {

KeyWindow::KeyWindow(const std::string& title, const std::string& class_name,
                     const std::vector<std::string>& hotkeys) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0))
        return;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

    std::filesystem::path program = bin_folder() / "key_window.exe";
    std::wstring command = quote_windows_argument(program.wstring()) + L" " +
                           quote_windows_argument(to_wide(title)) + L" " +
                           quote_windows_argument(to_wide(class_name));
    for (const std::string& hotkey : hotkeys)
        command += L" " + quote_windows_argument(to_wide(hotkey));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &startup, &info);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    process_id_ = info.dwProcessId;
    reader_ = std::thread([this, read_end] { read_reports(read_end); });
}

KeyWindow::~KeyWindow() {
    if (process_ != nullptr) {
        // Only the program this object started.
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
    }
    if (reader_.joinable())
        reader_.join();
}

void KeyWindow::read_reports(void* pipe) {
    std::string buffer;
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        buffer.append(chunk, got);
        std::lock_guard lock(mutex_);
        for (std::size_t end; (end = buffer.find('\n')) != std::string::npos;) {
            lines_.push_back(buffer.substr(0, end));
            buffer.erase(0, end + 1);
        }
        changed_.notify_all();
    }
    CloseHandle(pipe);
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

bool KeyWindow::wait_ready(std::chrono::milliseconds timeout) {
    return wait_line("ready " + std::to_string(process_id_), timeout);
}

bool KeyWindow::wait_line(const std::string& line, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return ended_ || std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }) && std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

std::vector<std::string> KeyWindow::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

} // namespace cuevoice::test
