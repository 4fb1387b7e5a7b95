#include "main/run_main.h"

#include <algorithm>

#include <windows.h>
#include <shellapi.h>

#include "applog/applog.h"
#include "common/output.h"
#include "common/stage_stamps.h"
#include "common/text.h"
#include "common/win_handle.h"
#include "cuevoice_version.h"
#include "main/run.h"
#include "main/switches.h"

namespace cuevoice {
namespace {

int normal_start() {
    start_stage_stamps();
    Speech speech = start_speech();
    UniqueHandle running(CreateMutexW(nullptr, TRUE, L"CuevoiceRunning"));
    if (!running || GetLastError() == ERROR_ALREADY_EXISTS) {
        // Let go before the pause: once the running copy ends, a new start must not find the
        // mutex held by a copy that is only waiting for its voice.
        running.reset();
        say_str(speech, "Cuevoice is already running.");
        system_clock().sleep_for(std::chrono::seconds(3));
        return 1;
    }
    // The mutex stays held until the process ends: let go of here, never closed.
    (void)running.release();
    open_app_log();
    RunResult result = run_with_mixxx(speech);
    return finish_run(result, speech, system_clock());
}

} // namespace

std::vector<std::string> command_line_arguments(const wchar_t* command_line) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** split = CommandLineToArgvW(command_line, &count);
    if (split == nullptr)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(to_utf8(split[i]));
    LocalFree(split);
    return arguments;
}

std::chrono::seconds pause_after(std::size_t spoken_bytes) {
    return std::chrono::seconds(std::max<std::size_t>(4, spoken_bytes / 14));
}

int finish_run(const RunResult& result, const Speech& speech, Clock& clock) {
    std::string spoken;
    switch (result.kind) {
    case RunResult::Kind::ok:
        return 0;
    case RunResult::Kind::error:
        app_log("error: " + result.text);
        spoken = "Cuevoice error. " + result.text;
        break;
    case RunResult::Kind::stop:
        app_log("stopped: " + result.text);
        spoken = result.text;
        break;
    }
    std::size_t length = spoken.size();
    say(speech, std::move(spoken));
    clock.sleep_for(pause_after(length));
    return 1;
}

int run_mode(const std::vector<std::string>& arguments) {
    const std::string first = arguments.empty() ? std::string() : arguments.front();
    if (first == "--version") {
        write_stdout(std::string(cuevoice_version) + "\n");
        return 0;
    }
    if (first == "--write-keys")
        return write_keys_switch(arguments);
    if (first == "--find-mixxx")
        return find_mixxx_switch();
    if (first == "--open-settings")
        return open_settings_switch();
    if (first == "--list-controls")
        return list_controls_switch();
    return normal_start();
}

int run_main() {
    return run_mode(command_line_arguments(GetCommandLineW()));
}

} // namespace cuevoice
