#include "line_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <thread>

namespace cuevoice::test {

std::uint16_t unused_port() {
    net::ensure_winsock();
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

std::optional<std::string> LineReader::read_line(net::Socket socket,
                                                 std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (true) {
        std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (ended_ || socket == net::no_socket)
            return std::nullopt;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval wait{static_cast<long>(left.count() / 1000),
                     static_cast<long>((left.count() % 1000) * 1000)};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        char chunk[65536];
        int received = recv(socket, chunk, sizeof chunk, 0);
        if (received <= 0) {
            ended_ = true;
            continue;
        }
        buffer_.append(chunk, static_cast<std::size_t>(received));
    }
}

LineClient::LineClient(std::uint16_t port, std::chrono::milliseconds timeout) {
    net::ensure_winsock();
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
    net::close_socket(socket_);
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
    return lines_.read_line(socket_, timeout);
}

bool LineClient::closed_by_peer(std::chrono::milliseconds timeout) {
    auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
        if (!read_line(std::chrono::milliseconds(100)) && lines_.ended())
            return true;
    }
    return lines_.ended();
}

LineClient::json LineClient::request(json message, std::chrono::milliseconds timeout) {
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

std::optional<LineClient::json> LineClient::next_event(std::chrono::milliseconds timeout) {
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

} // namespace cuevoice::test
