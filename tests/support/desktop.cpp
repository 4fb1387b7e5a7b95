#include "desktop.h"

#include <windows.h>

#include <atomic>
#include <thread>

#include "common/text.h"
#include "main/launch_mixxx.h"
#include "test_support.h"

namespace cuevoice::test {
namespace {

// Ends xdotool's output; a control character that no xdotool output holds.
constexpr char end_marker[] = "\x1f"
                              "xdotool-exit:";

std::filesystem::path output_file_path() {
    static std::atomic<unsigned> count{0};
    wchar_t folder[MAX_PATH + 2];
    DWORD length = GetTempPathW(MAX_PATH + 2, folder);
    return std::filesystem::path(std::wstring(folder, length)) /
           (L"cuevoice-xdotool-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(count++) + L".txt");
}

// POSIX extended regular expression matching exactly the text (xdotool's --name).
std::string exact_pattern(const std::string& text) {
    std::string pattern = "^";
    for (char c : text) {
        if (std::string_view(".^$*+?()[]{}|\\").find(c) != std::string_view::npos)
            pattern += '\\';
        pattern += c;
    }
    return pattern + "$";
}

} // namespace

XdotoolResult xdotool(const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout) {
    XdotoolResult result;
    const std::filesystem::path path = output_file_path();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    constexpr DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE output = CreateFileW(path.c_str(), GENERIC_WRITE, share, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, share, &inherit, OPEN_EXISTING, 0, nullptr);
    HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE || input == INVALID_HANDLE_VALUE ||
        reader == INVALID_HANDLE_VALUE) {
        result.output = "cannot create the output file: " + system_message(GetLastError());
        for (HANDLE handle : {output, input, reader})
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
        return result;
    }

    // The shell ends xdotool (coreutils' timeout) and reports its exit code after the output.
    const long seconds = static_cast<long>(std::max<long long>(1, timeout.count() / 1000));
    std::wstring command =
        L"/bin/sh -c " +
        quote_windows_argument(L"exec 2>&1; timeout " + std::to_wstring(seconds) +
                               L" xdotool \"$@\"; printf '\\037xdotool-exit:%d\\n' $?") +
        L" sh";
    for (const std::string& argument : arguments)
        command += L" " + quote_windows_argument(to_wide(argument));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &startup, &process);
    CloseHandle(output);
    CloseHandle(input);
    // A Unix child comes without handles, and Wine leaves the process information as garbage:
    // closing those values would close unrelated handles of this process.
    if (!started) {
        result.output = "cannot start /bin/sh: " + system_message(GetLastError());
        CloseHandle(reader);
        DeleteFileW(path.c_str());
        return result;
    }

    std::string text;
    const auto until = std::chrono::steady_clock::now() + timeout + std::chrono::seconds(2);
    std::size_t marker = std::string::npos;
    while (true) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(reader, buffer, sizeof buffer, &got, nullptr) && got > 0)
            text.append(buffer, got);
        marker = text.find(end_marker);
        if (marker != std::string::npos && text.back() == '\n')
            break;
        if (std::chrono::steady_clock::now() >= until)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    CloseHandle(reader);
    DeleteFileW(path.c_str());
    if (marker == std::string::npos || text.back() != '\n') {
        result.output = text;
        return result;
    }
    result.output = text.substr(0, marker);
    result.exit_code = std::atoi(text.c_str() + marker + sizeof end_marker - 1);
    return result;
}

namespace {

bool foreground_has_title(const std::string& title) {
    wchar_t text[512];
    int length = GetWindowTextW(GetForegroundWindow(), text, 512);
    return length > 0 &&
           to_utf8(std::wstring_view(text, static_cast<std::size_t>(length))) == title;
}

} // namespace

bool focus_window(const std::string& title, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    XdotoolResult found =
        xdotool({"search", "--sync", "--onlyvisible", "--name", exact_pattern(title)}, timeout);
    if (found.exit_code != 0)
        return false;
    std::vector<std::string> ids;
    for (const std::string& id : lines_of(found.output))
        if (!id.empty())
            ids.push_back(id);
    // Wine follows the X focus, but each program handles its own focus events: when the focus
    // moves straight from one program's window to another's, the loser (or Wine's desktop
    // process) may hand the foreground to the desktop after the winner took it. So the focus
    // goes to the root window first, and on to the window once Wine's desktop holds the
    // foreground; and the window must still be in front after one more round trip.
    const XdotoolResult root = xdotool({"search", "--maxdepth", "0", "--name", ".*"});
    const std::vector<std::string> root_ids = lines_of(root.output);
    while (std::chrono::steady_clock::now() < until) {
        for (const std::string& id : ids) {
            if (!root_ids.empty() && !root_ids.front().empty()) {
                xdotool({"windowfocus", "--sync", root_ids.front()});
                eventually([] { return GetForegroundWindow() == GetDesktopWindow(); },
                           std::chrono::milliseconds(2000));
            }
            xdotool({"windowfocus", "--sync", id});
            if (eventually([&] { return foreground_has_title(title); },
                           std::chrono::milliseconds(2000)) &&
                xdotool({"getwindowfocus"}).exit_code == 0 && foreground_has_title(title))
                return true;
        }
    }
    return false;
}

} // namespace cuevoice::test
