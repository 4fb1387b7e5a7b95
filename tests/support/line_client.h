#pragma once
// Loopback helpers for tests that talk line JSON themselves: free ports and a raw client that
// reads with timeouts, sees the peer's close and keeps change events apart from replies.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/socket.h"

namespace cuevoice::test {

// A loopback port for a program that a test starts (which must be told its port before it
// listens). No other caller in this Wine prefix is given the same port while the prefix's
// programs run, and the system never picks it by itself: ports come from below the automatic
// range (32768 and up on Linux, 49152 and up on Windows), from a random start in each prefix
// so that suites in other prefixes on the machine take other ones, and free at the moment of
// the call. A test that listens itself binds port 0 instead.
std::uint16_t private_port();

// The lines arriving on a socket, with what came after the last "\n" kept for the next call.
class LineReader {
public:
    // The next line (without "\n"), or none at the end of the stream or after the timeout.
    std::optional<std::string> read_line(net::Socket socket, std::chrono::milliseconds timeout);
    // Whether the peer ended the stream (or it failed).
    bool ended() const { return ended_; }
    // Forgets the last connection's bytes, for a new one.
    void reset() {
        buffer_.clear();
        ended_ = false;
    }

private:
    std::string buffer_;
    bool ended_ = false;
};

// One line-JSON connection to 127.0.0.1.
class LineClient {
public:
    using json = nlohmann::json;

    // Connects, retrying until the time is up; check connected().
    explicit LineClient(std::uint16_t port,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10));
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    bool connected() const { return socket_ != net::no_socket; }
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
    net::Socket socket_ = net::no_socket;
    LineReader lines_;
    std::uint64_t next_id_ = 1;
    std::vector<json> events_;
};

// One request on a fresh connection to the port (a control channel), and its reply; none when
// nothing could connect or nothing came back.
std::optional<nlohmann::json> request_once(std::uint16_t port, const nlohmann::json& request);

} // namespace cuevoice::test
