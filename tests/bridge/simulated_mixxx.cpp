#include "simulated_mixxx.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include <winsock2.h>

#include "bridge/socket.h"
#include "common/text.h"
#include "test_support.h"

namespace cuevoice::test {

namespace {

std::wstring environment_with(const std::vector<std::wstring>& additions) {
    std::wstring block;
    wchar_t* current = GetEnvironmentStringsW();
    for (wchar_t* p = current; *p; p += wcslen(p) + 1) {
        block += p;
        block += L'\0';
    }
    FreeEnvironmentStringsW(current);
    for (const auto& entry : additions) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

// 32 hexadecimal digits of this process and moment: the loaded event is named after the token,
// so test programs running side by side must not share one.
std::string unique_token() {
    char text[33];
    std::snprintf(text, sizeof text, "%08lx%08lx%016llx", GetCurrentProcessId(), GetTickCount(),
                  static_cast<unsigned long long>(
                      std::chrono::steady_clock::now().time_since_epoch().count()));
    return text;
}

} // namespace

SimulatedMixxx::SimulatedMixxx() : token_(unique_token()) {
    port_ = unused_port();
    control_port_ = unused_port();
    std::filesystem::path bin = bin_folder();
    std::wstring environment = environment_with({
        L"QT_PLUGIN_PATH=" + (bin / L"plugins").wstring(),
        L"QT_QPA_GENERIC_PLUGINS=cuevoice",
        L"CUEVOICE_TOKEN=" + to_wide(token_),
        L"CUEVOICE_PORT=" + std::to_wstring(port_),
        L"MIXXXSIM_CONTROL_PORT=" + std::to_wstring(control_port_),
    });
    std::wstring command = L"\"" + (bin / L"mixxx.exe").wstring() + L"\"";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                       environment.data(), bin.wstring().c_str(), &startup, &info))
        child_ = std::make_shared<MixxxChild>(info.hProcess, info.hThread, info.dwProcessId);
}

SimulatedMixxx::~SimulatedMixxx() {
    if (!child_)
        return;
    control(json{{"cmd", "quit"}});
    bool gone = eventually([&] { return mixxx_gone(child_->status()); }, std::chrono::seconds(10));
    if (!gone) {
        // Only this process, which the test started itself.
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, child_->process_id());
        if (process != nullptr) {
            TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
}

bool SimulatedMixxx::wait_until_loaded() {
    if (!child_)
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
        std::chrono::seconds(30));
}

std::optional<json> SimulatedMixxx::control(const json& request) {
    Result<net::Socket> socket = net::connect_loopback(control_port_);
    if (!socket)
        return std::nullopt;
    std::optional<json> reply;
    if (!net::send_all(*socket, encode_line(request))) {
        LineSplitter lines;
        char buffer[8192];
        bool waiting = true;
        while (waiting) {
            long got = net::receive(*socket, buffer, sizeof buffer);
            if (got <= 0)
                break;
            waiting = lines.feed(std::string_view(buffer, static_cast<std::size_t>(got)),
                                 [&](std::string_view line) {
                                     reply = json::parse(line, nullptr, false);
                                     return false;
                                 });
        }
    }
    net::close_socket(*socket);
    return reply;
}

} // namespace cuevoice::test
