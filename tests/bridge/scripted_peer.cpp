#include "scripted_peer.h"

#include <future>
#include <stdexcept>

#include <winsock2.h>
#include <ws2tcpip.h>

#include "bridge/protocol.h"
#include "bridge/socket.h"

namespace cuevoice::test {

namespace {

bool wait_readable(SOCKET s, std::chrono::milliseconds timeout) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit{static_cast<long>(timeout.count() / 1000),
                  static_cast<long>((timeout.count() % 1000) * 1000)};
    return select(0, &set, nullptr, nullptr, &limit) == 1;
}

} // namespace

ScriptedPeer::ScriptedPeer(std::uint16_t port, bool listening)
    : listener_(INVALID_SOCKET), connection_(INVALID_SOCKET) {
    net::ensure_winsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("scripted peer cannot bind");
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    listener_ = s;
    port_ = ntohs(address.sin_port);
    if (listening)
        listen();
}

void ScriptedPeer::listen() {
    if (::listen(listener_, 4) != 0)
        throw std::runtime_error("scripted peer cannot listen");
}

ScriptedPeer::~ScriptedPeer() {
    close_connection();
    closesocket(listener_);
}

bool ScriptedPeer::accept(std::chrono::milliseconds timeout) {
    if (!wait_readable(listener_, timeout))
        return false;
    SOCKET s = ::accept(listener_, nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return false;
    BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    connection_ = s;
    lines_.reset();
    return true;
}

std::optional<std::string> ScriptedPeer::read_line(std::chrono::milliseconds timeout) {
    return lines_.read_line(connection_, timeout);
}

void ScriptedPeer::send(std::string_view bytes) {
    net::send_all(connection_, bytes);
}

void ScriptedPeer::close_connection() {
    if (connection_ == INVALID_SOCKET)
        return;
    closesocket(connection_);
    connection_ = INVALID_SOCKET;
}

SharedMixxxChild live_child() {
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return std::make_shared<MixxxChild>(self, nullptr, GetCurrentProcessId());
}

Link open_link() {
    Link link;
    link.peer = std::make_unique<ScriptedPeer>();
    auto [sender, receiver] = make_channel<BridgeEvent>();
    link.events = std::move(receiver);
    auto connecting = std::async(std::launch::async, [&, sender = std::move(sender)]() mutable {
        return connect_bridge(link.peer->port(), "test-token-0123456789",
                              std::chrono::steady_clock::now() + std::chrono::seconds(10),
                              live_child(), std::move(sender));
    });
    if (link.peer->accept()) {
        if (auto hello = link.peer->read_line())
            link.peer->send(reply_line(*hello, R"("ok":true)"));
    }
    Result<SharedBridge> bridge = connecting.get();
    if (!bridge)
        throw std::runtime_error("link failed: " + bridge.error());
    link.bridge = *bridge;
    return link;
}

std::string reply_line(const std::string& request_line, std::string_view members) {
    json request = json::parse(request_line);
    std::string line = "{\"id\":" + request.at("id").dump();
    if (!members.empty()) {
        line += ',';
        line += members;
    }
    line += "}\n";
    return line;
}

} // namespace cuevoice::test
