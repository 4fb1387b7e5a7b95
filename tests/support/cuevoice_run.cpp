#include "cuevoice_run.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include <gtest/gtest.h>

#include "common/text.h"
#include "line_client.h"

namespace cuevoice::test {
namespace {

// A test token of this process and start: named kernel objects are shared by the whole prefix.
std::string unique_token() {
    static std::atomic<unsigned> starts{0};
    char text[40];
    std::snprintf(text, sizeof text, "run%05lx%08x%016llx", GetCurrentProcessId() & 0xfffff,
                  ++starts, static_cast<unsigned long long>(GetTickCount64()));
    return text;
}

std::string toml_basic_string(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// Ends a process this test started and waits until it is gone: a copy of cuevoice.exe that
// outlived its test would hold the single-instance mutex in the next one.
void end_and_wait(HANDLE process, const char* what) {
    if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT)
        return;
    TerminateProcess(process, 99);
    if (WaitForSingleObject(process, 60000) != WAIT_OBJECT_0)
        ADD_FAILURE() << what << " still runs a minute after it was ended";
}

void end_process(std::uint32_t pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process == nullptr)
        return;
    end_and_wait(process, "the Mixxx it started");
    CloseHandle(process);
}

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK find_window(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::string windows_text(const std::filesystem::path& path) {
    return to_utf8(path.wstring());
}

std::string settings_text(const std::filesystem::path& mixxx, std::uint16_t port,
                          const std::vector<std::string>& arguments) {
    std::string list;
    for (const std::string& argument : arguments)
        list += (list.empty() ? "" : ", ") + toml_basic_string(argument);
    return "[general]\nmixxx_path = " + toml_basic_string(windows_text(mixxx)) +
           "\nmixxx_args = [" + list + "]\nport = " + std::to_string(port) + "\n";
}

CuevoiceRun::CuevoiceRun(CuevoiceSetup setup) : token_(unique_token()) {
    control_port_ = private_port();
    if (setup.settings)
        write_file(settings_file(), *setup.settings);
    if (setup.prepare)
        setup.prepare(profile_.path());
    std::string profile = windows_text(profile_.path());
    std::vector<std::string> environment = {
        "APPDATA=" + profile, "LOCALAPPDATA=" + profile, "CUEVOICE_TEST_TOKEN=" + token_,
        "MIXXXSIM_CONTROL_PORT=" + std::to_string(control_port_),
        "MIXXXSIM_START_LOG=" + windows_text(profile_.path() / "mixxx-starts.jsonl")};
    for (const std::string& change : setup.environment)
        environment.push_back(change);
    std::wstring block = environment_block(environment);

    // Standard output goes to a file: a pipe would stay open as long as the Mixxx it started.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    std::wstring out_path = (profile_.path() / "stdout.txt").wstring();
    HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION info{};
    std::wstring program = setup.program.wstring();
    std::wstring command = L"\"" + program + L"\"";
    if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
    } else {
        ADD_FAILURE() << "cannot start " << windows_text(setup.program) << ": "
                      << system_message(GetLastError());
    }
    CloseHandle(out);
}

CuevoiceRun::~CuevoiceRun() {
    if (process_ != nullptr) {
        end_and_wait(process_, "cuevoice.exe");
        CloseHandle(process_);
    }
    for (const nlohmann::json& start : mixxx_starts())
        end_process(start.value("pid", 0u));
}

std::uint32_t CuevoiceRun::process_id() const {
    return process_ != nullptr ? GetProcessId(process_) : 0;
}

std::filesystem::path CuevoiceRun::settings_file() const {
    return profile_.path() / "Cuevoice" / "config.toml";
}

std::string CuevoiceRun::log() const {
    return read_file(profile_.path() / "Cuevoice" / "logs" / "app.log");
}

std::string CuevoiceRun::report() const {
    std::string state = "not started";
    if (process_ != nullptr) {
        DWORD code = 0;
        state = WaitForSingleObject(process_, 0) == WAIT_TIMEOUT ? "still running"
                : GetExitCodeProcess(process_, &code) ? "ended with " + std::to_string(code)
                                                      : "ended";
    }
    return "cuevoice.exe " + state + "\napp.log:\n" + log() + "standard output:\n" + output();
}

std::string CuevoiceRun::output() const {
    return read_file(profile_.path() / "stdout.txt");
}

std::vector<std::string> CuevoiceRun::messages() const {
    std::vector<std::string> messages;
    for (const std::string& line : lines_of(log())) {
        std::size_t stamp_end = line.find("] ");
        if (line.rfind("[", 0) == 0 && stamp_end != std::string::npos)
            messages.push_back(line.substr(stamp_end + 2));
    }
    return messages;
}

bool CuevoiceRun::wait_for_message(const std::string& text,
                                   std::chrono::milliseconds timeout) const {
    return eventually(
        [&] {
            for (const std::string& message : messages())
                if (message == text)
                    return true;
            return false;
        },
        timeout);
}

std::optional<std::string> first_starting_with(const std::vector<std::string>& messages,
                                               const std::string& text) {
    for (const std::string& message : messages)
        if (message.rfind(text, 0) == 0)
            return message;
    return std::nullopt;
}

std::optional<std::string>
CuevoiceRun::wait_for_message_starting(const std::string& text,
                                       std::chrono::milliseconds timeout) const {
    std::optional<std::string> found;
    eventually([&] { return (found = first_starting_with(messages(), text)).has_value(); },
               timeout);
    return found;
}

std::optional<unsigned long> CuevoiceRun::wait_exit(std::chrono::milliseconds timeout) const {
    if (process_ == nullptr ||
        WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::vector<nlohmann::json> CuevoiceRun::mixxx_starts() const {
    std::vector<nlohmann::json> starts;
    for (const std::string& line : lines_of(read_file(profile_.path() / "mixxx-starts.jsonl"))) {
        nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
        if (record.is_object())
            starts.push_back(record);
    }
    return starts;
}

std::optional<nlohmann::json> CuevoiceRun::wait_for_mixxx(std::chrono::milliseconds timeout) const {
    if (!eventually([&] { return !mixxx_starts().empty(); }, timeout))
        return std::nullopt;
    return mixxx_starts().front();
}

bool CuevoiceRun::mixxx_running() const {
    std::vector<nlohmann::json> starts = mixxx_starts();
    if (starts.empty())
        return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, starts.front().value("pid", 0u));
    if (process == nullptr)
        return false;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

std::optional<nlohmann::json> CuevoiceRun::control(const nlohmann::json& request) const {
    return request_once(control_port_, request);
}

bool CuevoiceRun::close_mixxx_window() const {
    std::vector<nlohmann::json> starts = mixxx_starts();
    if (starts.empty())
        return false;
    WindowSearch search{starts.front().value("pid", 0u), nullptr};
    eventually([&] {
        EnumWindows(find_window, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found != nullptr && PostMessageW(search.found, WM_CLOSE, 0, 0);
}

} // namespace cuevoice::test
