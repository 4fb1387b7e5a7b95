// The run's shared context and callbacks, the plug-in wait and the watchers, in this process
// against the simulated Mixxx.
#include <windows.h>

#include <thread>

#include <gtest/gtest.h>

#include "common/clock.h"
#include "context/context.h"
#include "editor/key_editor.h"
#include "fake_mixxx.h"
#include "main/plugin_wait.h"
#include "main/run_callbacks.h"
#include "main/watchers.h"
#include "manual_clock.h"
#include "simulated_mixxx.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::test;
using namespace std::chrono_literals;

namespace {

struct SpeechRecord {
    Speech speech;
    Receiver<SpeechMessage> spoken;
};

SpeechRecord speech_record() {
    auto [speech, spoken] = make_channel<SpeechMessage>();
    return {std::move(speech), std::move(spoken)};
}

std::optional<std::string> next_said(Receiver<SpeechMessage>& spoken,
                                     std::chrono::milliseconds timeout = 5s) {
    std::optional<SpeechMessage> message = spoken.recv_for(timeout);
    if (!message || !std::holds_alternative<Say>(*message))
        return std::nullopt;
    return std::get<Say>(*message).text;
}

} // namespace

TEST(PluginWait, MixxxWithoutThePluginIsGivenThirtySecondsInQuarterSecondStepsAndKeepsRunning) {
    SimulatedMixxx mixxx({.environment = {"MIXXXSIM_NO_LOADED_EVENT=1"}});
    ASSERT_TRUE(mixxx.child());
    ManualClock clock(ManualClock::Sleeping::advances_time);
    EXPECT_EQ(wait_for_plugin(plugin_loaded_event_name(mixxx.token()), *mixxx.child(), clock),
              PluginWaitEnd::timed_out);
    // Tries at 0, 0.25 .. 30 s: the last try is at the deadline, after 120 pauses.
    ASSERT_EQ(clock.sleeps().size(), 120u);
    for (auto sleep : clock.sleeps())
        EXPECT_EQ(sleep, 250ms);
    EXPECT_EQ(mixxx.wait_exit(0ms), std::nullopt) << "Mixxx is left running";
}

TEST(PluginWait, LoadedPluginIsSeenAtTheFirstTryWithoutAPause) {
    SimulatedMixxx mixxx;
    ASSERT_TRUE(mixxx.wait_loaded());
    ManualClock clock(ManualClock::Sleeping::advances_time);
    EXPECT_EQ(wait_for_plugin(plugin_loaded_event_name(mixxx.token()), *mixxx.child(), clock),
              PluginWaitEnd::loaded);
    EXPECT_TRUE(clock.sleeps().empty());
}

TEST(PluginWait, LoadedLaterIsFoundByALaterTry) {
    SimulatedMixxx mixxx({.environment = {"MIXXXSIM_LOADED_DELAY_MS=700"}});
    EXPECT_EQ(
        wait_for_plugin(plugin_loaded_event_name(mixxx.token()), *mixxx.child(), system_clock()),
        PluginWaitEnd::loaded);
}

TEST(PluginWait, MixxxThatExitedEndsTheWaitAtOnce) {
    SimulatedMixxx mixxx({.environment = {"MIXXXSIM_NO_LOADED_EVENT=1"}});
    ASSERT_TRUE(mixxx.control({{"cmd", "quit"}, {"code", 0}}));
    ASSERT_TRUE(mixxx.wait_exit(10s));
    ManualClock clock(ManualClock::Sleeping::advances_time);
    EXPECT_EQ(wait_for_plugin(plugin_loaded_event_name(mixxx.token()), *mixxx.child(), clock),
              PluginWaitEnd::mixxx_gone);
    EXPECT_TRUE(clock.sleeps().empty());
}

TEST(MixxxExitWatcher, PostsQuitToTheWatchedThreadWithinHalfASecondOfTheExit) {
    SimulatedMixxx mixxx;
    ASSERT_TRUE(mixxx.wait_loaded());
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // this thread's queue
    std::thread watcher(watch_mixxx_exit, mixxx.child(), GetCurrentThreadId(),
                        std::ref(system_clock()));
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    ASSERT_TRUE(mixxx.control({{"cmd", "quit"}, {"code", 3}}));
    ASSERT_TRUE(mixxx.wait_exit(10s));
    auto exited = std::chrono::steady_clock::now();
    bool quit = eventually(
        [&] { return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0; }, 3s);
    auto took = std::chrono::steady_clock::now() - exited;
    watcher.join();
    ASSERT_TRUE(quit);
    EXPECT_EQ(message.wParam, 0u);
    EXPECT_LT(took, 600ms);
}

TEST(ConnectFailedLog, PassesTheResultThroughUnchanged) {
    SimulatedMixxx mixxx;
    ASSERT_TRUE(mixxx.child());
    Result<SharedBridge> failed = log_connect_failed(Error{"cannot connect: x"}, mixxx.child());
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error(), "cannot connect: x");
    Result<SharedBridge> passed = log_connect_failed(SharedBridge{}, mixxx.child());
    EXPECT_TRUE(passed);
}

TEST(RunContext, StartsWithDeckOneAnnouncementsOnAndKeyHelpOff) {
    SpeechRecord voice = speech_record();
    ManualClock clock(ManualClock::Sleeping::advances_time);
    Context context(voice.speech, nullptr, clock);
    EXPECT_EQ(context.deck.load(), 1);
    EXPECT_TRUE(context.announce.load());
    EXPECT_FALSE(context.key_help.load());
    EXPECT_EQ(context.play_quiet_until.value, clock.now());
    EXPECT_FALSE(context.muted.value);
    EXPECT_FALSE(context.last_marker.value);
    EXPECT_FALSE(context.editor_opener.value);
    EXPECT_FALSE(context.beatmatch_monitor.value);
    ASSERT_TRUE(context.beat_grid);
    EXPECT_TRUE(context.beat_grid->state.move_totals.empty());
    EXPECT_FALSE(context.beat_grid->state.clicks);
    EXPECT_FALSE(context.beat_grid->state.last_tap);
    EXPECT_NE(new_beat_grid_state(), new_beat_grid_state()) << "one record per run";
    // The context speaks through the run's own voice.
    say_str(context.speech, "hello");
    EXPECT_EQ(next_said(voice.spoken), "hello");
}

TEST(RunCallbacks, OpenerLivesInTheContextWithoutKeepingItAlive) {
    SpeechRecord voice = speech_record();
    auto context = std::make_shared<Context>(voice.speech, nullptr, system_clock());
    std::shared_ptr<EditorHooks> hooks = install_run_callbacks(context, 42, "C:\\config.toml");
    ASSERT_TRUE(context->editor_opener.value);
    EXPECT_TRUE(hooks->run && hooks->reload);
    // The opener is the key editor's: while an editor is being opened, a second request
    // leaves it alone.
    editor_window.store(-1);
    (*context->editor_opener.value)();
    EXPECT_EQ(editor_window.load(), -1);
    editor_window.store(0);

    WeakContext weak = context;
    hooks.reset();
    context.reset();
    EXPECT_TRUE(weak.expired()) << "context -> opener -> hooks -> run must not hold the context";
}

TEST(RunCallbacks, RunByIdRunsCatalogueFunctionsOnlyWhileTheContextLives) {
    SpeechRecord voice = speech_record();
    auto mixxx = std::make_shared<FakeMixxx>();
    mixxx->put("[Channel1]", "play", 0);
    mixxx->put("[Channel1]", "track_loaded", 1);
    auto context = std::make_shared<Context>(voice.speech, mixxx, system_clock());
    RunFunctionById run = make_run_function_by_id(context, 42);
    run("no_such_function");
    run("play@deck9");
    EXPECT_TRUE(mixxx->requests().empty()) << "an id the catalogue lacks runs nothing";
    EXPECT_EQ(voice.spoken.try_recv(), std::nullopt);
    // A known function runs on a thread of its own, as a key press would.
    run("play");
    EXPECT_TRUE(eventually([&] { return mixxx->value("[Channel1]", "play") == 1.0; }));
    ASSERT_TRUE(eventually([&] { return context.use_count() == 1; }));
    mixxx->forget_requests();
    context.reset();
    run("play");
    EXPECT_TRUE(mixxx->requests().empty()) << "nothing runs once the context is gone";
}

TEST(EditorRequests, EachSignalCallsTheOpenerUntilTheContextIsGone) {
    // Created here first, with the watcher's own settings, so the test can signal it at once.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, L"Local\\CuevoiceOpenKeyEditor");
    ASSERT_NE(event, nullptr);
    SpeechRecord voice = speech_record();
    auto context = std::make_shared<Context>(voice.speech, nullptr, system_clock());
    std::atomic<int> opened{0};
    context->editor_opener.value = [&] { ++opened; };
    std::thread watcher(watch_editor_requests, WeakContext(context));

    SetEvent(event);
    EXPECT_TRUE(eventually([&] { return opened == 1; }));
    SetEvent(event);
    EXPECT_TRUE(eventually([&] { return opened == 2; }));

    context.reset();
    SetEvent(event);
    watcher.join(); // it ends at the first signal without a context
    EXPECT_EQ(opened, 2);
    CloseHandle(event);
}
