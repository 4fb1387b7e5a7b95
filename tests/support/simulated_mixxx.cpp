#include "simulated_mixxx.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "common/text.h"
#include "line_client.h"
#include "test_support.h"

namespace cuevoice::test {

namespace {

// 32 hexadecimal digits: this process, a count of its starts, and the moment.
std::string unique_token() {
    static std::atomic<unsigned> starts{0};
    char text[40];
    std::snprintf(text, sizeof text, "%08lx%08x%016llx", GetCurrentProcessId(), ++starts,
                  static_cast<unsigned long long>(GetTickCount64()));
    return text;
}

} // namespace

SimulatedMixxx::SimulatedMixxx(Options options) : token_(std::move(options.token)) {
    if (token_.empty())
        token_ = unique_token();
    port_ = private_port();
    control_port_ = private_port();
    std::filesystem::path bin = bin_folder();
    std::vector<std::string> environment;
    if (options.plugin_variables) {
        environment = {"QT_PLUGIN_PATH=" + (bin / "plugins").string(),
                       "QT_QPA_GENERIC_PLUGINS=cuevoice", "CUEVOICE_TOKEN=" + token_,
                       "CUEVOICE_PORT=" + std::to_string(port_)};
    }
    environment.push_back("MIXXXSIM_CONTROL_PORT=" + std::to_string(control_port_));
    for (const std::string& change : options.environment)
        environment.push_back(change);
    std::wstring block = environment_block(environment);
    std::wstring program = (bin / "mixxx.exe").wstring();
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring folder = bin.wstring();
    // A loaded Wine has been seen to refuse a start now and then; a few tries keep that from
    // failing a test about something else, and the last refusal is kept for the report.
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0)
            Sleep(200);
        started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE,
                                 CREATE_UNICODE_ENVIRONMENT, block.data(), folder.c_str(), &startup,
                                 &info) != 0;
        if (!started)
            start_error_ = GetLastError();
    }
    if (!started)
        return;
    HANDLE own = nullptr;
    DuplicateHandle(GetCurrentProcess(), info.hProcess, GetCurrentProcess(), &own, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    process_ = own;
    process_id_ = info.dwProcessId;
    child_ = std::make_shared<MixxxChild>(info.hProcess, info.hThread, info.dwProcessId);
}

SimulatedMixxx::~SimulatedMixxx() {
    if (process_ == nullptr)
        return;
    // Only this process, which the test started itself.
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool SimulatedMixxx::wait_loaded(std::chrono::milliseconds timeout) const {
    if (process_ == nullptr)
        return false;
    std::wstring name = L"Local\\CuevoicePluginLoaded-" + to_wide(token_.substr(0, 16));
    return eventually(
        [&] {
            HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
            if (event == nullptr)
                return false;
            CloseHandle(event);
            return true;
        },
        timeout);
}

std::optional<unsigned long> SimulatedMixxx::wait_exit(std::chrono::milliseconds timeout) const {
    if (process_ == nullptr ||
        WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::optional<nlohmann::json> SimulatedMixxx::control(const nlohmann::json& request) const {
    return request_once(control_port_, request);
}

} // namespace cuevoice::test
