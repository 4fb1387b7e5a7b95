#include "test_support.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <windows.h>

#include "common/program_folder.h"
#include "common/text.h"
#include "main/launch_mixxx.h"

namespace cuevoice::test {

std::filesystem::path bin_folder() {
    return *program_folder();
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    wchar_t buffer[MAX_PATH + 2];
    DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
    path_ = std::filesystem::path(std::wstring(buffer, length)) /
            (L"cuevoice-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

void drain(HANDLE pipe, std::string* out) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out->append(buffer, got);
}

} // namespace

std::wstring environment_block(const std::vector<std::string>& changes) {
    std::vector<std::wstring> entries;
    wchar_t* current = GetEnvironmentStringsW();
    for (wchar_t* p = current; *p; p += wcslen(p) + 1)
        entries.emplace_back(p);
    FreeEnvironmentStringsW(current);
    for (const std::string& change : changes) {
        std::wstring wide = to_wide(change);
        std::wstring name = wide.substr(0, wide.find(L'='));
        std::erase_if(entries, [&](const std::wstring& entry) {
            return _wcsnicmp(entry.c_str(), (name + L"=").c_str(), name.size() + 1) == 0;
        });
        if (wide.find(L'=') != std::wstring::npos)
            entries.push_back(wide);
    }
    std::wstring block;
    for (const auto& entry : entries) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

ProcessResult run_process(const std::filesystem::path& program, const ProcessOptions& options) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out_read, out_write, err_read, err_write;
    CreatePipe(&out_read, &out_write, &inherit, 0);
    CreatePipe(&err_read, &err_write, &inherit, 0);
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);

    std::wstring command = quote_windows_argument(program.wstring());
    for (const auto& argument : options.arguments)
        command += L" " + quote_windows_argument(to_wide(argument));
    std::wstring environment = environment_block(options.environment);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    PROCESS_INFORMATION process{};
    std::wstring folder = options.working_folder ? options.working_folder->wstring() : L"";
    ProcessResult result;
    BOOL created =
        CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT | CREATE_DEFAULT_ERROR_MODE, environment.data(),
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    CloseHandle(out_write);
    CloseHandle(err_write);
    if (!created) {
        CloseHandle(out_read);
        CloseHandle(err_read);
        result.exit_code = static_cast<unsigned long>(-1);
        result.err = "CreateProcess failed: " + system_message(GetLastError());
        return result;
    }
    result.started = true;
    std::thread out_thread(drain, out_read, &result.out);
    std::thread err_thread(drain, err_read, &result.err);
    const auto until = std::chrono::steady_clock::now() + options.timeout;
    for (;;) {
        auto left = std::max(
            std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()),
            std::chrono::milliseconds(0));
        auto step = options.give_up ? std::min(left, std::chrono::milliseconds(50)) : left;
        if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(step.count())) ==
            WAIT_OBJECT_0)
            break;
        if (left <= step || (options.give_up && options.give_up(process.dwProcessId))) {
            result.timed_out = true;
            break;
        }
    }
    if (result.timed_out) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &result.exit_code);
    out_thread.join();
    err_thread.join();
    CloseHandle(out_read);
    CloseHandle(err_read);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

StdoutCapture::StdoutCapture() {
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, nullptr, 0))
        throw std::runtime_error("StdoutCapture: CreatePipe failed");
    read_ = read;
    write_ = write;
    previous_ = GetStdHandle(STD_OUTPUT_HANDLE);
    reader_ = std::thread(drain, read, &text_);
    SetStdHandle(STD_OUTPUT_HANDLE, write);
}

StdoutCapture::~StdoutCapture() {
    finish();
}

std::string StdoutCapture::finish() {
    if (!finished_) {
        finished_ = true;
        SetStdHandle(STD_OUTPUT_HANDLE, previous_);
        CloseHandle(write_);
        reader_.join();
        CloseHandle(read_);
    }
    return text_;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string utf16le_bytes(const std::string& text) {
    std::string bytes;
    for (wchar_t unit : to_wide(text)) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string long_date_like_value(std::size_t underscores, const std::string& tail) {
    std::string value = "1";
    value.append(underscores, '_');
    value += "979-05-27";
    value += tail;
    return value;
}

void write_file(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<std::filesystem::path> files_in(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace cuevoice::test
