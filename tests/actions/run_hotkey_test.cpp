// One press from the key to the spoken result: key help, the deck, the dispatcher, the errors,
// and the worker that runs the presses in order.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>

#include "action_bench.h"
#include "actions/dispatch.h"
#include "actions/run_hotkey.h"
#include "test_support.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

ToggleAction toggle_of(std::string group, std::string control) {
    return ToggleAction{ControlTarget{std::move(group), std::move(control)}, std::nullopt};
}

TEST(RunHotkey, KeyHelpSpeaksTheKeyAndTheFunctionAndRunsNothing) {
    ActionBench bench;
    bench.context->key_help = true;
    run_hotkey(*bench.context, "ctrl+alt+p",
               *bound_action(toggle_of("[Channel{deck}]", "play"), "Play / pause"));
    run_hotkey(*bench.context, "ctrl+shift+pageup", *bound_action(SelectDeckAction{2}, "Deck 2"));
    EXPECT_EQ(bench.spoken(), (Lines{"Ctrl Alt P: Play / pause", "Ctrl Shift Page Up: Deck 2"}));
    EXPECT_TRUE(bench.link->sent().empty());
    EXPECT_EQ(bench.context->deck.load(), 1);
}

TEST(RunHotkey, KeyHelpLetsItsOwnKeyAndKeylessRunsThrough) {
    ActionBench bench;
    bench.context->key_help = true;
    bench.mixxx.put("[Channel2]", "track_loaded", 0);
    // Started from the key editor or a test step: no key text, so the function runs.
    run_hotkey(*bench.context, "", *bound_action(SelectDeckAction{2}, "Deck 2"));
    EXPECT_EQ(bench.spoken(), Lines{"Deck 2. empty"});
    // The key-help key itself is never explained.
    run_hotkey(*bench.context, "ctrl+alt+h", *bound_action(KeyHelpAction{}, "Key help"));
    for (const std::string& text : bench.spoken())
        EXPECT_EQ(text.find("Ctrl Alt H"), std::string::npos) << text;
}

TEST(RunHotkey, AFixedDeckActsOnItsDeckAndLeavesTheCurrentOne) {
    ActionBench bench;
    bench.context->announce = false;
    bench.mixxx.put("[Channel1]", "pfl", 0);
    bench.mixxx.put("[Channel2]", "pfl", 0);
    run_hotkey(*bench.context, "ctrl+alt+shift+h",
               *bound_action(toggle_of("[Channel{deck}]", "pfl"), "Headphones, deck 2", 2));
    EXPECT_EQ(bench.mixxx.value("[Channel2]", "pfl"), 1.0);
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "pfl"), 0.0);
    EXPECT_EQ(bench.context->deck.load(), 1);

    // Without a fixed deck the current deck, as it is at the press.
    bench.context->deck = 3;
    bench.mixxx.put("[Channel3]", "pfl", 0);
    run_hotkey(*bench.context, "ctrl+alt+h",
               *bound_action(toggle_of("[Channel{deck}]", "pfl"), "Headphones"));
    EXPECT_EQ(bench.mixxx.value("[Channel3]", "pfl"), 1.0);
}

TEST(RunHotkey, ErrorsAreSpokenInterruptingAndTheNextPressStillRuns) {
    ActionBench bench;
    bench.mixxx.fail_all();
    run_hotkey(*bench.context, "", *bound_action(toggle_of("[Channel1]", "play")));
    std::vector<SpeechMessage> messages = bench.speech_messages();
    ASSERT_EQ(messages.size(), 1u);
    const Say& said = std::get<Say>(messages[0]);
    EXPECT_EQ(said.text, "Error: [Channel1],play: Mixxx did not answer");
    EXPECT_TRUE(said.interrupt);

    bench.mixxx.fail_all(std::nullopt);
    bench.mixxx.put("[Channel1]", "track_loaded", 0);
    run_hotkey(*bench.context, "", *bound_action(SelectDeckAction{1}));
    EXPECT_EQ(bench.spoken(), Lines{"Deck 1. empty"});
}

TEST(Dispatch, AHoldWithoutItsKeyIsPressedAndReleased) {
    ActionBench bench;
    bench.mixxx.put("[Channel2]", "cue_default", 0);
    Result<void> result = dispatch_action(
        *bench.context, HoldAction{ControlTarget{"[Channel{deck}]", "cue_default"}, {}, {}}, 2);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"set [Channel2] cue_default value 1", "set [Channel2] cue_default value 0"}));
}

struct Worker {
    explicit Worker(
        ActionBench& bench, KeyIsDown key = [](std::uint32_t) { return false; }) {
        auto [sender, receiver] = make_channel<HotKeyPress>();
        jobs = std::move(sender);
        thread = std::thread([context = bench.context, receiver = std::move(receiver),
                              key = std::move(key)]() mutable {
            run_action_worker(std::move(context), std::move(receiver), std::move(key));
        });
    }
    void send(std::string key_text, SharedBoundAction bound) {
        jobs.send(HotKeyPress{std::move(key_text), std::move(bound)});
    }
    // The worker returns once its last sender is gone.
    void finish() {
        jobs.reset();
        if (thread.joinable())
            thread.join();
    }
    ~Worker() { finish(); }
    ActionSender jobs;
    std::thread thread;
};

TEST(ActionWorker, RunsJobsOneAtATimeInArrivalOrder) {
    ActionBench bench;
    bench.context->announce = false;
    for (const char* control : {"pfl", "quantize", "keylock"})
        bench.mixxx.put("[Channel1]", control, 0);
    Worker worker(bench);
    for (const char* control : {"pfl", "quantize", "keylock"})
        worker.send("", bound_action(toggle_of("[Channel1]", control)));
    worker.finish();
    // Each toggle's get, set and re-read come before the next toggle's first request.
    EXPECT_EQ(
        bench.link->sent_texts(),
        (Lines{"get [Channel1] pfl value", "set [Channel1] pfl value 1", "get [Channel1] pfl value",
               "get [Channel1] quantize value", "set [Channel1] quantize value 1",
               "get [Channel1] quantize value", "get [Channel1] keylock value",
               "set [Channel1] keylock value 1", "get [Channel1] keylock value"}));
    EXPECT_EQ(bench.spoken(), (Lines{"headphones on", "quantize on", "key lock on"}));
}

TEST(ActionWorker, AHeldKeyDoesNotHoldUpTheNextJob) {
    ActionBench bench;
    bench.context->announce = false;
    bench.mixxx.put("[Channel1]", "cue_default", 0);
    bench.mixxx.put("[Channel1]", "pfl", 0);
    // The key stays down, in real time, until the test lets it go.
    auto key_down = std::make_shared<std::atomic<bool>>(true);
    struct LetGo {
        std::shared_ptr<std::atomic<bool>> key;
        ~LetGo() { *key = false; }
    } let_go{key_down};
    Worker worker(bench, [key_down](std::uint32_t) {
        while (*key_down)
            std::this_thread::sleep_for(1ms);
        return false;
    });
    worker.send("ctrl+alt+c",
                bound_action(HoldAction{ControlTarget{"[Channel1]", "cue_default"}, {}, {}}));
    ASSERT_TRUE(eventually([&] { return bench.mixxx.value("[Channel1]", "cue_default") == 1.0; }));
    worker.send("ctrl+alt+h", bound_action(toggle_of("[Channel1]", "pfl")));
    ASSERT_TRUE(eventually([&] { return bench.mixxx.value("[Channel1]", "pfl") == 1.0; }));
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "cue_default"), 1.0) << "still held";

    *key_down = false;
    EXPECT_TRUE(eventually([&] { return bench.mixxx.value("[Channel1]", "cue_default") == 0.0; }));
    worker.finish();
    // The held key's thread lets its context go when it ends.
    EXPECT_TRUE(eventually([&] { return bench.context.use_count() == 1; }));
}

} // namespace
} // namespace cuevoice::test
