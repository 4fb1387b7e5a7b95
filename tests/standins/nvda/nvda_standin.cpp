// Stand-in for NVDA's controller client. It records every call in order, in memory for the
// test that loaded it and, when NVDA_STANDIN_LOG names a file, as lines appended to that file.
// NVDA_STANDIN_RUNNING=0 starts it as "not running"; tests switch it with standin_set_running.
// NVDA_STANDIN_TIMES=1 starts each line of the file with the system time of the call in 100-ns
// steps since 1601 and a blank, for benchmarks that compare it with other programs' times.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include <windows.h>

namespace {

std::mutex calls_mutex;
std::string calls;
std::atomic<int> running{-1};
std::atomic<int> running_tests{0};

std::string utf8(const wchar_t* text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(length > 0 ? length - 1 : 0, '\0');
    if (length > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
    return out;
}

bool stamp_lines() {
    wchar_t value[8];
    DWORD length = GetEnvironmentVariableW(L"NVDA_STANDIN_TIMES", value, 8);
    return length == 1 && value[0] == L'1';
}

void record(const std::string& line) {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    std::lock_guard lock(calls_mutex);
    calls += line;
    calls += '\n';
    wchar_t path[1024];
    DWORD length = GetEnvironmentVariableW(L"NVDA_STANDIN_LOG", path, 1024);
    if (length == 0 || length >= 1024)
        return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string text = line + "\n";
    if (stamp_lines())
        text = std::to_string((static_cast<unsigned long long>(now.dwHighDateTime) << 32) |
                              now.dwLowDateTime) +
               " " + text;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

bool is_running() {
    int state = running.load();
    if (state < 0) {
        wchar_t value[8];
        DWORD length = GetEnvironmentVariableW(L"NVDA_STANDIN_RUNNING", value, 8);
        state = (length == 1 && value[0] == L'0') ? 0 : 1;
        running.store(state);
    }
    return state == 1;
}

} // namespace

extern "C" {

__declspec(dllexport) unsigned long nvdaController_testIfRunning() {
    ++running_tests;
    return is_running() ? 0 : 1717; // RPC_S_UNKNOWN_IF, as the real client says when NVDA is off
}

__declspec(dllexport) unsigned long nvdaController_speakText(const wchar_t* text) {
    record("speakText " + utf8(text));
    return 0;
}

#ifndef NVDA_STANDIN_WITHOUT_CANCEL
__declspec(dllexport) unsigned long nvdaController_cancelSpeech() {
    record("cancelSpeech");
    return 0;
}
#endif

// Test controls.
__declspec(dllexport) void standin_set_running(int on) {
    running.store(on ? 1 : 0);
}

// How often the client asked whether NVDA runs: tells a test that a message was handled.
__declspec(dllexport) int standin_running_tests() {
    return running_tests.load();
}

// Copies the calls recorded so far into the buffer (NUL-terminated) and forgets them.
__declspec(dllexport) int standin_take_calls(char* buffer, int size) {
    std::lock_guard lock(calls_mutex);
    int length = static_cast<int>(calls.size());
    if (buffer != nullptr && size > 0) {
        int copied = length < size - 1 ? length : size - 1;
        std::memcpy(buffer, calls.data(), copied);
        buffer[copied] = '\0';
    }
    calls.clear();
    return length;
}
}
