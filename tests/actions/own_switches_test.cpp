// The program's own switches: silence, announcements, key help, the key editor, and the
// plug-in's widget list.
#include <gtest/gtest.h>

#include <thread>

#include "action_bench.h"
#include "actions/dump_widgets.h"
#include "actions/run_hotkey.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

void run(ActionBench& bench, Action action) {
    run_hotkey(*bench.context, "", *bound_action(std::move(action)));
}

TEST(StopSpeech, SendsStopAndSaysNothing) {
    ActionBench bench;
    run(bench, StopSpeechAction{});
    std::vector<SpeechMessage> messages = bench.speech_messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<Stop>(messages[0]));
    EXPECT_TRUE(bench.link->sent().empty());
}

TEST(OwnSwitches, AnnouncementsAndKeyHelpFlipAndSayTheirNewState) {
    ActionBench bench;
    run(bench, ToggleAnnounceAction{});
    EXPECT_FALSE(bench.context->announce.load());
    run(bench, ToggleAnnounceAction{});
    EXPECT_TRUE(bench.context->announce.load());
    EXPECT_EQ(bench.spoken(), (Lines{"Announcements off", "Announcements on"}));

    run(bench, KeyHelpAction{});
    EXPECT_TRUE(bench.context->key_help.load());
    // With key help on, its own key still runs (a key text that is not empty).
    run_hotkey(*bench.context, "ctrl+alt+f1", *bound_action(KeyHelpAction{}, "key help"));
    EXPECT_FALSE(bench.context->key_help.load());
    EXPECT_EQ(bench.spoken(),
              (Lines{"Key help on. Press any Cuevoice key to hear what it does.", "Key help off"}));
    EXPECT_TRUE(bench.link->sent().empty());
}

TEST(OwnSwitches, FlipsFromTwoThreadsAtOnceAreNeverLost) {
    ActionBench bench;
    constexpr int flips_each = 2000; // even: the flag ends where it started
    auto flipper = [&] {
        for (int i = 0; i < flips_each; ++i)
            run(bench, ToggleAnnounceAction{});
    };
    std::thread a(flipper), b(flipper);
    a.join();
    b.join();
    EXPECT_TRUE(bench.context->announce.load());
    int on = 0, off = 0;
    for (const std::string& text : bench.spoken())
        (text == "Announcements on" ? on : off)++;
    EXPECT_EQ(on, flips_each);
    EXPECT_EQ(off, flips_each);
}

TEST(KeyEditor, CallsTheOpenerAndSaysNothing) {
    ActionBench bench;
    run(bench, KeyEditorAction{}); // no opener yet: nothing happens, nothing is said
    EXPECT_TRUE(bench.spoken().empty());

    int opened = 0;
    {
        std::lock_guard lock(bench.context->editor_opener.mutex);
        bench.context->editor_opener.value = [&] { ++opened; };
    }
    run(bench, KeyEditorAction{});
    run(bench, KeyEditorAction{});
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(DumpWidgets, WaitsUpToThirtySecondsAndSaysTheCount) {
    ActionBench bench;
    bench.mixxx.answer("dumpwidgets", {{"count", 212}});
    run(bench, DumpWidgetsAction{});
    EXPECT_EQ(bench.spoken(), Lines{"212 widgets written to the plugin log"});
    const std::vector<FakeMixxx::SentRequest> sent = bench.mixxx.requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].message, json({{"cmd", "dumpwidgets"}}));
    EXPECT_EQ(sent[0].wait_seconds, 30);

    bench.mixxx.fail_all();
    run(bench, DumpWidgetsAction{});
    EXPECT_EQ(bench.spoken(), Lines{"Error: Mixxx did not answer"});
}

TEST(DumpWidgets, OnlyAWholeCountThatIsNotNegativeCounts) {
    struct Case {
        std::string reply;
        std::uint64_t count;
    };
    for (const Case& c :
         {Case{R"({"count":7})", 7}, Case{R"({"count":0})", 0},
          Case{R"({"count":18446744073709551615})", 18446744073709551615u},
          Case{R"({"count":-3})", 0}, Case{R"({"count":7.0})", 0}, Case{R"({"count":1e3})", 0},
          Case{R"({"count":"7"})", 0}, Case{R"({"count":null})", 0}, Case{R"({"ok":true})", 0}})
        EXPECT_EQ(widget_count(json::parse(c.reply)), c.count) << c.reply;

    ActionBench bench;
    bench.mixxx.answer("dumpwidgets", json::object());
    run(bench, DumpWidgetsAction{});
    EXPECT_EQ(bench.spoken(), Lines{"0 widgets written to the plugin log"});
}

} // namespace
} // namespace cuevoice::test
