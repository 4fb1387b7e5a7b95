#include "bridge/socket.h"

#include <algorithm>
#include <climits>
#include <mutex>

#include <winsock2.h>
#include <ws2tcpip.h>

#include "common/text.h"

namespace cuevoice::net {

void ensure_winsock() {
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        // A failure shows up in the first socket call, with its own error text.
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

std::string last_socket_error() {
    return system_message(static_cast<unsigned long>(WSAGetLastError()));
}

Result<Socket> connect_loopback(std::uint16_t port) {
    ensure_winsock();
    SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                          WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET)
        return Error{last_socket_error()};
    UniqueSocket owned(static_cast<Socket>(s));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR)
        return Error{last_socket_error()};
    return owned.release();
}

void set_no_delay(Socket socket) {
    BOOL on = TRUE;
    setsockopt(static_cast<SOCKET>(socket), IPPROTO_TCP, TCP_NODELAY,
               reinterpret_cast<const char*>(&on), sizeof on);
}

Result<Socket> duplicate_socket(Socket socket) {
    WSAPROTOCOL_INFOW info{};
    if (WSADuplicateSocketW(static_cast<SOCKET>(socket), GetCurrentProcessId(), &info) != 0)
        return Error{last_socket_error()};
    SOCKET copy = WSASocketW(FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, FROM_PROTOCOL_INFO, &info, 0,
                             WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (copy == INVALID_SOCKET)
        return Error{last_socket_error()};
    return static_cast<Socket>(copy);
}

std::optional<std::string> send_all(Socket socket, std::string_view data) {
    while (!data.empty()) {
        int chunk = static_cast<int>(std::min<std::size_t>(data.size(), INT_MAX));
        int sent = send(static_cast<SOCKET>(socket), data.data(), chunk, 0);
        if (sent == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEINTR)
                continue;
            return last_socket_error();
        }
        if (sent == 0)
            return last_socket_error();
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return std::nullopt;
}

long receive(Socket socket, char* buffer, std::size_t capacity) {
    int wanted = static_cast<int>(std::min<std::size_t>(capacity, INT_MAX));
    for (;;) {
        int got = recv(static_cast<SOCKET>(socket), buffer, wanted, 0);
        if (got != SOCKET_ERROR)
            return got;
        if (WSAGetLastError() != WSAEINTR)
            return -1;
    }
}

void close_socket(Socket socket) {
    if (socket != no_socket)
        closesocket(static_cast<SOCKET>(socket));
}

} // namespace cuevoice::net
