// The Cuevoice plug-in stand-in, loaded by the simulated Mixxx host. It reads CUEVOICE_TOKEN and
// CUEVOICE_PORT, listens on 127.0.0.1 at that port, creates the loaded event, and answers the
// product's requests from the Mixxx model; a second port (MIXXXSIM_CONTROL_PORT) lets tests
// drive the model and switch faults on.
#include <windows.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "connection.h"
#include "control_channel.h"
#include "scenario.h"
#include "session.h"

using namespace mixxxsim;
using nlohmann::json;

namespace {

constexpr UINT kQuitMessage = WM_APP + 1; // the host's "quit with this exit code"

std::string utf8(const std::wstring& wide) {
    if (wide.empty())
        return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), length,
                        nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& text) {
    if (text.empty())
        return {};
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::optional<std::string> env(const wchar_t* name) {
    DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0)
        return std::nullopt;
    std::wstring value(length, L'\0');
    length = GetEnvironmentVariableW(name, value.data(), length);
    value.resize(length);
    return utf8(value);
}

std::optional<unsigned short> port_from(const std::optional<std::string>& text) {
    if (!text || text->empty() || text->size() > 5 ||
        text->find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    unsigned long port = std::stoul(*text);
    if (port == 0 || port > 65535)
        return std::nullopt;
    return static_cast<unsigned short>(port);
}

// The system time in 100-ns steps since 1601: the clock of the request and event times, which
// benchmarks outside this process read as well.
long long system_time_now() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<long long>((static_cast<unsigned long long>(now.dwHighDateTime) << 32) |
                                  now.dwLowDateTime);
}

std::atomic<long long> loaded_event_time{0}; // when the loaded event was created; 0 before

class Plugin {
public:
    Plugin(std::string token, HWND host_window) : token_(std::move(token)), host_(host_window) {
        if (auto path = env(L"MIXXXSIM_LOG"))
            log_path_ = wide(*path);
    }

    void log(const std::string& line) {
        {
            std::lock_guard lock(log_mutex_);
            log_lines_.push_back(line);
        }
        if (log_path_.empty())
            return;
        std::lock_guard lock(log_mutex_);
        std::ofstream file(std::filesystem::path(log_path_), std::ios::app | std::ios::binary);
        file << line << "\n";
    }

    void load_scenario(const std::string& path) {
        std::ifstream file(std::filesystem::path(wide(path)), std::ios::binary);
        if (!file) {
            log("scenario " + path + ": cannot be read");
            return;
        }
        std::stringstream text;
        text << file.rdbuf();
        json scenario = json::parse(text.str(), nullptr, false);
        std::lock_guard lock(sim_.mutex);
        if (scenario.is_discarded()) {
            log("scenario " + path + ": not valid JSON");
            return;
        }
        try {
            if (auto error = apply_scenario(scenario, sim_.model, sim_.clock_running, true))
                log("scenario " + path + ": " + *error);
        } catch (const std::exception& e) {
            log("scenario " + path + ": " + e.what());
        }
        sim_.model.take_changes();
    }

    void set_clock_running(bool running) {
        std::lock_guard lock(sim_.mutex);
        sim_.clock_running = running;
    }

    SOCKET listen_on(unsigned short port) {
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET)
            return s;
        BOOL exclusive = TRUE;
        setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                   sizeof exclusive);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(s, SOMAXCONN) != 0) {
            log("cannot listen on port " + std::to_string(port) + ": error " +
                std::to_string(WSAGetLastError()));
            closesocket(s);
            return INVALID_SOCKET;
        }
        return s;
    }

    void serve(SOCKET listener, bool control) {
        std::thread([this, listener, control] {
            while (true) {
                SOCKET client = accept(listener, nullptr, nullptr);
                if (client == INVALID_SOCKET) {
                    if (WSAGetLastError() == WSAEINTR)
                        continue;
                    Sleep(50);
                    continue;
                }
                BOOL on = TRUE;
                setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                           sizeof on);
                auto connection = std::make_shared<Connection>();
                connection->socket = client;
                connection->control = control;
                if (!control)
                    connection->session = std::make_unique<Session>(token_);
                std::thread([this, connection] { run_connection(connection); }).detach();
            }
        }).detach();
    }

    void start_ticker() {
        std::thread([this] {
            auto last = std::chrono::steady_clock::now();
            while (true) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                auto now = std::chrono::steady_clock::now();
                double seconds = std::chrono::duration<double>(now - last).count();
                last = now;
                std::lock_guard lock(sim_.mutex);
                if (sim_.clock_running)
                    sim_.model.advance(seconds);
                dispatch_locked();
            }
        }).detach();
    }

private:
    // Sends the model's changes to every connection that watches them. Holds sim_.mutex.
    void dispatch_locked() {
        std::vector<Change> changes = sim_.model.take_changes();
        if (changes.empty())
            return;
        std::lock_guard lock(connections_mutex_);
        for (const auto& connection : connections_) {
            if (!connection->session)
                continue;
            for (std::string& line : connection->session->events_for(changes, sim_.model.store()))
                connection->enqueue(std::move(line));
        }
    }

    void run_connection(std::shared_ptr<Connection> connection) {
        {
            std::lock_guard lock(connections_mutex_);
            connections_.push_back(connection);
        }
        log(std::string(connection->control ? "control" : "plugin") + " connection opened");
        std::thread writer([connection] { connection->writer(); });
        std::string buffer;
        char chunk[8192];
        bool ended = false;
        while (!ended) {
            int received = recv(connection->socket, chunk, sizeof chunk, 0);
            if (received <= 0)
                break;
            buffer.append(chunk, static_cast<std::size_t>(received));
            std::size_t start = 0;
            while (true) {
                std::size_t end = buffer.find('\n', start);
                if (end == std::string::npos)
                    break;
                std::string line = buffer.substr(start, end - start);
                start = end + 1;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (!handle(*connection, line)) {
                    ended = true;
                    break;
                }
            }
            buffer.erase(0, start);
        }
        connection->close_after_flush();
        writer.join();
        closesocket(connection->socket);
        {
            std::lock_guard lock(connections_mutex_);
            std::erase(connections_, connection);
        }
        log(std::string(connection->control ? "control" : "plugin") + " connection closed");
    }

    // Handles one line; false ends the connection.
    bool handle(Connection& connection, const std::string& line) {
        if (connection.control)
            return handle_control_line(connection, line);
        const long long arrived = system_time_now();
        SessionOutput output;
        {
            std::lock_guard lock(sim_.mutex);
            sim_.requests.push_back(line);
            sim_.request_times.push_back(arrived);
            if (sim_.requests.size() > 10000) {
                sim_.requests.pop_front();
                sim_.request_times.pop_front();
            }
            output = connection.session->handle_line(line, sim_.model, sim_.faults);
            for (const std::string& entry : connection.session->take_log())
                log(entry);
            for (Outgoing& out : output.lines) {
                if (out.delay_ms > 0) {
                    // A late answer must not hold up the others on the connection.
                    std::weak_ptr<Connection> weak = find(connection);
                    std::thread([weak, out] {
                        Sleep(static_cast<DWORD>(out.delay_ms));
                        if (auto c = weak.lock())
                            c->enqueue(out.bytes);
                    }).detach();
                } else {
                    connection.enqueue(std::move(out.bytes));
                }
            }
            dispatch_locked();
        }
        if (output.close) {
            connection.close_after_flush();
            return false;
        }
        return true;
    }

    std::shared_ptr<Connection> find(Connection& connection) {
        std::lock_guard lock(connections_mutex_);
        for (const auto& c : connections_)
            if (c.get() == &connection)
                return c;
        return nullptr;
    }

    bool handle_control_line(Connection& connection, const std::string& line) {
        json request = json::parse(line, nullptr, false);
        if (request.is_discarded() || !request.is_object()) {
            connection.enqueue(json_line({{"ok", false}, {"error", "not a JSON object"}}));
            return true;
        }
        ControlHooks hooks;
        hooks.inject = [this](const std::string& bytes) {
            std::lock_guard lock(connections_mutex_);
            for (const auto& c : connections_)
                if (!c->control)
                    c->enqueue(bytes);
        };
        hooks.drop = [this] {
            std::lock_guard lock(connections_mutex_);
            for (const auto& c : connections_)
                if (!c->control)
                    c->close_now();
        };
        hooks.quit = [this](int code, bool abrupt) {
            log("quit " + std::to_string(code));
            if (abrupt || !host_)
                TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
            PostMessageW(host_, kQuitMessage, static_cast<WPARAM>(code), 0);
        };
        hooks.status = [this] {
            std::lock_guard lock(connections_mutex_);
            json connections = json::array();
            for (const auto& c : connections_)
                if (c->session)
                    connections.push_back({{"authenticated", c->session->authenticated()},
                                           {"watches", c->session->watch_count()}});
            json status{{"connections", connections}};
            if (long long created = loaded_event_time.load())
                status["loaded_event_time"] = created;
            return status;
        };
        ControlResult result;
        {
            std::lock_guard lock(sim_.mutex);
            {
                std::lock_guard log_lock(log_mutex_);
                sim_.log = log_lines_;
            }
            result = handle_control(request, sim_, hooks);
            dispatch_locked();
        }
        connection.enqueue(json_line(result.reply));
        if (!result.after.empty())
            connection.drained(std::chrono::seconds(2));
        for (auto& action : result.after)
            action();
        return true;
    }

    std::string token_;
    HWND host_;
    Simulation sim_;
    std::mutex connections_mutex_;
    std::vector<std::shared_ptr<Connection>> connections_;
    std::mutex log_mutex_;
    std::vector<std::string> log_lines_;
    std::wstring log_path_;
};

Plugin* plugin = nullptr;
HANDLE loaded_event = nullptr; // kept open while Mixxx runs

void create_loaded_event(const std::string& token) {
    // The first 16 characters of the token, never cutting a UTF-8 sequence apart.
    std::size_t cut = 0, characters = 0;
    while (cut < token.size() && characters < 16) {
        ++cut;
        while (cut < token.size() && (static_cast<unsigned char>(token[cut]) & 0xC0) == 0x80)
            ++cut;
        ++characters;
    }
    std::wstring name = L"Local\\CuevoicePluginLoaded-" + wide(token.substr(0, cut));
    // Taken before the event exists, so that no waiter can see the event earlier.
    const long long created = system_time_now();
    loaded_event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    if (loaded_event)
        loaded_event_time = created;
    plugin->log(loaded_event ? "loaded event created" : "loaded event could not be created");
}

} // namespace

extern "C" __declspec(dllexport) int sim_plugin_start(HWND host_window) {
    if (plugin)
        return 0;
    auto token = env(L"CUEVOICE_TOKEN");
    auto port = port_from(env(L"CUEVOICE_PORT"));
    plugin = new Plugin(token.value_or(""), host_window);
    if (!token || token->empty() || !port) {
        plugin->log("CUEVOICE_TOKEN or CUEVOICE_PORT missing or invalid: plug-in stays idle");
        return 1;
    }
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);

    if (auto scenario = env(L"MIXXXSIM_SCENARIO"))
        plugin->load_scenario(*scenario);
    if (env(L"MIXXXSIM_CLOCK").value_or("") == "manual")
        plugin->set_clock_running(false);
    plugin->start_ticker();

    if (auto control = port_from(env(L"MIXXXSIM_CONTROL_PORT"))) {
        SOCKET listener = plugin->listen_on(*control);
        if (listener != INVALID_SOCKET)
            plugin->serve(listener, true);
    }
    SOCKET listener = plugin->listen_on(*port);
    if (listener != INVALID_SOCKET)
        plugin->serve(listener, false);

    if (env(L"MIXXXSIM_NO_LOADED_EVENT").value_or("") == "1") {
        plugin->log("loaded event left out on request");
        return 0;
    }
    int delay = std::atoi(env(L"MIXXXSIM_LOADED_DELAY_MS").value_or("0").c_str());
    if (delay > 0) {
        std::thread([token = *token, delay] {
            Sleep(static_cast<DWORD>(delay));
            create_loaded_event(token);
        }).detach();
    } else {
        create_loaded_event(*token);
    }
    return 0;
}
