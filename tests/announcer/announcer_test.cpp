// The announcer: what it says for each change, what it keeps quiet about, its re-reads on the
// hand-moved clock, the growing deck list and the end of its loop.
#include <gtest/gtest.h>

#include <thread>

#include "announcer/announcer.h"
#include "bench.h"
#include "context/muted_control.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

ChangeEvent change(std::string group, std::string key, double value) {
    return ChangeEvent{std::move(group), std::move(key), value};
}

struct Setting {
    std::string group;
    std::string key;
    double value;
};

struct TextCase {
    std::string name;
    std::uint8_t current_deck;
    std::vector<Setting> mixxx;     // what a re-read finds
    std::optional<double> previous; // the value seen before, in the watched table
    ChangeEvent event;
    Lines heard;
};

json deckinfo(std::vector<std::pair<std::string, std::string>> labels) {
    json list = json::array();
    for (auto& [label, text] : labels)
        list.push_back({{"label", label}, {"text", text}});
    return {{"labels", list}};
}

TEST(Announcer, SpeaksEachChangeWithItsText) {
    const std::vector<TextCase> cases = {
        {"microphone on", 1, {}, 0, change("[Microphone]", "talkover", 1), {"Microphone on"}},
        {"microphone off", 1, {}, 1, change("[Microphone]", "talkover", 0), {"Microphone off"}},
        {"recording started", 1, {}, 1, change("[Recording]", "status", 2), {"Recording started"}},
        {"recording in between", 1, {}, 0, change("[Recording]", "status", 1), {}},
        {"recording stopped", 1, {}, 2, change("[Recording]", "status", 0), {"Recording stopped"}},
        {"recording 0 first", 1, {}, std::nullopt, change("[Recording]", "status", 0), {}},
        {"broadcast connected",
         1,
         {},
         1,
         change("[Shoutcast]", "status", 2),
         {"Live broadcast connected"}},
        {"broadcast failed",
         1,
         {},
         1,
         change("[Shoutcast]", "status", 3),
         {"Live broadcast failed to connect"}},
        {"broadcast connecting", 1, {}, 0, change("[Shoutcast]", "status", 1), {}},
        {"broadcast on", 1, {}, 0, change("[Shoutcast]", "enabled", 1), {"Live broadcast on"}},
        {"broadcast off", 1, {}, 1, change("[Shoutcast]", "enabled", 0), {"Live broadcast off"}},
        {"auto dj on", 1, {}, 0, change("[AutoDJ]", "enabled", 1), {"Auto DJ on"}},
        {"auto dj off", 1, {}, 1, change("[AutoDJ]", "enabled", 0), {"Auto DJ off"}},
        {"sampler playing", 1, {}, 0, change("[Sampler3]", "play", 1), {"Sampler 3 playing"}},
        {"sampler stopped", 1, {}, 1, change("[Sampler12]", "play", 0), {"Sampler 12 stopped"}},
        {"headphones here", 1, {}, 0, change("[Channel1]", "pfl", 1), {"Headphones on"}},
        {"headphones there", 1, {}, 1, change("[Channel2]", "pfl", 0), {"Deck 2 headphones off"}},
        {"key lock", 2, {}, 0, change("[Channel2]", "keylock", 1), {"Key lock on"}},
        {"key lock there", 2, {}, 0, change("[Channel1]", "keylock", 1), {"Deck 1 key lock on"}},
        {"sync", 1, {}, 1, change("[Channel1]", "sync_enabled", 0), {"Sync off"}},
        {"sync there", 1, {}, 0, change("[Channel4]", "sync_enabled", 1), {"Deck 4 sync on"}},
        {"loop on",
         1,
         {{"[Channel1]", "beatloop_size", 4}},
         0,
         change("[Channel1]", "loop_enabled", 1),
         {"Loop 4 beats"}},
        {"loop of one beat there",
         1,
         {{"[Channel2]", "beatloop_size", 1}},
         0,
         change("[Channel2]", "loop_enabled", 1),
         {"Deck 2 loop 1 beat"}},
        {"loop of half a beat",
         1,
         {{"[Channel1]", "beatloop_size", 0.5}},
         0,
         change("[Channel1]", "loop_enabled", 1),
         {"Loop 0.5 beats"}},
        {"loop size unreadable",
         1,
         {},
         0,
         change("[Channel1]", "loop_enabled", 1),
         {"Loop 0 beats"}},
        {"loop off", 1, {}, 1, change("[Channel1]", "loop_enabled", 0), {"Loop off"}},
        {"ejected", 1, {}, 1, change("[Channel2]", "track_loaded", 0), {"Deck 2 empty"}},
        {"ejected here", 1, {}, 1, change("[Channel1]", "track_loaded", 0), {"Empty"}},
        {"loaded without deck info",
         1,
         {},
         0,
         change("[Channel1]", "track_loaded", 1),
         {"Loaded. "}},
        {"playing",
         1,
         {{"[Channel1]", "track_loaded", 1}},
         0,
         change("[Channel1]", "play", 1),
         {"Playing"}},
        {"paused there",
         1,
         {{"[Channel2]", "track_loaded", 1}},
         1,
         change("[Channel2]", "play", 0),
         {"Deck 2 paused"}},
        {"play without a track here",
         1,
         {{"[Channel1]", "track_loaded", 0}},
         0,
         change("[Channel1]", "play", 1),
         {"No track loaded"}},
        {"play without a track there",
         1,
         {{"[Channel3]", "track_loaded", 0}},
         0,
         change("[Channel3]", "play", 1),
         {"Deck 3 has no track loaded"}},
        {"stop without a track",
         1,
         {{"[Channel3]", "track_loaded", 0}},
         1,
         change("[Channel3]", "play", 0),
         {}},
        {"play, track unreadable", 1, {}, 0, change("[Channel2]", "play", 1), {"Deck 2 playing"}},
        {"clipping here", 1, {}, 0, change("[Channel1]", "peak_indicator", 1), {"Clipping"}},
        {"clipping there",
         1,
         {},
         0,
         change("[Channel2]", "peak_indicator", 1),
         {"Deck 2 clipping"}},
        {"main clipping",
         1,
         {},
         0,
         change("[Main]", "peak_indicator", 1),
         {"Main output clipping"}},
        {"clipping ends", 1, {}, 1, change("[Main]", "peak_indicator", 0), {}},
        {"hotcue set",
         1,
         {{"[Channel1]", "hotcue_3_status", 1}},
         0,
         change("[Channel1]", "hotcue_3_status", 1),
         {"Hotcue 3 set"}},
        {"hotcue set there",
         1,
         {{"[Channel2]", "hotcue_16_status", 1}},
         0,
         change("[Channel2]", "hotcue_16_status", 1),
         {"Deck 2 hotcue 16 set"}},
        {"hotcue cleared",
         1,
         {{"[Channel1]", "hotcue_1_status", 0}},
         1,
         change("[Channel1]", "hotcue_1_status", 0),
         {"Hotcue 1 cleared"}},
        {"hotcue unreadable",
         1,
         {},
         0,
         change("[Channel1]", "hotcue_2_status", 1),
         {"Hotcue 2 set"}},
        {"hotcue first seen",
         1,
         {{"[Channel1]", "hotcue_2_status", 1}},
         std::nullopt,
         change("[Channel1]", "hotcue_2_status", 1),
         {"Hotcue 2 set"}},
        {"unreported control", 1, {}, 0, change("[Channel1]", "volume", 1), {}},
        {"unknown hotcue key", 1, {}, 0, change("[Channel1]", "hotcue_x_status", 1), {}},
        {"deck key of a sampler", 1, {}, 0, change("[Sampler1]", "pfl", 1), {}},
        {"unnamed event", 1, {}, 0, change("", "", 1), {}},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        bench.context->deck = c.current_deck;
        for (const Setting& s : c.mixxx)
            bench.mixxx.put(s.group, s.key, s.value);
        WatchedValues watched;
        if (c.previous)
            watched[{c.event.group, c.event.key}] = *c.previous;
        Announcer announcer(bench.context, watched);
        announcer.handle(c.event);
        EXPECT_EQ(bench.spoken(), c.heard);
        EXPECT_EQ(announcer.watched().at({c.event.group, c.event.key}), c.event.value);
    }
}

TEST(Announcer, ALoadedTrackIsToldWithItsTextAfter300Milliseconds) {
    Bench bench;
    bench.mixxx.answer(
        "deckinfo",
        deckinfo({{"title", "Night Drive"}, {"artist", "Aurora Lane"}, {"time", "3:25"}}));
    Announcer announcer(bench.context, {{{"[Channel2]", "track_loaded"}, 0.0}});
    announcer.handle(change("[Channel2]", "track_loaded", 1));
    EXPECT_EQ(bench.spoken(), Lines{"Deck 2 loaded. Night Drive. Aurora Lane"});

    std::vector<StampedRequest> sent = bench.link->sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].message.value("cmd", ""), "deckinfo");
    EXPECT_EQ(sent[0].message.value("deck", 0), 2);
    EXPECT_EQ(sent[0].at, 300ms); // asked only after the wait, not before it
}

TEST(Announcer, EventsArrivingDuringAWaitAreHandledAfterItInOrder) {
    Bench bench(ManualClock::Sleeping::waits_for_advance);
    auto [sender, receiver] = make_channel<BridgeEvent>();
    std::thread loop([&, events = std::move(receiver)]() mutable {
        run_announcer(bench.context, std::move(events), {{{"[Channel1]", "track_loaded"}, 0.0}});
    });
    sender.send(Changed{change("[Channel1]", "track_loaded", 1)});
    ASSERT_TRUE(bench.clock.wait_for_sleepers(1));
    sender.send(Changed{change("[Channel1]", "pfl", 1)});
    sender.send(Disconnected{});
    EXPECT_TRUE(bench.spoken().empty()); // still waiting: the later event waits too
    bench.clock.advance(300ms);
    loop.join();
    EXPECT_EQ(bench.spoken(), (Lines{"Loaded. ", "Headphones on"}));
}

TEST(Announcer, AHotcueCountsByItsValue150MillisecondsLater) {
    Bench bench(ManualClock::Sleeping::waits_for_advance);
    bench.mixxx.put("[Channel1]", "hotcue_3_status", 1);
    Announcer announcer(bench.context, {{{"[Channel1]", "hotcue_3_status"}, 0.0}});
    std::thread handling([&] { announcer.handle(change("[Channel1]", "hotcue_3_status", 1)); });
    ASSERT_TRUE(bench.clock.wait_for_sleepers(1));
    EXPECT_TRUE(bench.link->sent().empty());
    // Cleared again before the re-read: nothing changed, nothing is said.
    bench.mixxx.put("[Channel1]", "hotcue_3_status", 0);
    bench.clock.advance(150ms);
    handling.join();
    ASSERT_EQ(bench.link->sent().size(), 1u);
    EXPECT_EQ(bench.link->sent()[0].at, 150ms);
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(Announcer, AHotcueSpeaksOnlyWhenItTurnsBetweenSetAndCleared) {
    Bench bench;
    Announcer announcer(bench.context, {{{"[Channel1]", "hotcue_3_status"}, 0.0}});
    const std::pair<double, Lines> steps[] = {
        {1, {"Hotcue 3 set"}}, {2, {}}, {1, {}}, {0, {"Hotcue 3 cleared"}}, {2, {"Hotcue 3 set"}},
    };
    for (const auto& [value, heard] : steps) {
        bench.mixxx.put("[Channel1]", "hotcue_3_status", value);
        announcer.handle(change("[Channel1]", "hotcue_3_status", value));
        EXPECT_EQ(bench.spoken(), heard) << value;
    }
}

TEST(Announcer, AHotcueChangedUnheardStartsAgainFromTheLastValue) {
    Bench bench;
    Announcer announcer(bench.context, {{{"[Channel1]", "hotcue_3_status"}, 0.0}});
    bench.mixxx.put("[Channel1]", "hotcue_3_status", 1);
    announcer.handle(change("[Channel1]", "hotcue_3_status", 1));
    EXPECT_EQ(bench.spoken(), Lines{"Hotcue 3 set"});

    bench.context->announce = false;
    bench.mixxx.put("[Channel1]", "hotcue_3_status", 0);
    announcer.handle(change("[Channel1]", "hotcue_3_status", 0));
    bench.context->announce = true;
    EXPECT_TRUE(bench.spoken().empty());

    // Set again: the user hears it, though the state last spoken was "set" too.
    bench.mixxx.put("[Channel1]", "hotcue_3_status", 1);
    announcer.handle(change("[Channel1]", "hotcue_3_status", 1));
    EXPECT_EQ(bench.spoken(), Lines{"Hotcue 3 set"});
}

TEST(Announcer, TheSameValueTwiceIsSilent) {
    Bench bench;
    Announcer announcer(bench.context, {});
    announcer.handle(change("[Channel1]", "pfl", 1));
    announcer.handle(change("[Channel1]", "pfl", 1));
    announcer.handle(change("[Channel1]", "pfl", 0));
    EXPECT_EQ(bench.spoken(), (Lines{"Headphones on", "Headphones off"}));
}

TEST(Announcer, ChangesWhileAnnouncementsAreOffAreNeverSpokenLater) {
    Bench bench;
    Announcer announcer(bench.context, {{{"[AutoDJ]", "enabled"}, 0.0}});
    bench.context->announce = false;
    announcer.handle(change("[AutoDJ]", "enabled", 1));
    EXPECT_EQ(announcer.watched().at({"[AutoDJ]", "enabled"}), 1.0);
    bench.context->announce = true;
    announcer.handle(change("[AutoDJ]", "enabled", 1));
    EXPECT_TRUE(bench.spoken().empty());
    announcer.handle(change("[AutoDJ]", "enabled", 0));
    EXPECT_EQ(bench.spoken(), Lines{"Auto DJ off"});
}

TEST(Announcer, TheMutedControlIsQuietUntilItsDeadline) {
    Bench bench;
    Announcer announcer(bench.context, {});
    mute_control(*bench.context, "[Channel1]", "loop_enabled", bench.clock.now() + 1s);
    announcer.handle(change("[Channel1]", "loop_enabled", 0));
    announcer.handle(change("[Channel1]", "pfl", 1)); // another control of the same deck
    announcer.handle(change("[Channel2]", "loop_enabled", 0));
    EXPECT_EQ(bench.spoken(), (Lines{"Headphones on", "Deck 2 loop off"}));

    bench.clock.advance(999ms);
    announcer.handle(change("[Channel1]", "loop_enabled", 1));
    EXPECT_TRUE(bench.spoken().empty());
    bench.clock.advance(1ms);
    announcer.handle(change("[Channel1]", "loop_enabled", 0));
    EXPECT_EQ(bench.spoken(), Lines{"Loop off"});
}

TEST(Announcer, PlayChangesAreQuietBeforeThePlayQuietDeadline) {
    Bench bench;
    bench.mixxx.put("[Channel1]", "track_loaded", 1);
    Announcer announcer(bench.context, {});
    // Built just now, the deadline is the present: play is spoken.
    announcer.handle(change("[Channel1]", "play", 1));
    EXPECT_EQ(bench.spoken(), Lines{"Playing"});

    {
        std::lock_guard lock(bench.context->play_quiet_until.mutex);
        bench.context->play_quiet_until.value = bench.clock.now() + 500ms;
    }
    announcer.handle(change("[Channel1]", "play", 0));
    announcer.handle(change("[Channel1]", "pfl", 1)); // only play is kept quiet
    EXPECT_EQ(bench.spoken(), Lines{"Headphones on"});
    bench.clock.advance(500ms);
    announcer.handle(change("[Channel1]", "play", 1));
    EXPECT_EQ(bench.spoken(), Lines{"Playing"});
}

TEST(Announcer, ClippingSpeaksOnceUntil30QuietSeconds) {
    Bench bench;
    Announcer announcer(bench.context, {});
    auto peak = [&](const char* group, double value) {
        announcer.handle(change(group, "peak_indicator", value));
        return bench.spoken();
    };
    EXPECT_EQ(peak("[Channel1]", 1), Lines{"Clipping"});
    bench.clock.advance(1s);
    EXPECT_EQ(peak("[Channel1]", 0), Lines{});
    bench.clock.advance(1s);
    EXPECT_EQ(peak("[Channel1]", 1), Lines{});
    EXPECT_EQ(peak("[Channel2]", 1), Lines{"Deck 2 clipping"}); // a gate per group
    bench.clock.advance(29s);
    EXPECT_EQ(peak("[Channel1]", 0), Lines{}); // each change, falling too, restarts the 30 s
    bench.clock.advance(29s);
    EXPECT_EQ(peak("[Channel1]", 1), Lines{});
    bench.clock.advance(30s);
    EXPECT_EQ(peak("[Channel1]", 0), Lines{});
    bench.clock.advance(30s);
    EXPECT_EQ(peak("[Channel1]", 1), Lines{"Clipping"});
}

// Mixxx names its main output "[Master]" in older versions, and other groups have a peak
// indicator too: every one that is not a deck is the main output's clipping, gated on its own.
TEST(Announcer, APeakIndicatorOfAnyGroupButADeckIsMainOutputClippingGatedPerGroup) {
    Bench bench;
    Announcer announcer(bench.context, {});
    auto peak = [&](const char* group, double value) {
        announcer.handle(change(group, "peak_indicator", value));
        return bench.spoken();
    };
    // Each speaks: one gate per group, not one for all of them.
    for (const char* group : {"[Main]", "[Master]", "[Sampler1]", "[Channel]", "[Headphone]"})
        EXPECT_EQ(peak(group, 1), Lines{"Main output clipping"}) << group;
    bench.clock.advance(1s);
    EXPECT_EQ(peak("[Master]", 0), Lines{});
    EXPECT_EQ(peak("[Master]", 1), Lines{});
    bench.clock.advance(30s);
    EXPECT_EQ(peak("[Master]", 0), Lines{});
    bench.clock.advance(29s);
    EXPECT_EQ(peak("[Master]", 1), Lines{}); // the fall restarted the 30 s
    bench.clock.advance(30s);
    EXPECT_EQ(peak("[Master]", 0), Lines{});
    bench.clock.advance(30s);
    EXPECT_EQ(peak("[Master]", 1), Lines{"Main output clipping"});
}

TEST(Announcer, TheClippingGateCountsChangesWhileAnnouncementsAreOff) {
    Bench bench;
    Announcer announcer(bench.context, {});
    bench.context->announce = false;
    announcer.handle(change("[Main]", "peak_indicator", 1));
    bench.context->announce = true;
    bench.clock.advance(10s);
    announcer.handle(change("[Main]", "peak_indicator", 0));
    announcer.handle(change("[Main]", "peak_indicator", 1));
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(Announcer, MoreDecksAreWatchedFewerChangeNothing) {
    Bench bench;
    for (int deck = 3; deck <= 4; ++deck)
        bench.mixxx.put("[Channel" + std::to_string(deck) + "]", "play", 0);
    Announcer announcer(bench.context, {{{"[App]", "num_decks"}, 2.0}});
    announcer.handle(change("[App]", "num_decks", 4));
    Lines watches = bench.watches();
    ASSERT_EQ(watches.size(), 2u * 23);
    EXPECT_EQ(watches.front(), "watch [Channel3] play");
    EXPECT_EQ(watches[23], "watch [Channel4] play");
    EXPECT_EQ(watches.back(), "watch [Channel4] hotcue_16_status");
    EXPECT_EQ(announcer.watched().at({"[Channel4]", "play"}), 0.0);
    EXPECT_TRUE(bench.spoken().empty());

    bench.link->forget();
    announcer.handle(change("[App]", "num_decks", 2));
    EXPECT_TRUE(bench.link->sent().empty());
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(Announcer, DeckCountsMixxxNeverSendsStayBounded) {
    Bench bench;
    Announcer announcer(bench.context, {}); // no count seen yet: it counts as 0
    announcer.handle(change("[App]", "num_decks", 1.5));
    EXPECT_EQ(bench.watches().size(), 2u * 23);
    bench.link->forget();
    announcer.handle(change("[App]", "num_decks", 300));
    Lines watches = bench.watches();
    EXPECT_EQ(watches.size(), 253u * 23);
    EXPECT_EQ(watches.front(), "watch [Channel3] play");
    EXPECT_EQ(watches.back(), "watch [Channel255] hotcue_16_status");
    bench.link->forget();
    announcer.handle(change("[App]", "num_decks", -7));
    EXPECT_TRUE(bench.link->sent().empty());
    EXPECT_TRUE(bench.spoken().empty());
}

TEST(RunAnnouncer, EndsOnDisconnectedAndLeavesLaterEventsAlone) {
    Bench bench;
    auto [sender, receiver] = make_channel<BridgeEvent>();
    sender.send(Changed{change("[AutoDJ]", "enabled", 1)});
    sender.send(Disconnected{});
    sender.send(Changed{change("[AutoDJ]", "enabled", 0)});
    run_announcer(bench.context, std::move(receiver), {{{"[AutoDJ]", "enabled"}, 0.0}});
    EXPECT_EQ(bench.spoken(), Lines{"Auto DJ on"});
}

TEST(RunAnnouncer, EndsWhenTheLastSenderIsGone) {
    Bench bench;
    auto [sender, receiver] = make_channel<BridgeEvent>();
    sender.send(Changed{change("[Microphone]", "talkover", 1)});
    sender.reset();
    announcer_thread(bench.context, std::move(receiver), {});
    EXPECT_EQ(bench.spoken(), Lines{"Microphone on"});
}

} // namespace
} // namespace cuevoice::test
