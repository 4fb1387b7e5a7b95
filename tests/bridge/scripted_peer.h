#pragma once
// A stand-in for the plug-in's end of the link: a loopback listener that a test scripts line by
// line, plus helpers that open a bridge to it.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "bridge/bridge.h"
#include "common/channel.h"
#include "common/mixxx_child.h"
#include "line_client.h"

namespace cuevoice::test {

class ScriptedPeer {
public:
    // Listens on 127.0.0.1, on a free port unless one is given. Not listening yet, it holds the
    // port all the same: connections are refused, and nothing else can take it.
    explicit ScriptedPeer(std::uint16_t port = 0, bool listening = true);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    std::uint16_t port() const { return port_; }

    // Starts listening on the port held since construction.
    void listen();

    // Takes the next connection; false when none came in time.
    bool accept(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // The next line without its "\n"; none when the connection ended or nothing came in time.
    std::optional<std::string>
    read_line(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Writes raw bytes to the accepted connection.
    void send(std::string_view bytes);

    // Ends the accepted connection (the bridge sees the end of the stream).
    void close_connection();

private:
    std::uintptr_t listener_;
    std::uintptr_t connection_;
    std::uint16_t port_ = 0;
    LineReader lines_;
};

// The running test process, standing in for a Mixxx that never exits.
SharedMixxxChild live_child();

// A bridge connected to a scripted peer, past the handshake.
struct Link {
    std::unique_ptr<ScriptedPeer> peer;
    SharedBridge bridge;
    Receiver<BridgeEvent> events;
};
Link open_link();

// The request's line parsed, with a reply made of `members` (an object's inside, without
// braces) and the request's id.
std::string reply_line(const std::string& request_line, std::string_view members);

// Runs `call` on a thread of its own, answers its one request with `members` and returns what
// `call` returned; `seen` receives the request's line.
template <typename Call>
auto answered(ScriptedPeer& peer, std::string_view members, Call call, std::string* seen = nullptr);

} // namespace cuevoice::test

#include <thread>
template <typename Call>
auto cuevoice::test::answered(ScriptedPeer& peer, std::string_view members, Call call,
                              std::string* seen) {
    std::optional<decltype(call())> result;
    std::thread caller([&] { result = call(); });
    std::optional<std::string> line = peer.read_line();
    if (line) {
        if (seen != nullptr)
            *seen = *line;
        peer.send(reply_line(*line, members));
    }
    caller.join();
    return std::move(*result);
}
