// The test script's steps and log lines, and the hot-key conflict report.
#include <gtest/gtest.h>

#include <thread>

#include "action_bench.h"
#include "actions/conflict_report.h"
#include "actions/test_script.h"
#include "config/key_map.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;
using Sleeps = std::vector<ManualClock::duration>;

struct ScriptRun {
    Lines log;
    std::vector<HotKeyPress> jobs;
    Sleeps sleeps;
};

// Runs a script over a hot-key table of one row, ctrl+alt+p, on a clock that moves with
// every sleep.
ScriptRun run_script(FakeMixxx& mixxx, const std::string& script) {
    ManualClock clock(ManualClock::Sleeping::advances_time);
    ScriptRun result;
    const HotKeyRow row{
        "ctrl+alt+p",
        std::make_shared<const BoundAction>(BoundAction{
            "Play / pause", ToggleAction{ControlTarget{"[Channel{deck}]", "play"}, {}}, {}}),
        modifier_ctrl | modifier_alt, 'P', false};
    TestScriptHooks hooks{clock, [&](std::string line) { result.log.push_back(std::move(line)); },
                          [&](const KeyChord& chord) -> std::optional<HotKeyPress> {
                              if (chord.modifiers == row.modifiers && chord.vk == row.vk)
                                  return HotKeyPress{row.key_text, row.bound};
                              return std::nullopt;
                          }};
    auto [sender, receiver] = make_channel<HotKeyPress>();
    // The link is shared with the script; the fake stays the test's.
    struct Forward final : MixxxLink {
        FakeMixxx& mixxx;
        explicit Forward(FakeMixxx& m) : mixxx(m) {}
        Result<json> request(json message, int wait) override {
            return mixxx.request(std::move(message), wait);
        }
    };
    run_test_script(std::move(sender), script, std::make_shared<Forward>(mixxx), hooks);
    while (std::optional<HotKeyPress> job = receiver.try_recv())
        result.jobs.push_back(std::move(*job));
    EXPECT_FALSE(receiver.recv().has_value()) << "the script lets its end of the channel go";
    result.sleeps = clock.sleeps();
    return result;
}

TEST(TestScript, AnEmptyScriptOnlySaysDoneAfterOneSecond) {
    FakeMixxx mixxx;
    for (const char* script : {"", " ; ;\t"}) {
        ScriptRun run = run_script(mixxx, script);
        EXPECT_EQ(run.log, Lines{"test: done"});
        EXPECT_EQ(run.sleeps, Sleeps{1s});
    }
}

TEST(TestScript, SleepKeyAndLogStepsInOrder) {
    FakeMixxx mixxx;
    mixxx.put("[Channel1]", "play", 1);
    mixxx.put("[Channel2]", "play", 0);
    ScriptRun run =
        run_script(mixxx, "sleep:500; ;  ctrl+alt+p  ;log:[Channel1],play|x|[Channel2],play");
    EXPECT_EQ(run.sleeps, (Sleeps{1s, 500ms, 900ms}));
    EXPECT_EQ(run.log, (Lines{"test key: ctrl+alt+p", "test: [Channel1],play=1  [Channel2],play=0",
                              "test: done"}));
    ASSERT_EQ(run.jobs.size(), 1u);
    EXPECT_EQ(run.jobs[0].key_text, "ctrl+alt+p");
    EXPECT_EQ(run.jobs[0].bound->name, "Play / pause");
}

TEST(TestScript, SleepReadsAPlainUnsignedNumberOrNothing) {
    FakeMixxx mixxx;
    struct Case {
        std::string step;
        ManualClock::duration slept;
    };
    for (const Case& c :
         {Case{"sleep:250", 250ms}, Case{"sleep:+250", 250ms}, Case{"sleep: 500", 0ms},
          Case{"sleep:", 0ms}, Case{"sleep:+", 0ms}, Case{"sleep:-5", 0ms}, Case{"sleep:5ms", 0ms},
          Case{"sleep:18446744073709551616", 0ms}}) {
        ScriptRun run = run_script(mixxx, c.step);
        EXPECT_EQ(run.sleeps, (Sleeps{1s, c.slept})) << c.step;
        EXPECT_EQ(run.log, Lines{"test: done"}) << c.step;
    }
}

TEST(TestScript, SetStepsSetAndLogTheNumberPlainly) {
    FakeMixxx mixxx;
    mixxx.put("[Channel1]", "play", 0);
    mixxx.put("[Channel1]", "rate", 0);
    ScriptRun run = run_script(mixxx, "set:[Channel1],play=1;set:[Channel1],rate= -2.5e-1 ;"
                                      "set:[Channel1],rate=1e21;set:[Nowhere],x=+3");
    EXPECT_EQ(run.log, (Lines{"test: set [Channel1],play=1", "test: set [Channel1],rate=-0.25",
                              "test: set [Channel1],rate=1000000000000000000000",
                              "test: set [Nowhere],x=3", "test: done"}));
    EXPECT_EQ(mixxx.value("[Channel1]", "play"), 1.0);
    EXPECT_EQ(mixxx.value("[Channel1]", "rate"), 1e21);
    EXPECT_EQ(run.sleeps, Sleeps{1s});
}

TEST(TestScript, MalformedSetStepsAreNamedAndTheScriptGoesOn) {
    FakeMixxx mixxx;
    mixxx.put("[Channel1]", "play", 0);
    for (const char* step :
         {"set:[Channel1]play=1", "set:[Channel1],play=on", "set:[Channel1],play",
          "set:[Channel1]=1,play", "set:[Channel1],play=", "set:[Channel1],play=1x"}) {
        ScriptRun run = run_script(mixxx, std::string(step) + ";log:[Channel1],play");
        EXPECT_EQ(run.log, (Lines{"test: bad step " + std::string(step), "test: [Channel1],play=0",
                                  "test: done"}))
            << step;
    }
}

TEST(TestScript, LogStepsRoundToThreeDecimalsAndMarkFailedReads) {
    FakeMixxx mixxx;
    mixxx.put("[Channel1]", "rate", 0.0625);
    mixxx.put("[Channel2]", "rate", -0.0625);
    mixxx.put("[Channel1]", "bpm", 128);
    mixxx.put("[Channel1]", "position", 0.12345);
    ScriptRun run =
        run_script(mixxx, "log:[Channel1],rate|[Channel2],rate|[Channel1],bpm|[Channel1],position|"
                          "[Nowhere],x; log:no pieces here; log: [Channel1],bpm");
    EXPECT_EQ(run.log,
              (Lines{"test: [Channel1],rate=0.063  [Channel2],rate=-0.063  [Channel1],bpm=128  "
                     "[Channel1],position=0.123  [Nowhere],x=?",
                     "test: ", "test:  [Channel1],bpm=?", "test: done"}));
}

TEST(TestScript, RunStepsSendTheFunctionWithoutAKey) {
    FakeMixxx mixxx;
    ScriptRun run = run_script(mixxx, "run:play;run:no_such_function;run:play@deck2");
    EXPECT_EQ(run.log, (Lines{"test run: play", "test: unknown function no_such_function",
                              "test run: play@deck2", "test: done"}));
    EXPECT_EQ(run.sleeps, (Sleeps{1s, 900ms, 900ms, 900ms}));
    ASSERT_EQ(run.jobs.size(), 2u);
    EXPECT_EQ(run.jobs[0].key_text, "");
    EXPECT_EQ(run.jobs[0].bound->name, "Play / pause");
    EXPECT_EQ(run.jobs[1].bound->fixed_deck, std::optional<std::uint8_t>(2));
}

TEST(TestScript, KeyStepsFindTheRowByChordNotSpelling) {
    FakeMixxx mixxx;
    ScriptRun run = run_script(mixxx, "Ctrl + Alt + P;ctrl+alt+q;hello;alt+ctrl+p");
    EXPECT_EQ(run.log, (Lines{"test key: Ctrl + Alt + P", "test: unknown key ctrl+alt+q",
                              "test: unknown key hello", "test key: alt+ctrl+p", "test: done"}));
    EXPECT_EQ(run.sleeps, (Sleeps{1s, 900ms, 900ms, 900ms, 900ms}));
    ASSERT_EQ(run.jobs.size(), 2u);
    EXPECT_EQ(run.jobs[0].key_text, "ctrl+alt+p");
    EXPECT_EQ(run.jobs[1].key_text, "ctrl+alt+p");
}

TEST(ConflictReport, CountsAndListsTheKeysWithoutASingular) {
    EXPECT_EQ(hotkey_conflicts_text({}), std::nullopt);
    EXPECT_EQ(hotkey_conflicts_text({"ctrl+alt+p"}),
              "1 hotkeys are used by another program: ctrl+alt+p");
    EXPECT_EQ(hotkey_conflicts_text({"ctrl+alt+p", "ctrl+alt+o", "ctrl+shift+f1"}),
              "3 hotkeys are used by another program: ctrl+alt+p, ctrl+alt+o, ctrl+shift+f1");
}

TEST(ConflictReport, SpeaksQueuedFiveSecondsLaterWhatFailedByThen) {
    for (bool any_failed : {true, false}) {
        ManualClock clock;
        auto [speech, heard] = make_channel<SpeechMessage>();
        std::vector<std::string> failed;
        std::thread report([&, speech = std::move(speech)]() mutable {
            announce_hotkey_conflicts(std::move(speech), clock, [&] { return failed; });
        });
        ASSERT_TRUE(clock.wait_for_sleepers(1));
        // Registration goes on meanwhile; the list is read once the five seconds are over.
        if (any_failed)
            failed = {"ctrl+alt+p", "ctrl+alt+o"};
        clock.advance(4999ms);
        EXPECT_FALSE(heard.try_recv().has_value());
        clock.advance(1ms);
        report.join();
        std::optional<SpeechMessage> said = heard.try_recv();
        if (!any_failed) {
            EXPECT_FALSE(said.has_value());
            continue;
        }
        ASSERT_TRUE(said.has_value());
        EXPECT_EQ(std::get<Say>(*said).text,
                  "2 hotkeys are used by another program: ctrl+alt+p, ctrl+alt+o");
        EXPECT_FALSE(std::get<Say>(*said).interrupt);
        EXPECT_FALSE(heard.recv().has_value()) << "said once, then the speech handle goes";
    }
}

} // namespace
} // namespace cuevoice::test
