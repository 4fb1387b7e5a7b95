// Figures for a long set: the real cuevoice.exe under Wine against the simulated Mixxx for many
// minutes, with its four decks playing (tracks repeating, so the time warnings keep coming),
// 20 announced changes a second through the control channel, a real key press every half
// second and the key editor opened and closed once a minute.
//   long_set_bench.exe [minutes, default 10]
// It prints what the program holds (handles, private bytes, threads, GDI and USER objects) at
// the start, every minute and at the end, and whether every change was announced once and in
// order and every key press answered. Exit code 1 only when a figure could not be measured;
// growth and losses are printed, not failed.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/clock.h"
#include "cuevoice_run.h"
#include "line_client.h"
#include "long_set/change_load.h"
#include "long_set/key_load.h"
#include "long_set/process_figures.h"
#include "long_set/report.h"
#include "long_set/tally.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::bench;
using namespace std::chrono_literals;
using nlohmann::json;

namespace {

constexpr unsigned decks = 4;
// Xvfb keeps Ctrl+Alt+F1..F12 for itself, so the editor's default key cannot be pressed here:
// it gets one that no function has, in config.toml's spelling and in xdotool's (X key names).
constexpr const char* editor_chord = "ctrl+shift+f12";
constexpr const char* editor_keys = "ctrl+shift+F12";
constexpr const char* sentinel = "Microphone on";

// The NVDA stand-in's record: "<time> speakText <text>" or "<time> cancelSpeech" per line.
std::vector<Stamped> spoken_texts(const std::filesystem::path& record) {
    std::vector<Stamped> texts;
    const std::string call = "speakText ";
    for (const std::string& line : test::lines_of(test::read_file(record))) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string::npos || line.compare(blank + 1, call.size(), call) != 0)
            continue;
        texts.push_back(
            {std::atoll(line.substr(0, blank).c_str()), line.substr(blank + 1 + call.size())});
    }
    return texts;
}

// Whether the text was handed on at or after `since`.
bool spoken_since(const std::filesystem::path& record, long long since, const std::string& text) {
    const std::vector<Stamped> spoken = spoken_texts(record);
    return std::any_of(spoken.begin(), spoken.end(),
                       [&](const Stamped& s) { return s.time >= since && s.text == text; });
}

// The stand-in keeps every call in memory as well ("<call>\n", without the time), inside
// cuevoice.exe: that much of the process's private bytes is the stand-in's, not the program's.
std::size_t stand_in_memory(const std::filesystem::path& record) {
    std::size_t bytes = 0;
    for (const std::string& line : test::lines_of(test::read_file(record)))
        bytes += line.size() - (line.find(' ') + 1) + 1;
    return bytes;
}

bool is_time_answer(const std::string& text) {
    return text.find(" elapsed, ") != std::string::npos && text.size() > 10 &&
           text.compare(text.size() - 10, 10, " remaining") == 0;
}

std::size_t answers_since(const std::vector<Stamped>& spoken, long long since) {
    return static_cast<std::size_t>(
        std::count_if(spoken.begin(), spoken.end(),
                      [&](const Stamped& s) { return s.time >= since && is_time_answer(s.text); }));
}

bool copy_program(const std::filesystem::path& bin, const std::filesystem::path& to) {
    try {
        std::filesystem::copy_file(bin / "cuevoice.exe", to / "cuevoice.exe");
        std::filesystem::copy_file(bin / "nvda_standin.dll", to / "nvdaControllerClient.dll");
        std::filesystem::create_directories(to / "plugins" / "generic");
        std::filesystem::copy_file(bin / "plugins" / "generic" / "cuevoice.dll",
                                   to / "plugins" / "generic" / "cuevoice.dll");
        return true;
    } catch (const std::exception& e) {
        std::printf("cannot set up the program folder (cuevoice.exe, nvda_standin.dll and the "
                    "plug-in beside this program?): %s\n",
                    e.what());
        return false;
    }
}

// The demo's library with a track in each deck, all playing and repeating.
std::optional<std::string> scenario_text(const std::filesystem::path& bin) {
    json scenario = json::parse(test::read_file(bin / "scenarios" / "demo.json"), nullptr, false);
    if (!scenario.is_object())
        return std::nullopt;
    for (unsigned deck = 1; deck <= decks; ++deck) {
        const std::string group = "[Channel" + std::to_string(deck) + "]";
        scenario["load"][group] = deck;
        scenario["controls"][group] = {{"play", 1}, {"repeat", 1}};
    }
    return scenario.dump();
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const std::filesystem::path bin = test::bin_folder();
    test::TempFolder program, work;
    if (!copy_program(bin, program.path()))
        return 1;
    const std::filesystem::path record = work.path() / "spoken.txt";
    const std::filesystem::path scenario_file = work.path() / "scenario.json";
    std::optional<std::string> scenario = scenario_text(bin);
    if (!scenario) {
        std::printf("cannot read the demo scenario beside this program\n");
        return 1;
    }
    test::write_file(scenario_file, *scenario);

    const std::string settings = test::settings_text(bin / "mixxx.exe", test::private_port()) +
                                 "\n[shortcuts]\nkey_editor = [\"" + editor_chord + "\"]\n";
    test::CuevoiceRun run(
        {.program = program.path() / "cuevoice.exe",
         .settings = settings,
         .environment = {"NVDA_STANDIN_LOG=" + test::windows_text(record), "NVDA_STANDIN_TIMES=1",
                         "MIXXXSIM_SCENARIO=" + test::windows_text(scenario_file)}});
    if (!run.started() || !run.wait_for_message_starting("say: Cuevoice ready", 60s)) {
        std::printf("cuevoice.exe did not become ready:\n%s\n", run.report().c_str());
        return 1;
    }
    for (const std::string& message : run.messages())
        if (message.rfind("config.toml: ", 0) == 0)
            std::printf("%s\n", message.c_str());
    const DWORD pid = run.process_id();
    if (!bring_mixxx_to_front(run)) {
        std::printf("Mixxx's window did not come to the front with the hot keys on:\n%s\n",
                    run.report().c_str());
        return 1;
    }
    std::printf("long_set_bench: %d min, cuevoice.exe (process %lu) against the simulated Mixxx; "
                "20 changes/s on %u playing decks, %s every 0.5 s, the key editor (%s) once a "
                "minute\n\n",
                minutes, pid, decks, "ctrl+alt+t", editor_chord);

    std::vector<Sample> samples;
    auto take_sample = [&](const std::string& name, double seconds) {
        samples.push_back({name, seconds, read_process_figures(pid)});
        print_sample(samples.back());
    };
    print_sample_header();
    take_sample("start", 0);

    const auto start = std::chrono::steady_clock::now() + 200ms;
    const auto until = start + std::chrono::minutes(minutes);
    const long long load_began = system_time_ticks();
    auto changes = std::async(std::launch::async, [&] {
        return run_changes({.control_port = run.control_port(),
                            .decks = decks,
                            .step = 50ms,
                            .start = start,
                            .until = until});
    });
    auto keys = std::async(std::launch::async, [&] {
        return run_keys(run, {.editor_chord = editor_keys, .start = start, .until = until});
    });
    for (int minute = 1; minute <= minutes; ++minute) {
        std::this_thread::sleep_until(start + std::chrono::minutes(minute)); // the sampling pace
        take_sample("minute " + std::to_string(minute), minute * 60.0);
    }
    const MadeChanges made = changes.get();
    const PressedKeys pressed = keys.get();
    const auto load_ended = std::chrono::steady_clock::now();

    // The last answers, then one more announcement after every change: once it is spoken, all
    // the announcements before it have been handed on.
    test::eventually(
        [&] { return answers_since(spoken_texts(record), load_began) >= pressed.presses.size(); },
        15s);
    const long long sentinel_sent = system_time_ticks();
    std::optional<json> sent =
        run.control({{"cmd", "set"}, {"group", "[Microphone]"}, {"key", "talkover"}, {"value", 1}});
    const bool caught_up =
        sent && sent->value("ok", false) &&
        test::eventually([&] { return spoken_since(record, sentinel_sent, sentinel); }, 60s);
    const double settle_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - load_ended).count();
    take_sample("end",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

    // What was said, against what was done.
    std::vector<Stamped> announcements;
    std::vector<long long> answers;
    for (const Stamped& s : spoken_texts(record)) {
        if (s.time < load_began || s.time >= sentinel_sent)
            continue;
        if (is_change_announcement(s.text, decks))
            announcements.push_back(s);
        else if (is_time_answer(s.text))
            answers.push_back(s.time);
    }
    std::size_t logged = 0;
    for (const std::string& message : run.messages())
        if (message.rfind("say: ", 0) == 0 && is_change_announcement(message.substr(5), decks))
            ++logged;
    const AnnouncementTally said =
        tally_announcements(made.expected, announcements, repeat_distance(decks) - 1);
    const PressTally answered = tally_presses(pressed.presses, answers);

    run.close_mixxx_window();
    run.wait_exit(10s);

    std::printf("\n== what cuevoice.exe holds ==\n");
    const bool measured = print_figures(samples);
    std::printf("  of the private bytes, the NVDA stand-in's own record of the calls, which it "
                "keeps in cuevoice.exe's memory: %zu KiB at the end\n",
                stand_in_memory(record) / 1024);

    const double load_s = std::chrono::duration<double>(until - start).count();
    std::printf("\n== the load, %.0f s ==\n", load_s);
    std::printf("  changes made                   %8zu  (%.1f/s; %zu refused by the simulated "
                "Mixxx)\n",
                said.made, static_cast<double>(said.made) / load_s, made.refused);
    std::printf("  announced, handed to NVDA      %8zu\n", said.announced);
    std::printf("    in order                     %8zu\n", said.in_order);
    std::printf("    lost                         %8zu\n", said.lost);
    std::printf("    duplicated                   %8zu\n", said.duplicated);
    std::printf("    out of order                 %8zu\n", said.out_of_order);
    std::printf("  their \"say:\" lines in app.log  %8zu\n", logged);
    std::printf("  key presses (ctrl+alt+t)       %8zu  (%zu xdotool failures)\n", answered.pressed,
                pressed.press_failures);
    std::printf("    answered                     %8zu  (of %zu time texts spoken)\n",
                answered.answered, answered.answers);
    std::printf("  key editor opened / closed     %4zu / %zu  (of %zu tries)\n",
                pressed.editor_opened, pressed.editor_closed, pressed.editor_tries);
    std::printf("\n  p50 / p99 / max:\n");
    std::printf("    change -> announcement to NVDA      %s\n",
                spread_text(said.latency_ms).c_str());
    std::printf("    key press -> answer to NVDA         %s  (from just before xdotool starts)\n",
                spread_text(answered.latency_ms).c_str());
    std::printf("    editor key -> closed -> Mixxx back  %s\n",
                spread_text(pressed.editor_cycle_ms).c_str());
    std::printf("  after the load: %.1f s until the last announcement was handed on%s\n", settle_s,
                caught_up ? "" : " (it never was: the check above stops at the end of the wait)");
    if (!made.problem.empty())
        std::printf("  changes stopped: %s\n", made.problem.c_str());
    for (const std::string& problem : pressed.problems)
        std::printf("  keys: %s\n", problem.c_str());
    return measured ? 0 : 1;
}
