// Figures for the whole program in one run: the real cuevoice.exe under Wine against the
// simulated Mixxx, driven by real key presses (XTest, xdotool) and by the simulated Mixxx's
// control channel.
//   run_bench.exe [key presses, default 200] [announced changes, default 200]
//                 [held keys, default 50]
// Every time that two programs compare is the system time in 100-ns steps since 1601
// (GetSystemTimePreciseAsFileTime; under Wine the Linux CLOCK_REALTIME, which the XTest helper
// and `date +%s%N` beside xdotool read too): the simulated plug-in stamps each request as it
// arrives and the moment it creates the loaded event, the NVDA stand-in stamps each text it is
// handed, and the program itself stamps the stages between (CUEVOICE_STAGE_STAMPS).
// Exit code 1 only when a figure could not be measured; a missed target is printed, not failed.
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "bridge/bridge.h"
#include "bridge/typed_requests.h"
#include "common/clock.h"
#include "common/mixxx_child.h"
#include "common/text.h"
#include "cuevoice_run.h"
#include "desktop.h"
#include "line_client.h"
#include "run_bench/stage_table.h"
#include "run_bench/xtest_keys.h"
#include "test_support.h"

using namespace cuevoice;
using namespace std::chrono_literals;
using nlohmann::json;

namespace {

constexpr const char* mixxx_title = "Mixxx (simulated)";
constexpr long long ticks_per_ms = 10'000; // system time steps of 100 ns

double ms_between(long long from, long long to) {
    return static_cast<double>(to - from) / static_cast<double>(ticks_per_ms);
}

struct Stats {
    std::size_t count = 0;
    double p50 = 0, p90 = 0, p99 = 0, max = 0;
};

Stats stats_of(std::vector<double> samples) {
    Stats s;
    s.count = samples.size();
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    s.p50 = samples[samples.size() / 2];
    s.p90 = samples[std::min(samples.size() - 1, samples.size() * 90 / 100)];
    s.p99 = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
    s.max = samples.back();
    return s;
}

// One request line the simulated plug-in received, with its arrival time.
struct Received {
    long long time = 0;
    json message;
};

class Bench {
public:
    Bench(test::CuevoiceRun& run, std::filesystem::path spoken_file)
        : run_(run), spoken_file_(std::move(spoken_file)) {}

    bool open_control() {
        control_ = std::make_unique<test::LineClient>(run_.control_port());
        return control_->connected();
    }

    json control(const json& request) { return control_->request(request); }

    // The requests received since the last call (the record is emptied).
    std::vector<Received> take_requests() {
        json reply = control({{"cmd", "requests"}, {"clear", true}});
        std::vector<Received> out;
        if (!reply.is_object() || !reply.contains("requests") || !reply.contains("times"))
            return out;
        const json& lines = reply["requests"];
        const json& times = reply["times"];
        for (std::size_t i = 0; i < lines.size() && i < times.size(); ++i)
            out.push_back({times[i].get<long long>(),
                           json::parse(lines[i].get<std::string>(), nullptr, false)});
        return out;
    }

    std::vector<bench::SpokenCall> spoken() const {
        std::vector<bench::SpokenCall> out;
        for (const std::string& line : test::lines_of(test::read_file(spoken_file_))) {
            std::size_t blank = line.find(' ');
            if (blank == std::string::npos)
                continue;
            out.push_back({std::atoll(line.substr(0, blank).c_str()), line.substr(blank + 1)});
        }
        return out;
    }

    // Waits for a text handed to NVDA at or after `since` that holds `part`; its time.
    std::optional<long long> wait_spoken(long long since, const std::string& part,
                                         std::chrono::milliseconds timeout = 5s) const {
        std::optional<long long> found;
        test::eventually(
            [&] {
                for (const bench::SpokenCall& s : spoken())
                    if (s.time >= since && s.call.rfind("speakText ", 0) == 0 &&
                        s.call.find(part) != std::string::npos) {
                        found = s.time;
                        return true;
                    }
                return false;
            },
            timeout);
        return found;
    }

    // Waits for a request that `match` accepts, collecting what arrives meanwhile; its time.
    std::optional<long long> wait_request(const std::function<bool(const Received&)>& match,
                                          std::chrono::milliseconds timeout = 5s) {
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < until) {
            for (const Received& r : take_requests())
                if (match(r))
                    return r.time;
            std::this_thread::sleep_for(2ms);
        }
        return std::nullopt;
    }

    // Lets the requests of the last action end: none for `quiet` in a row.
    void settle(std::chrono::milliseconds quiet = 200ms) {
        auto last = std::chrono::steady_clock::now();
        const auto until = last + 5s;
        while (std::chrono::steady_clock::now() < until &&
               std::chrono::steady_clock::now() - last < quiet) {
            if (!take_requests().empty())
                last = std::chrono::steady_clock::now();
            std::this_thread::sleep_for(20ms);
        }
    }

private:
    test::CuevoiceRun& run_;
    std::filesystem::path spoken_file_;
    std::unique_ptr<test::LineClient> control_;
};

// Runs xdotool with `date +%s%N` first (the same clock as the system time), then `then`;
// the system time just before the keys went out.
std::optional<long long> stamped_xdotool(const std::vector<std::string>& then) {
    std::vector<std::string> arguments = {"exec", "--sync", "--terminator", "XEND",
                                          "date", "+%s%N",  "XEND"};
    arguments.insert(arguments.end(), then.begin(), then.end());
    test::UnixResult result = test::xdotool(arguments);
    if (result.exit_code != 0) {
        std::printf("  xdotool failed (%d): %s\n", result.exit_code, result.output.c_str());
        return std::nullopt;
    }
    long long unix_ns = std::atoll(result.output.c_str());
    if (unix_ns <= 0)
        return std::nullopt;
    constexpr long long unix_epoch_in_system_time = 116'444'736'000'000'000LL;
    return unix_ns / 100 + unix_epoch_in_system_time;
}

bool is_time_warning_poll(const json& message) {
    return message.value("cmd", "") == "getmany" ||
           (message.value("cmd", "") == "get" && message.value("key", "") == "num_decks");
}

bool is_cue_set(const json& message, double value) {
    return message.value("cmd", "") == "set" && message.value("key", "") == "cue_default" &&
           message.contains("value") && message["value"].is_number() &&
           message["value"].get<double>() == value;
}

// The log's own figure: seconds from "plugin loaded" to the ready text, in its stamps.
std::optional<double> log_ready_ms(const std::string& log) {
    std::optional<double> loaded, ready;
    for (const std::string& line : test::lines_of(log)) {
        std::size_t end = line.find("] ");
        if (line.rfind("[", 0) != 0 || end == std::string::npos)
            continue;
        double at = std::atof(line.c_str() + 1);
        std::string message = line.substr(end + 2);
        if (message == "plugin loaded")
            loaded = at;
        if (message.rfind("say: Cuevoice ready", 0) == 0 && !ready)
            ready = at;
    }
    if (!loaded || !ready)
        return std::nullopt;
    return (*ready - *loaded) * 1000.0;
}

unsigned long long filetime_ticks(const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// CPU time (user and kernel) of a thread of another process by its name, in 100-ns steps.
std::optional<unsigned long long> thread_cpu(DWORD pid, const std::wstring& name) {
    using Describe = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    auto describe = reinterpret_cast<Describe>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
    if (describe == nullptr)
        return std::nullopt;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<unsigned long long> found;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more && !found;
         more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid)
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        if (thread == nullptr)
            continue;
        PWSTR text = nullptr;
        if (SUCCEEDED(describe(thread, &text)) && text != nullptr) {
            if (name == text) {
                FILETIME created, exited, kernel, user;
                if (GetThreadTimes(thread, &created, &exited, &kernel, &user))
                    found = filetime_ticks(kernel) + filetime_ticks(user);
            }
            LocalFree(text);
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return found;
}

std::optional<unsigned long long> process_cpu(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr)
        return std::nullopt;
    FILETIME created, exited, kernel, user;
    std::optional<unsigned long long> out;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user))
        out = filetime_ticks(kernel) + filetime_ticks(user);
    CloseHandle(process);
    return out;
}

struct PollCost {
    double seconds = 0;
    double getmany_per_s = 0, requests_per_s = 0;
    std::optional<double> thread_ms_per_s, process_ms_per_s;
    std::optional<double> thread_total_ms; // the thread's CPU time since it started
};

// Watches the program for `window`: the requests it sends and the CPU time it takes.
PollCost measure_poll(Bench& bench, DWORD pid, std::chrono::seconds window) {
    bench.take_requests();
    auto thread0 = thread_cpu(pid, L"time-warnings");
    auto process0 = process_cpu(pid);
    long long start = system_time_ticks();
    std::this_thread::sleep_for(window); // the window being measured, not a wait for a signal
    auto thread1 = thread_cpu(pid, L"time-warnings");
    auto process1 = process_cpu(pid);
    long long end = system_time_ticks();
    std::vector<Received> requests = bench.take_requests();
    PollCost cost;
    cost.seconds = ms_between(start, end) / 1000.0;
    std::size_t getmany = 0;
    for (const Received& r : requests)
        if (r.message.value("cmd", "") == "getmany")
            ++getmany;
    cost.getmany_per_s = static_cast<double>(getmany) / cost.seconds;
    cost.requests_per_s = static_cast<double>(requests.size()) / cost.seconds;
    if (thread1)
        cost.thread_total_ms = static_cast<double>(*thread1) / 1e4;
    if (thread0 && thread1)
        cost.thread_ms_per_s = static_cast<double>(*thread1 - *thread0) / 1e4 / cost.seconds;
    if (process0 && process1)
        cost.process_ms_per_s = static_cast<double>(*process1 - *process0) / 1e4 / cost.seconds;
    return cost;
}

std::string figure(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", ms);
    return text;
}

void row(const std::string& what, const std::string& samples, const std::string& p50,
         const std::string& p99, const std::string& max, const std::string& target,
         const std::string& verdict) {
    std::printf("| %-46s | %7s | %10s | %10s | %10s | %-22s | %-6s |\n", what.c_str(),
                samples.c_str(), p50.c_str(), p99.c_str(), max.c_str(), target.c_str(),
                verdict.c_str());
}

void stats_row(const std::string& what, const Stats& s, const std::string& target, double limit) {
    row(what, std::to_string(s.count), figure(s.p50), figure(s.p99), figure(s.max), target,
        s.count == 0 ? "-" : (s.p99 <= limit ? "met" : "missed"));
}

std::string number(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", ms);
    return text;
}

// A table of stages: p50, p90, p99 and max in milliseconds, and whose time each stage is.
void print_stages(const std::string& title, const bench::StageTable& table) {
    std::printf("\n%s (ms)\n", title.c_str());
    std::printf("| %-58s | %-21s | %7s | %7s | %7s | %7s | %7s |\n", "stage", "whose", "samples",
                "p50", "p90", "p99", "max");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(60, '-').c_str(),
                std::string(23, '-').c_str(), std::string(9, '-').c_str(),
                std::string(9, '-').c_str(), std::string(9, '-').c_str(),
                std::string(9, '-').c_str(), std::string(9, '-').c_str());
    for (const bench::StageRow& stage : table.rows) {
        Stats s = stats_of(stage.samples);
        std::printf("| %-58s | %-21s | %7zu | %7s | %7s | %7s | %7s |\n", stage.name.c_str(),
                    stage.whose.c_str(), s.count, number(s.p50).c_str(), number(s.p90).c_str(),
                    number(s.p99).c_str(), number(s.max).c_str());
    }
    if (table.unmatched > 0)
        std::printf("  (%zu could not be followed through every stage and are left out)\n",
                    table.unmatched);
}

Stats whole_path(const bench::StageTable& table) {
    return table.rows.empty() ? Stats{} : stats_of(table.rows.back().samples);
}

// "met" or "missed" for a figure against its limit.
void target_line(const std::string& what, double value, double factor, double trip) {
    std::printf("  %-52s %8.2f ms  <= %.0fx round trip = %6.2f ms  %s\n", what.c_str(), value,
                factor, factor * trip, value <= factor * trip ? "met" : "missed");
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int changes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    const int held_keys = argc > 3 ? std::max(1, std::atoi(argv[3])) : 50;
    bool measured = true;
    auto failed = [&](const std::string& what) {
        std::printf("could not measure: %s\n", what.c_str());
        measured = false;
    };

    // The program folder as a user has it, with the NVDA stand-in as the screen reader.
    const std::filesystem::path bin = test::bin_folder();
    test::TempFolder program;
    try {
        std::filesystem::copy_file(bin / "cuevoice.exe", program.path() / "cuevoice.exe");
        std::filesystem::copy_file(bin / "nvda_standin.dll",
                                   program.path() / "nvdaControllerClient.dll");
        std::filesystem::create_directories(program.path() / "plugins" / "generic");
        std::filesystem::copy_file(bin / "plugins" / "generic" / "cuevoice.dll",
                                   program.path() / "plugins" / "generic" / "cuevoice.dll");
    } catch (const std::exception& e) {
        std::printf("cannot set up the program folder (cuevoice.exe, nvda_standin.dll and the "
                    "plug-in beside this program?): %s\n",
                    e.what());
        return 1;
    }
    // Four decks with tracks, stopped; the time-warning figure starts them.
    test::TempFolder work;
    const std::filesystem::path spoken_file = work.path() / "spoken.txt";
    const std::filesystem::path stages_file = work.path() / "stages.txt";
    const std::filesystem::path scenario = work.path() / "scenario.json";
    json demo = json::parse(test::read_file(bin / "scenarios" / "demo.json"), nullptr, false);
    if (!demo.is_object()) {
        std::printf("cannot read the demo scenario beside this program\n");
        return 1;
    }
    demo["load"] = {{"[Channel1]", 1}, {"[Channel2]", 2}, {"[Channel3]", 3}, {"[Channel4]", 4}};
    test::write_file(scenario, demo.dump());

    const std::uint16_t port = test::private_port();
    test::CuevoiceRun run(
        {.program = program.path() / "cuevoice.exe",
         .settings = test::settings_text(bin / "mixxx.exe", port),
         .environment = {"NVDA_STANDIN_LOG=" + test::windows_text(spoken_file),
                         "NVDA_STANDIN_TIMES=1",
                         "CUEVOICE_STAGE_STAMPS=" + test::windows_text(stages_file),
                         "MIXXXSIM_SCENARIO=" + test::windows_text(scenario)}});
    if (!run.started() || !run.wait_for_message_starting("say: Cuevoice ready", 60s)) {
        std::printf("cuevoice.exe did not become ready; its log:\n%s\n", run.log().c_str());
        return 1;
    }
    Bench bench(run, spoken_file);
    if (!bench.open_control()) {
        std::printf("the simulated Mixxx's control channel cannot be reached\n");
        return 1;
    }
    std::printf("run_bench: cuevoice.exe (process %u) ready against the simulated Mixxx\n",
                run.process_id());

    // Loaded event -> ready text, from the simulated plug-in's record and the NVDA stand-in's.
    std::optional<double> ready_ms;
    {
        json status = bench.control({{"cmd", "status"}});
        std::optional<long long> said = bench.wait_spoken(0, "Cuevoice ready");
        if (status.contains("loaded_event_time") && said)
            ready_ms = ms_between(status["loaded_event_time"].get<long long>(), *said);
        else
            failed("loaded event -> ready text");
    }
    std::optional<double> ready_log_ms = log_ready_ms(run.log());

    // The bridge's own get round trip against the same plug-in, beside the program's link.
    Stats round_trip;
    {
        std::optional<json> start = run.wait_for_mixxx();
        DWORD mixxx_pid = start ? start->value("pid", 0u) : 0;
        HANDLE process =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, mixxx_pid);
        auto child = std::make_shared<MixxxChild>(process, nullptr, mixxx_pid);
        auto [sender, receiver] = make_channel<BridgeEvent>();
        Result<SharedBridge> bridge = connect_bridge(
            port, run.token(), std::chrono::steady_clock::now() + 10s, child, sender);
        if (!bridge) {
            failed("bridge get round trip: " + bridge.error());
        } else {
            std::vector<double> samples;
            for (int i = 0; i < 2200; ++i) {
                auto begin = std::chrono::steady_clock::now();
                Result<double> value = get(**bridge, "[Channel1]", "volume", "value");
                auto took = std::chrono::steady_clock::now() - begin;
                if (!value) {
                    failed("bridge get: " + value.error());
                    break;
                }
                if (i >= 200)
                    samples.push_back(std::chrono::duration<double, std::milli>(took).count());
            }
            round_trip = stats_of(samples);
            (void)request(**bridge, json{{"cmd", "bye"}}, 1);
        }
    }
    bench.take_requests();

    // Keys reach the program only while Mixxx's window is in front.
    if (!test::focus_window(mixxx_title) || !test::eventually(
                                                [&] {
                                                    std::optional<std::string> last;
                                                    for (const std::string& m : run.messages())
                                                        if (m.rfind("hotkeys o", 0) == 0)
                                                            last = m;
                                                    return last &&
                                                           last->rfind("hotkeys on", 0) == 0;
                                                },
                                                10s)) {
        failed("hot keys: Mixxx's window did not come to the front with the keys on");
    }

    // Key press -> the first request of its function ("say the time": ctrl+alt+t) and on to
    // the text handed to NVDA, through XTest from a helper that stamps the moment the main key
    // goes down. The time warnings' own poll runs meanwhile, as in a real run; its requests
    // are told apart from the press's.
    bench::XTestKeys keys;
    if (measured && !keys.ready())
        failed("XTest key presses: " + keys.problem());
    std::vector<double> press_ms;
    std::vector<long long> press_times;
    for (int i = 0; measured && i < presses; ++i) {
        bench.settle(50ms);
        std::optional<long long> pressed = keys.press("Control_L Alt_L t");
        if (!pressed) {
            failed("key press");
            break;
        }
        press_times.push_back(*pressed);
        std::optional<long long> arrived = bench.wait_request([&](const Received& r) {
            return r.time >= *pressed && !is_time_warning_poll(r.message);
        });
        if (!arrived || !bench.wait_spoken(*pressed, "elapsed")) {
            failed("key press " + std::to_string(i + 1) + ": no request or no time spoken");
            break;
        }
        press_ms.push_back(ms_between(*pressed, *arrived));
    }

    // Key-up of a held key -> its release request (ctrl+alt+c holds cue on deck 1). The program
    // watches the main key, so C goes up first and the modifiers after it; xdotool's default
    // 12 ms between the keys of a chord would otherwise count as the program's delay.
    std::vector<double> release_ms;
    for (int i = 0; measured && i < held_keys; ++i) {
        bench.settle();
        if (test::xdotool({"keydown", "ctrl+alt+c"}).exit_code != 0 ||
            !bench.wait_request([](const Received& r) { return is_cue_set(r.message, 1); })) {
            failed("held key " + std::to_string(i + 1) + ": no press request");
            test::xdotool({"keyup", "ctrl+alt+c"});
            break;
        }
        std::optional<long long> up =
            stamped_xdotool({"keyup", "--delay", "0", "c", "keyup", "--delay", "0", "ctrl+alt"});
        std::optional<long long> released = up ? bench.wait_request([&](const Received& r) {
            return r.time >= *up && is_cue_set(r.message, 0);
        })
                                               : std::nullopt;
        if (!released) {
            failed("held key " + std::to_string(i + 1) + ": no release request");
            break;
        }
        release_ms.push_back(ms_between(*up, *released));
    }
    bench.settle();

    // A change through the control channel -> its announcement handed to the screen reader.
    std::vector<double> announce_ms;
    std::vector<bench::Change> change_times;
    for (int i = 0; measured && i < changes; ++i) {
        const int value = i % 2 == 0 ? 1 : 0;
        long long changed = system_time_ticks();
        change_times.push_back({changed, value ? "eadphones on" : "eadphones off"});
        json reply = bench.control(
            {{"cmd", "set"}, {"group", "[Channel1]"}, {"key", "pfl"}, {"value", value}});
        std::optional<long long> said =
            reply.value("ok", false)
                ? bench.wait_spoken(changed, value ? "eadphones on" : "eadphones off")
                : std::nullopt;
        if (!said) {
            failed("announcement " + std::to_string(i + 1) + ": nothing spoken");
            break;
        }
        announce_ms.push_back(ms_between(changed, *said));
    }

    // The time-warning poll: 4 decks playing against all stopped.
    PollCost playing, idle;
    if (measured) {
        for (int deck = 1; deck <= 4; ++deck)
            bench.control({{"cmd", "set"},
                           {"group", "[Channel" + std::to_string(deck) + "]"},
                           {"key", "play"},
                           {"value", 1}});
        std::this_thread::sleep_for(1500ms); // let the announcements of the start pass
        playing = measure_poll(bench, run.process_id(), 20s);
        for (int deck = 1; deck <= 4; ++deck)
            bench.control({{"cmd", "set"},
                           {"group", "[Channel" + std::to_string(deck) + "]"},
                           {"key", "play"},
                           {"value", 0}});
        std::this_thread::sleep_for(1500ms);
        idle = measure_poll(bench, run.process_id(), 20s);
        if (playing.getmany_per_s == 0)
            failed("time-warning poll: no getmany seen");
    }

    // The program's stage stamps reach their file a little after the fact: the last
    // announcement's must be there before the program ends.
    std::vector<bench::StageStamp> stamps;
    if (!test::eventually(
            [&] {
                stamps = bench::parse_stage_stamps(test::read_file(stages_file));
                const long long last = change_times.empty() ? 0 : change_times.back().time;
                return std::any_of(stamps.begin(), stamps.end(), [&](const bench::StageStamp& s) {
                    return s.stage == "speech_taken" && s.time >= last;
                });
            },
            5s))
        failed("stage stamps (CUEVOICE_STAGE_STAMPS) did not reach their file");
    const std::vector<bench::SpokenCall> spoken = bench.spoken();
    const bench::StageTable press_stages =
        bench::key_press_stages(press_times, stamps, spoken, "elapsed");
    const bench::StageTable announce_stages =
        bench::announcement_stages(change_times, stamps, spoken);

    run.close_mixxx_window();
    run.wait_exit(5s);

    // The table.
    const double trip = round_trip.p50;
    std::printf("\n");
    row("measure", "samples", "p50", "p99", "max", "target", "p99");
    row("----------------------------------------------", "-------", "----------", "----------",
        "----------", "----------------------", "------");
    if (ready_ms)
        row("loaded event -> \"Cuevoice ready\" to NVDA", "1", figure(*ready_ms), "", "",
            "<= 300 ms", *ready_ms <= 300 ? "met" : "missed");
    if (ready_log_ms)
        row("  the log: \"plugin loaded\" -> \"say: ...ready\"", "1", figure(*ready_log_ms), "", "",
            "", "");
    stats_row("bridge get round trip (own link, same plug-in)", round_trip, "", 1e9);
    stats_row("key press -> first request", stats_of(press_ms),
              "<= 2x round trip = " + figure(2 * trip), 2 * trip);
    stats_row("key-up of a held key -> release request", stats_of(release_ms), "<= 30 ms", 30);
    stats_row("control change -> announcement to NVDA", stats_of(announce_ms),
              "<= 2x round trip = " + figure(2 * trip), 2 * trip);

    print_stages("key press (ctrl+alt+t, say the time: three get requests) -> NVDA, by stage",
                 press_stages);
    {
        const Stats crossed = stats_of(press_stages.beside_other_requests);
        const Stats alone = stats_of(press_stages.alone);
        std::printf(
            "  presses with a time-warning poll request out on the link: %zu (p50 %.2f, max "
            "%.2f ms); the %zu others: p50 %.2f, p99 %.2f, max %.2f ms\n",
            crossed.count, crossed.p50, crossed.max, alone.count, alone.p50, alone.p99, alone.max);
    }
    print_stages("control change (headphones on deck 1) -> announcement to NVDA, by stage",
                 announce_stages);
    std::printf("\ntargets against the bridge get round trip of this run (p50 %.2f ms, p99 %.2f "
                "ms):\n",
                round_trip.p50, round_trip.p99);
    const Stats press_total = whole_path(press_stages);
    const Stats announce_total = whole_path(announce_stages);
    target_line("key press -> NVDA text, p50", press_total.p50, 4, trip);
    target_line("key press -> NVDA text, p99", press_total.p99, 8, trip);
    target_line("control change -> NVDA announcement, p99", announce_total.p99, 4, trip);

    auto per_second = [](std::optional<double> ms) {
        return ms ? figure(*ms) + "/s" : std::string("n/a");
    };
    std::printf("\ntime-warning poll, %.1f s windows     4 decks playing    all stopped\n",
                playing.seconds);
    std::printf("  getmany requests per second      %10.2f       %10.2f\n", playing.getmany_per_s,
                idle.getmany_per_s);
    std::printf("  all requests per second          %10.2f       %10.2f\n", playing.requests_per_s,
                idle.requests_per_s);
    std::printf("  CPU of \"time-warnings\" thread   %12s     %12s\n",
                per_second(playing.thread_ms_per_s).c_str(),
                per_second(idle.thread_ms_per_s).c_str());
    std::printf("  CPU of the whole process         %12s     %12s\n",
                per_second(playing.process_ms_per_s).c_str(),
                per_second(idle.process_ms_per_s).c_str());
    if (!playing.thread_ms_per_s)
        std::printf("  (the \"time-warnings\" thread could not be found or timed from outside)\n");
    else
        std::printf("  \"time-warnings\" thread's CPU time since its start: %.1f ms\n",
                    *idle.thread_total_ms);
    std::printf("  (Wine counts CPU time in 10-ms steps: over a %.0f-s window one step is %.2f "
                "ms/s)\n",
                playing.seconds, playing.seconds > 0 ? 10.0 / playing.seconds : 0.0);
    return measured ? 0 : 1;
}
