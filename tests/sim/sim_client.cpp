#include "sim_client.h"

#include <ws2tcpip.h>

#include <thread>

#include "test_support.h"

namespace simtest {

namespace {

struct WinsockStartup {
    WinsockStartup() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
} winsock_startup;

std::wstring environment_block(const std::vector<std::string>& changes) {
    std::vector<std::wstring> entries;
    wchar_t* current = GetEnvironmentStringsW();
    for (wchar_t* p = current; *p; p += wcslen(p) + 1)
        entries.emplace_back(p);
    FreeEnvironmentStringsW(current);
    for (const std::string& change : changes) {
        std::wstring wide = widen(change);
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

} // namespace

std::wstring widen(const std::string& text) {
    if (text.empty())
        return {};
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

unsigned short free_port() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

SimProcess::SimProcess(Options options) : token_(options.token) {
    port_ = free_port();
    do
        control_port_ = free_port();
    while (control_port_ == port_);
    std::filesystem::path bin = cuevoice::test::bin_folder();
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
    if (CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE,
                       CREATE_UNICODE_ENVIRONMENT, block.data(), folder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        pid_ = info.dwProcessId;
    }
}

SimProcess::~SimProcess() {
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool SimProcess::wait_loaded(std::chrono::milliseconds timeout) const {
    std::wstring name = L"Local\\CuevoicePluginLoaded-" + widen(token_.substr(0, 16));
    return cuevoice::test::eventually(
        [&] {
            HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
            if (!event)
                return false;
            CloseHandle(event);
            return true;
        },
        timeout);
}

std::optional<DWORD> SimProcess::wait_exit(std::chrono::milliseconds timeout) const {
    if (!process_ ||
        WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

LineClient::LineClient(unsigned short port, std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (true) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            socket_ = s;
            return;
        }
        closesocket(s);
        if (std::chrono::steady_clock::now() >= until)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

LineClient::~LineClient() {
    if (socket_ != INVALID_SOCKET)
        closesocket(socket_);
}

bool LineClient::send_line(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        int sent = send(socket_, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

std::optional<std::string> LineClient::read_line(std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (true) {
        std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (ended_ || socket_ == INVALID_SOCKET)
            return std::nullopt;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval wait{static_cast<long>(left.count() / 1000),
                     static_cast<long>((left.count() % 1000) * 1000)};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        char chunk[65536];
        int received = recv(socket_, chunk, sizeof chunk, 0);
        if (received <= 0) {
            ended_ = true;
            continue;
        }
        buffer_.append(chunk, static_cast<std::size_t>(received));
    }
}

bool LineClient::closed_by_peer(std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
        if (!read_line(std::chrono::milliseconds(100)) && ended_)
            return true;
    }
    return ended_;
}

json LineClient::request(json message, std::chrono::milliseconds timeout) {
    if (!message.contains("id"))
        message["id"] = next_id_++;
    json id = message["id"];
    if (!send_line(message.dump() + "\n"))
        return nullptr;
    auto until = std::chrono::steady_clock::now() + timeout;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return nullptr;
        auto line = read_line(left);
        if (!line)
            return nullptr;
        json value = json::parse(*line, nullptr, false);
        if (value.is_object() && value.value("event", "") == "changed")
            events_.push_back(value);
        else if (value.is_object() && value.contains("id") && value["id"] == id)
            return value;
    }
}

std::optional<json> LineClient::next_event(std::chrono::milliseconds timeout) {
    if (!events_.empty()) {
        json event = events_.front();
        events_.erase(events_.begin());
        return event;
    }
    auto until = std::chrono::steady_clock::now() + timeout;
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        auto line = read_line(left);
        if (!line)
            return std::nullopt;
        json value = json::parse(*line, nullptr, false);
        if (value.is_object() && value.value("event", "") == "changed")
            return value;
    }
}

} // namespace simtest
