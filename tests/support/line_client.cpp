#include "line_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <random>
#include <stdexcept>
#include <thread>

namespace cuevoice::test {

namespace {

constexpr std::uint32_t first_private_port = 20000;
constexpr std::uint32_t private_ports = 32768 - first_private_port;

bool can_bind(std::uint16_t port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return false;
    BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof exclusive);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    closesocket(s);
    return bound;
}

// The prefix-wide counter: a named mapping that lives while any test program holds it.
struct PortCounter {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\CuevoiceTestPorts");
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        2 * sizeof(std::uint32_t), L"Local\\CuevoiceTestPortCount");
    std::uint32_t* slots =
        mapping ? static_cast<std::uint32_t*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0))
                : nullptr;
};

} // namespace

std::uint16_t private_port() {
    net::ensure_winsock();
    static PortCounter counter;
    if (counter.mutex == nullptr || counter.slots == nullptr)
        throw std::runtime_error("private_port: no prefix-wide port counter");
    WaitForSingleObject(counter.mutex, INFINITE);
    std::uint32_t& next = counter.slots[0];
    std::uint32_t& started = counter.slots[1];
    if (!started) {
        started = 1;
        next = std::random_device{}() % private_ports;
    }
    std::uint16_t port = 0;
    for (std::uint32_t tries = 0; tries < private_ports && port == 0; ++tries) {
        auto candidate = static_cast<std::uint16_t>(first_private_port + next++ % private_ports);
        if (can_bind(candidate))
            port = candidate;
    }
    ReleaseMutex(counter.mutex);
    if (port == 0)
        throw std::runtime_error("private_port: no free port left");
    return port;
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

std::optional<nlohmann::json> request_once(std::uint16_t port, const nlohmann::json& request) {
    LineClient client(port);
    if (!client.connected())
        return std::nullopt;
    nlohmann::json reply = client.request(request);
    if (reply.is_null())
        return std::nullopt;
    return reply;
}

} // namespace cuevoice::test
