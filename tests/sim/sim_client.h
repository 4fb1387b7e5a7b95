#pragma once
// Drives the simulated Mixxx as the product does: starts bin/mixxx.exe with the plug-in's
// environment, waits for the loaded event, and talks line JSON over raw Winsock sockets.
#include <windows.h>
#include <winsock2.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace simtest {

using nlohmann::json;

// A loopback port that nothing listens on at the moment of the call.
unsigned short free_port();

std::wstring widen(const std::string& text);

class SimProcess {
public:
    struct Options {
        std::string token = "0123456789abcdef-sim-test";
        // Extra variables (name=value), or a name without '=' to remove it.
        std::vector<std::string> environment;
        bool plugin_variables = true;
    };
    explicit SimProcess(Options options);
    SimProcess() : SimProcess(Options{}) {}
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Opens the loaded event every 50 ms until it exists or the time is up.
    bool wait_loaded(std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    // Waits for the process to end; its exit code, or none when it still runs.
    std::optional<DWORD> wait_exit(std::chrono::milliseconds timeout) const;
    DWORD pid() const { return pid_; }
    const std::string& token() const { return token_; }
    unsigned short port() const { return port_; }
    unsigned short control_port() const { return control_port_; }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    std::string token_;
    unsigned short port_ = 0;
    unsigned short control_port_ = 0;
};

// One line-JSON connection.
class LineClient {
public:
    // Connects, retrying until the time is up; check connected().
    explicit LineClient(unsigned short port,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    bool connected() const { return socket_ != INVALID_SOCKET; }
    bool send_line(const std::string& bytes);
    // The next line (without "\n"), or none at the end of the stream or after the timeout.
    std::optional<std::string>
    read_line(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // True when the peer closed the connection before the timeout.
    bool closed_by_peer(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Sends a request with a fresh id (when it has none) and returns the reply carrying it;
    // change events read meanwhile are kept in events(). A null value when nothing came.
    json request(json message, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The next event line, from those already read or from the socket.
    std::optional<json> next_event(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    std::vector<json>& events() { return events_; }

private:
    SOCKET socket_ = INVALID_SOCKET;
    std::string buffer_;
    bool ended_ = false;
    std::uint64_t next_id_ = 1;
    std::vector<json> events_;
};

// Connects to the plug-in and says hello with the process's token.
struct PluginLink {
    explicit PluginLink(const SimProcess& process) : client(process.port()) {
        if (client.connected())
            hello = client.request({{"cmd", "hello"}, {"token", process.token()}});
    }
    LineClient client;
    json hello;
};

} // namespace simtest
