#include "main/run.h"

#include <windows.h>

#include "actions/conflict_report.h"
#include "actions/run_hotkey.h"
#include "actions/test_script.h"
#include "announcer/announcer.h"
#include "announcer/time_warnings.h"
#include "announcer/watch_list.h"
#include "applog/applog.h"
#include "beatgrid/grid_clicks.h"
#include "bridge/bridge.h"
#include "common/clock.h"
#include "common/environment.h"
#include "common/program_folder.h"
#include "common/text.h"
#include "common/threads.h"
#include "common/visible_controls.h"
#include "config/key_map.h"
#include "config/load_settings.h"
#include "context/context.h"
#include "hotkeys/hotkeys.h"
#include "main/launch_mixxx.h"
#include "main/plugin_folder.h"
#include "main/plugin_wait.h"
#include "main/run_callbacks.h"
#include "main/running_mixxx.h"
#include "main/token.h"
#include "main/watchers.h"
#include "mixxxcheck/version_check.h"

namespace cuevoice {
namespace {

constexpr std::string_view ready_text =
    "Cuevoice ready. Deck 1 selected. Control Alt F12 turns key help on or off.";

std::filesystem::path as_path(const std::string& utf8) {
    return std::filesystem::path(to_wide(utf8));
}

std::string as_text(const std::filesystem::path& path) {
    return to_utf8(path.wstring());
}

// Makes sure this thread has a message queue before the exit watcher may post WM_QUIT to it:
// a message posted to a thread without one is lost, and the run would never end.
void create_message_queue() {
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

} // namespace

RunResult run_with_mixxx(const Speech& speech) {
    Result<LoadedSettings> loaded = load_settings();
    if (!loaded)
        return RunResult::error(loaded.error());
    const General& general = loaded->settings.general;
    app_log("Configuration: " + as_text(loaded->config_path));
    app_log("Mixxx: " + visible_controls(general.mixxx_path));
    if (loaded->created)
        say_queued_str(speech, "Welcome to Cuevoice. Your settings file was created.");

    Result<std::vector<HotKeyRow>> hot_keys = key_map_from_settings(loaded->settings);
    if (!hot_keys)
        return RunResult::error(hot_keys.error());

    std::optional<std::filesystem::path> own_folder = program_folder();
    std::optional<std::filesystem::path> plugin_folder =
        own_folder ? find_plugin_folder(*own_folder) : std::nullopt;
    if (!plugin_folder)
        return RunResult::error("The Mixxx plugin (plugins\\generic\\cuevoice.dll) was not found.");

    if (mixxx_is_running())
        return RunResult::stop("Mixxx is running. Please close it first.");

    const std::filesystem::path mixxx_exe = as_path(general.mixxx_path);
    app_log(mixxx_version_text(mixxx_exe));
    if (std::optional<std::string> refusal = check_qt_version(mixxx_exe))
        return RunResult::stop(*refusal);

    Result<std::string> token = make_token();
    if (!token)
        return RunResult::error(token.error());

    say_queued_str(speech, "Starting Mixxx");
    Result<SharedMixxxChild> started =
        start_mixxx(general.mixxx_path, general.mixxx_args,
                    mixxx_environment(own_environment(), {*plugin_folder, *token, general.port}));
    if (!started)
        return RunResult::error(started.error());
    SharedMixxxChild mixxx = std::move(*started);
    const std::uint32_t mixxx_pid = mixxx->process_id();

    switch (wait_for_plugin(plugin_loaded_event_name(*token), *mixxx, system_clock())) {
    case PluginWaitEnd::loaded:
        break;
    case PluginWaitEnd::mixxx_gone:
        return RunResult::error("Mixxx closed while starting.");
    case PluginWaitEnd::timed_out:
        // Mixxx keeps running, without Cuevoice.
        return RunResult::stop(mixxx_version_text(mixxx_exe) +
                               " did not load the Cuevoice plugin, so this Mixxx version is "
                               "probably not supported. Mixxx keeps running, without Cuevoice. "
                               "Please check for a Cuevoice update.");
    }
    app_log_str("plugin loaded");

    auto [event_sender, event_receiver] = make_channel<BridgeEvent>();
    Result<SharedBridge> bridge = log_connect_failed(
        connect_bridge(general.port, *token,
                       std::chrono::steady_clock::now() + std::chrono::seconds(600), mixxx,
                       std::move(event_sender)),
        mixxx);
    if (!bridge)
        return RunResult::error(bridge.error());

    auto context = std::make_shared<Context>(speech, *bridge, system_clock());
    install_run_callbacks(context, mixxx_pid, loaded->config_path);

    WeakContext weak = context;
    spawn_named("editor-requests", "spawn editor request watcher",
                [weak] { watch_editor_requests(weak); });
    auto watched = std::make_shared<WatchedValues>(watch_startup_controls(**bridge));
    turn_off_leftover_grid_clicks(**bridge);
    auto events = std::make_shared<Receiver<BridgeEvent>>(std::move(event_receiver));
    spawn_named("announcer", "spawn announcer", [context, events, watched] {
        run_announcer(context, std::move(*events), std::move(*watched));
    });
    spawn_named("time-warnings", "spawn time warnings", [context] { run_time_warnings(context); });
    auto [action_sender, action_receiver] = make_channel<HotKeyPress>();
    auto jobs = std::make_shared<ActionReceiver>(std::move(action_receiver));
    spawn_named("actions", "spawn action worker",
                [context, jobs] { run_action_worker(context, std::move(*jobs)); });
    create_message_queue();
    const std::uint32_t main_thread = GetCurrentThreadId();
    spawn_named("mixxx-watch", "spawn watcher",
                [mixxx, main_thread] { watch_mixxx_exit(mixxx, main_thread, system_clock()); });
    say_str(speech, ready_text);
    spawn_detached([speech] {
        announce_hotkey_conflicts(speech, system_clock(), [] { return failed_hotkeys(); });
    });
    if (std::optional<std::wstring> script = environment_variable(L"CUEVOICE_TEST_ACTIONS")) {
        if (std::optional<std::string> text = to_utf8_strict(*script)) {
            std::shared_ptr<MixxxLink> link = *bridge;
            spawn_detached([actions = action_sender, text = std::move(*text), link] {
                run_test_script(actions, text, link,
                                {system_clock(), [](std::string line) { app_log(std::move(line)); },
                                 [](const KeyChord& chord) {
                                     return find_hotkey_row(chord.modifiers, chord.vk);
                                 }});
            });
        }
    }

    run_hotkey_loop(std::move(*hot_keys), mixxx_pid, std::move(action_sender));
    context.reset();
    app_log_str("Mixxx closed, Cuevoice exiting.");
    return RunResult::ok();
}

} // namespace cuevoice
