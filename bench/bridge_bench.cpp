// Round trips over the plug-in link, against a raw one-line ping-pong on the same loopback.
//   bridge_bench.exe [round trips, default 5000]
// Measures: the raw ping-pong (an echo server of its own); `get` through the bridge against an
// in-process peer that answers like the plug-in and against the simulated Mixxx's plug-in
// (mixxx.exe beside this program); the same get lines sent raw to that plug-in, which shows what
// the bridge itself adds; and 8 threads x 1,000 requests at once, each thread setting values of
// its own so that a reply delivered to the wrong request shows.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <winsock2.h>
#include <ws2tcpip.h>

#include "bridge/bridge.h"
#include "bridge/typed_requests.h"
#include "common/text.h"
#include "simulated_mixxx.h"

using namespace cuevoice;
using Clock = std::chrono::steady_clock;

namespace {

struct Figures {
    double p50_us = 0, p99_us = 0, mean_us = 0;
};

Figures figures(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    Figures f;
    if (samples.empty())
        return f;
    f.p50_us = samples[samples.size() / 2];
    f.p99_us = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    double sum = 0;
    for (double s : samples)
        sum += s;
    f.mean_us = sum / static_cast<double>(samples.size());
    return f;
}

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// A listener on 127.0.0.1 with a free port.
SOCKET listen_loopback(std::uint16_t& port) {
    net::ensure_winsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(s, 4);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

// A peer that accepts one connection and answers each line through `answer`, until the
// connection ends or `answer` gives an empty text (the peer then closes, as the plug-in would).
template <typename Answer> std::thread serve_one(SOCKET listener, Answer answer) {
    return std::thread([listener, answer] {
        SOCKET s = accept(listener, nullptr, nullptr);
        closesocket(listener);
        BOOL on = TRUE;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        LineSplitter lines;
        char buffer[8192];
        bool open = true;
        while (open) {
            int got = recv(s, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            open = lines.feed(std::string_view(buffer, static_cast<std::size_t>(got)),
                              [&](std::string_view line) {
                                  std::string reply = answer(line);
                                  if (reply.empty())
                                      return false;
                                  net::send_all(s, reply);
                                  return true;
                              });
        }
        closesocket(s);
    });
}

// Lines written and read back on one thread, without the bridge: the floor for a round trip.
Figures raw_round_trips(net::Socket socket, int rounds, const std::string& line_start) {
    std::vector<double> samples;
    char buffer[8192];
    for (int i = 0; i < rounds + rounds / 10; ++i) {
        // A line the size of a "get" request, with an id of its own.
        std::string line = line_start + std::to_string(i + 100) + "}\n";
        auto start = Clock::now();
        net::send_all(socket, line);
        for (;;) {
            long n = net::receive(socket, buffer, sizeof buffer);
            if (n <= 0 || buffer[n - 1] == '\n')
                break;
        }
        if (i >= rounds / 10) // the first tenth warms up
            samples.push_back(micros(Clock::now() - start));
    }
    return figures(std::move(samples));
}

const std::string get_line_start =
    R"({"cmd":"get","group":"[Channel1]","key":"volume","prop":"value","id":)";

Figures raw_ping_pong(int rounds) {
    std::uint16_t port = 0;
    SOCKET listener = listen_loopback(port);
    std::thread echo =
        serve_one(listener, [](std::string_view line) { return std::string(line) + "\n"; });
    Result<net::Socket> client = net::connect_loopback(port);
    if (!client)
        return {};
    net::set_no_delay(*client);
    Figures f = raw_round_trips(*client, rounds, get_line_start);
    net::close_socket(*client);
    echo.join();
    return f;
}

// The same get lines straight to the simulated plug-in on a connection of their own.
Figures raw_to_plugin(std::uint16_t port, const std::string& token, int rounds) {
    Result<net::Socket> client = net::connect_loopback(port);
    if (!client)
        return {};
    net::set_no_delay(*client);
    net::send_all(*client, encode_line(json{{"cmd", "hello"}, {"id", 1}, {"token", token}}));
    char buffer[8192];
    net::receive(*client, buffer, sizeof buffer);
    Figures f = raw_round_trips(*client, rounds, get_line_start);
    net::close_socket(*client);
    return f;
}

Figures bridge_gets(Bridge& bridge, int rounds, const char* group) {
    std::vector<double> samples;
    for (int i = 0; i < rounds + rounds / 10; ++i) {
        auto start = Clock::now();
        Result<double> value = get(bridge, group, "volume", "value");
        auto took = Clock::now() - start;
        if (!value) {
            std::printf("  get failed: %s\n", value.error().c_str());
            break;
        }
        if (i >= rounds / 10)
            samples.push_back(micros(took));
    }
    return figures(std::move(samples));
}

struct Burst {
    double seconds = 0;
    int requests = 0;
    int wrong = 0;
    int failed = 0;
};

// 8 threads at once, each writing values of its own to a control of its own: a reply that
// reached the wrong request shows another thread's value.
Burst concurrent_sets(Bridge& bridge, int threads, int per_thread) {
    const char* groups[] = {"[Microphone]", "[Microphone2]", "[Microphone3]", "[Microphone4]",
                            "[Auxiliary1]", "[Auxiliary2]",  "[Auxiliary3]",  "[Auxiliary4]"};
    std::atomic<int> wrong{0}, failed{0};
    std::vector<std::thread> workers;
    auto start = Clock::now();
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < per_thread; ++i) {
                double value = (t * 1000 + i % 1000) / 10000.0;
                Result<double> echoed = set(bridge, groups[t % 8], "volume", "value", value);
                if (!echoed)
                    ++failed;
                else if (*echoed != value)
                    ++wrong;
            }
        });
    for (auto& worker : workers)
        worker.join();
    Burst burst;
    burst.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    burst.requests = threads * per_thread;
    burst.wrong = wrong;
    burst.failed = failed;
    return burst;
}

SharedMixxxChild this_process() {
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return std::make_shared<MixxxChild>(self, nullptr, GetCurrentProcessId());
}

void print(const char* name, const Figures& f, const Figures& raw) {
    std::printf("%-44s p50 %8.1f us   p99 %8.1f us   mean %8.1f us   p50 ratio to raw %.2f\n", name,
                f.p50_us, f.p99_us, f.mean_us, raw.p50_us > 0 ? f.p50_us / raw.p50_us : 0);
}

void print_burst(const char* name, const Burst& b) {
    std::printf("%-44s %d requests in %.3f s = %.0f requests/s; wrong replies %d, failed %d\n",
                name, b.requests, b.seconds, b.requests / b.seconds, b.wrong, b.failed);
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int rounds = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;
    std::printf("bridge_bench: %d round trips each (plus a tenth to warm up)\n", rounds);

    Figures raw = raw_ping_pong(rounds);
    print("raw one-line ping-pong (loopback echo)", raw, raw);

    // An in-process peer that answers like the plug-in: parse, take the id, reply.
    Figures in_process;
    {
        std::uint16_t port = 0;
        SOCKET listener = listen_loopback(port);
        std::thread peer = serve_one(listener, [](std::string_view line) {
            json request = json::parse(line, nullptr, false);
            if (request.is_discarded() || request.value("cmd", "") == "bye")
                return std::string();
            json reply = {{"id", request["id"]}, {"ok", true}};
            if (request.value("cmd", "") == "get")
                reply["value"] = 1.0;
            return encode_line(reply);
        });
        auto [sender, receiver] = make_channel<BridgeEvent>();
        Result<SharedBridge> bridge =
            connect_bridge(port, "bench-token-0123456789", Clock::now() + std::chrono::seconds(10),
                           this_process(), sender);
        if (bridge) {
            in_process = bridge_gets(**bridge, rounds, "[Channel1]");
            print("bridge get, in-process peer", in_process, raw);
            print_burst("8 threads x 1000 get, in-process peer", [&] {
                std::atomic<int> failed{0};
                auto start = Clock::now();
                std::vector<std::thread> workers;
                for (int t = 0; t < 8; ++t)
                    workers.emplace_back([&] {
                        for (int i = 0; i < 1000; ++i)
                            if (!get(**bridge, "[Channel1]", "volume", "value"))
                                ++failed;
                    });
                for (auto& w : workers)
                    w.join();
                return Burst{std::chrono::duration<double>(Clock::now() - start).count(), 8000, 0,
                             failed.load()};
            }());
        } else {
            std::printf("in-process peer: %s\n", bridge.error().c_str());
        }
        if (bridge)
            (void)request(**bridge, json{{"cmd", "bye"}}, 1);
        peer.join();
    }

    test::SimulatedMixxx mixxx;
    if (!mixxx.child() || !mixxx.wait_loaded()) {
        std::printf("simulated Mixxx: not started or plug-in not loaded (mixxx.exe beside this "
                    "program?)\n");
        return 1;
    }
    auto [sender, receiver] = make_channel<BridgeEvent>();
    Result<SharedBridge> bridge =
        connect_bridge(mixxx.port(), mixxx.token(), Clock::now() + std::chrono::seconds(30),
                       mixxx.child(), sender);
    if (!bridge) {
        std::printf("simulated Mixxx: %s\n", bridge.error().c_str());
        return 1;
    }
    Figures plugin = raw_to_plugin(mixxx.port(), mixxx.token(), rounds);
    print("raw get lines to the simulated plug-in", plugin, raw);
    Figures sim = bridge_gets(**bridge, rounds, "[Channel1]");
    print("bridge get, simulated Mixxx plug-in", sim, raw);
    std::printf("%-44s %.2f\n", "bridge get / raw get lines, simulated plug-in",
                plugin.p50_us > 0 ? sim.p50_us / plugin.p50_us : 0);
    Burst burst = concurrent_sets(**bridge, 8, 1000);
    print_burst("8 threads x 1000 set, simulated Mixxx", burst);
    auto verdict = [](double ratio) { return ratio <= 1.5 ? "within 1.5x" : "above 1.5x"; };
    double in_process_ratio = raw.p50_us > 0 ? in_process.p50_us / raw.p50_us : 0;
    double sim_ratio = raw.p50_us > 0 ? sim.p50_us / raw.p50_us : 0;
    double own_ratio = plugin.p50_us > 0 ? sim.p50_us / plugin.p50_us : 0;
    std::printf("target, bridge p50 / raw echo p50: in-process peer %.2fx (%s), simulated "
                "plug-in %.2fx (%s); bridge / raw lines to the same plug-in %.2fx (%s)\n",
                in_process_ratio, verdict(in_process_ratio), sim_ratio, verdict(sim_ratio),
                own_ratio, verdict(own_ratio));
    return burst.wrong == 0 && burst.failed == 0 ? 0 : 1;
}
