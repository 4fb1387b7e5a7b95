#include "x_desktop.h"

#include <atomic>
#include <thread>

#include "common/text.h"

namespace cuevoice::test {
namespace {

constexpr char end_marker[] = "\x1f"
                              "unix-exit:";

std::filesystem::path output_file_path() {
    static std::atomic<unsigned> count{0};
    wchar_t folder[MAX_PATH + 2];
    DWORD length = GetTempPathW(MAX_PATH + 2, folder);
    return std::filesystem::path(std::wstring(folder, length)) /
           (L"cuevoice-unix-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(count++) + L".txt");
}

// One argument that the Windows command-line rules give back unchanged.
std::wstring quote_argument(const std::wstring& argument) {
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// The X window that Wine made for a top-level window.
std::string x_window_of(HWND window) {
    auto id = reinterpret_cast<std::uintptr_t>(GetPropW(window, L"__wine_x11_whole_window"));
    return std::to_string(id);
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
        for (HANDLE handle : {output, input, reader})
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
        result.output = "cannot create the output file";
        return result;
    }
    const long seconds = static_cast<long>(std::max<long long>(1, timeout.count() / 1000));
    std::wstring script = L"exec 2>&1; timeout " + std::to_wstring(seconds) +
                          L" \"$@\"; printf '\\037unix-exit:%d\\n' $?";
    std::wstring command =
        L"/bin/sh -c " + quote_argument(script) + L" sh " + quote_argument(to_wide(program));
    for (const std::string& argument : arguments)
        command += L" " + quote_argument(to_wide(argument));

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
    // A Unix child comes without handles; what Wine leaves in `process` must not be closed.
    if (!started) {
        CloseHandle(reader);
        DeleteFileW(path.c_str());
        result.output = "cannot start /bin/sh";
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

UnixResult xdotool(const std::vector<std::string>& arguments) {
    return run_unix("xdotool", arguments);
}

bool focus_window(HWND window) {
    std::string id = x_window_of(window);
    if (id == "0")
        return false;
    return xdotool({"windowfocus", "--sync", id}).exit_code == 0;
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
