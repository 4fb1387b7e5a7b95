#include "desktop.h"

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "common/text.h"
#include "main/launch_mixxx.h"
#include "test_support.h"

namespace cuevoice::test {
namespace {

// Opens the shell's closing line; a control character that no program's output here holds.
constexpr std::string_view end_marker = "\x1f"
                                        "unix-exit:";

std::filesystem::path output_file_path() {
    static std::atomic<unsigned> count{0};
    wchar_t folder[MAX_PATH + 2];
    DWORD length = GetTempPathW(MAX_PATH + 2, folder);
    return std::filesystem::path(std::wstring(folder, length)) /
           (L"cuevoice-unix-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(count++) + L".txt");
}

// The exit code of a complete closing line at the end of the text ("\x1funix-exit:N\n"), or
// none while the line is missing or not yet whole.
std::optional<int> exit_code_at_end(const std::string& text, std::size_t& marker) {
    marker = text.rfind(end_marker);
    if (marker == std::string::npos || text.empty() || text.back() != '\n')
        return std::nullopt;
    const std::size_t digits = marker + end_marker.size();
    const std::size_t end = text.size() - 1;
    if (digits == end)
        return std::nullopt;
    int code = 0;
    for (std::size_t i = digits; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        code = code * 10 + (text[i] - '0');
    }
    return code;
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

// The X window that Wine made for a top-level window; "0" for none.
std::string x_window_of(HWND window) {
    auto id = reinterpret_cast<std::uintptr_t>(GetPropW(window, L"__wine_x11_whole_window"));
    return std::to_string(id);
}

bool foreground_has_title(const std::string& title) {
    wchar_t text[512];
    int length = GetWindowTextW(GetForegroundWindow(), text, 512);
    return length > 0 &&
           to_utf8(std::wstring_view(text, static_cast<std::size_t>(length))) == title;
}

// Wine follows the X focus, but each program handles its own focus events: when the focus
// moves straight from one program's window to another's, the loser (or Wine's desktop
// process) may hand the foreground to the desktop after the winner took it. So the focus goes
// to the root window first, and on to the window once Wine's desktop holds the foreground; and
// the window must still be in front after one more round trip.
bool focus_x_window(const std::vector<std::string>& ids, const std::function<bool()>& in_front,
                    std::chrono::steady_clock::time_point until) {
    // Already in front, X focus and all: nothing to move.
    const UnixResult focused = xdotool({"getwindowfocus"});
    for (const std::string& id : ids)
        if (focused.exit_code == 0 && lines_of(focused.output) == std::vector<std::string>{id} &&
            in_front())
            return true;

    const UnixResult root = xdotool({"search", "--maxdepth", "0", "--name", ".*"});
    const std::vector<std::string> root_ids = lines_of(root.output);
    while (std::chrono::steady_clock::now() < until) {
        for (const std::string& id : ids) {
            if (!root_ids.empty() && !root_ids.front().empty()) {
                xdotool({"windowfocus", "--sync", root_ids.front()});
                eventually([] { return GetForegroundWindow() == GetDesktopWindow(); },
                           std::chrono::milliseconds(2000));
            }
            xdotool({"windowfocus", "--sync", id});
            if (eventually(in_front, std::chrono::milliseconds(2000)) &&
                xdotool({"getwindowfocus"}).exit_code == 0 && in_front())
                return true;
        }
    }
    return false;
}

} // namespace

UnixResult run_unix(const std::string& program, const std::vector<std::string>& arguments,
                    std::chrono::milliseconds timeout) {
    UnixResult result;
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

    // The shell ends the program (coreutils' timeout) and reports its exit code after the
    // output.
    const long seconds = static_cast<long>(std::max<long long>(1, timeout.count() / 1000));
    std::wstring command =
        L"/bin/sh -c " +
        quote_windows_argument(L"exec 2>&1; timeout " + std::to_wstring(seconds) +
                               L" \"$@\"; printf '\\037unix-exit:%d\\n' $?") +
        L" sh " + quote_windows_argument(to_wide(program));
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
    std::optional<int> code;
    while (true) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(reader, buffer, sizeof buffer, &got, nullptr) && got > 0)
            text.append(buffer, got);
        code = exit_code_at_end(text, marker);
        if (code || std::chrono::steady_clock::now() >= until)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    CloseHandle(reader);
    DeleteFileW(path.c_str());
    if (!code) {
        result.output = text;
        return result;
    }
    result.output = text.substr(0, marker);
    result.exit_code = *code;
    return result;
}

UnixResult xdotool(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout) {
    return run_unix("xdotool", arguments, timeout);
}

bool focus_window(const std::string& title, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    UnixResult found =
        xdotool({"search", "--sync", "--onlyvisible", "--name", exact_pattern(title)}, timeout);
    if (found.exit_code != 0)
        return false;
    std::vector<std::string> ids;
    for (const std::string& id : lines_of(found.output))
        if (!id.empty())
            ids.push_back(id);
    return focus_x_window(
        ids, [&] { return foreground_has_title(title); }, until);
}

bool focus_window(HWND window, std::chrono::milliseconds timeout) {
    const std::string id = x_window_of(window);
    if (id == "0")
        return false;
    return focus_x_window(
        {id}, [&] { return GetForegroundWindow() == window; },
        std::chrono::steady_clock::now() + timeout);
}

bool press_key(const std::string& chord) {
    return xdotool({"key", "--clearmodifiers", chord}).exit_code == 0;
}

bool type_text(const std::string& text) {
    return xdotool({"type", "--delay", "20", text}).exit_code == 0;
}

bool take_screenshot(const std::filesystem::path& file) {
    // Wine's own call turns the Windows path into the Unix one that import needs.
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unix_name == nullptr)
        return false;
    char* name = unix_name(std::filesystem::absolute(file).c_str());
    if (name == nullptr)
        return false;
    std::string target(name);
    HeapFree(GetProcessHeap(), 0, name);
    return run_unix("sh", {"-c", "import -window root -display \"$DISPLAY\" \"$0\"", target},
                    std::chrono::seconds(20))
               .exit_code == 0;
}

} // namespace cuevoice::test
