#pragma once
// The few Winsock calls the bridge needs, each reporting failures with the system's own text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/result.h"
#include "common/unique_resource.h"

namespace cuevoice::net {

// A Winsock SOCKET, kept as a plain number so that callers need no Windows headers.
using Socket = std::uintptr_t;
inline constexpr Socket no_socket = ~Socket{0};

// Starts Winsock once per process; later calls do nothing.
void ensure_winsock();

// The text of the calling thread's last socket error.
std::string last_socket_error();

// One blocking TCP connect to 127.0.0.1.
Result<Socket> connect_loopback(std::uint16_t port);

// Sends small writes at once; a failure is of no consequence and is ignored.
void set_no_delay(Socket socket);

// A second, non-inheritable handle of the same connection, for a thread of its own.
Result<Socket> duplicate_socket(Socket socket);

// Writes all of `data`, following partial writes and repeating interrupted ones; the error
// text when writing fails.
std::optional<std::string> send_all(Socket socket, std::string_view data);

// One receive of up to `capacity` bytes, repeated when interrupted: the number of bytes,
// 0 at the end of the stream, or -1 on an error.
long receive(Socket socket, char* buffer, std::size_t capacity);

void close_socket(Socket socket);

struct SocketTraits {
    using Value = Socket;
    static Value empty() { return no_socket; }
    static bool holds(Value value) { return value != no_socket; }
    static bool free(Value value) {
        close_socket(value);
        return true;
    }
};

// Owns one socket and closes it on every way out.
using UniqueSocket = UniqueResource<SocketTraits>;

} // namespace cuevoice::net
