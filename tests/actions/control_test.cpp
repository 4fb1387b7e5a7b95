// select_deck and toggle against a table-answered Mixxx, and the texts they are built from.
#include <gtest/gtest.h>

#include <thread>

#include "action_bench.h"
#include "actions/control_actions.h"
#include "actions/run_hotkey.h"
#include "common/small_number.h"
#include "context/track_text.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

ToggleAction toggle_of(std::string group, std::string control,
                       std::optional<std::string> label = std::nullopt) {
    return ToggleAction{ControlTarget{std::move(group), std::move(control)}, std::move(label)};
}

void run(ActionBench& bench, Action action, std::optional<std::uint8_t> fixed_deck = {}) {
    run_hotkey(*bench.context, "", *bound_action(std::move(action), "test", fixed_deck));
}

TEST(Toggle, PlaysALoadedDeckWithoutWordsWhileTheAnnouncerSpeaksIt) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "play", 0);
    bench.mixxx.put("[Channel1]", "track_loaded", 1);
    run(bench, toggle_of("[Channel{deck}]", "play"));

    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"get [Channel1] play value", "get [Channel1] track_loaded value",
                     "set [Channel1] play value 1", "get [Channel1] play value"}));
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "play"), 1.0);
    EXPECT_TRUE(bench.spoken().empty());
    EXPECT_EQ(bench.clock.sleeps(), std::vector<ManualClock::duration>{150ms});
}

TEST(Toggle, SpeaksLabelAndStateWhenAnnouncementsAreOffOrTheAnnouncerIsSilent) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "play", 1);
    bench.context->announce = false;
    run(bench, toggle_of("[Channel{deck}]", "play"));
    EXPECT_EQ(bench.spoken(), Lines{"play off"});
    // Switching off needs no track check.
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"get [Channel1] play value", "set [Channel1] play value 0",
                     "get [Channel1] play value"}));

    bench.context->announce = true;
    bench.mixxx.put("[Channel1]", "quantize", 0);
    run(bench, toggle_of("[Channel{deck}]", "quantize"));
    EXPECT_EQ(bench.spoken(), Lines{"quantize on"});
    run(bench, toggle_of("[Channel{deck}]", "quantize", "snap to beats"));
    EXPECT_EQ(bench.spoken(), Lines{"snap to beats off"});
}

TEST(Toggle, RereadsTheControlOnlyAfter150Milliseconds) {
    ActionBench bench(ManualClock::Sleeping::waits_for_advance);
    bench.mixxx.put("[Channel1]", "quantize", 0);
    std::thread action([&] { run(bench, toggle_of("[Channel1]", "quantize")); });
    ASSERT_TRUE(bench.clock.wait_for_sleepers(1));
    bench.clock.advance(149ms);
    std::this_thread::sleep_for(30ms); // room for a wrong early read to show
    EXPECT_EQ(bench.link->sent_texts().size(), 2u);
    bench.clock.advance(1ms);
    action.join();
    ASSERT_EQ(bench.link->sent().size(), 3u);
    EXPECT_EQ(bench.link->sent()[2].at, 150ms);
    EXPECT_EQ(bench.spoken(), Lines{"quantize on"});
}

TEST(Toggle, PlayWithoutATrackSaysWhichDeckAndSetsNothing) {
    struct Case {
        std::string group;
        std::uint8_t current_deck;
        std::string heard;
    };
    for (const Case& c : {Case{"[Channel1]", 1, "No track loaded"},
                          Case{"[Channel2]", 1, "Deck 2 has no track loaded"},
                          Case{"[Sampler3]", 1, "Sampler 3 has no track loaded"}}) {
        ActionBench bench;
        bench.context->deck = c.current_deck;
        bench.mixxx.put(c.group, "play", 0);
        bench.mixxx.put(c.group, "track_loaded", 0);
        run(bench, toggle_of(c.group, "play"));
        EXPECT_EQ(bench.spoken(), Lines{c.heard}) << c.group;
        EXPECT_EQ(bench.mixxx.value(c.group, "play"), 0.0);
        for (const std::string& line : bench.link->sent_texts())
            EXPECT_NE(line.rfind("set", 0), 0u) << line;
    }
}

TEST(Toggle, NoTrackTextNamesTheGroupUnlessItIsTheCurrentDeck) {
    EXPECT_EQ(no_track_text("[Channel3]", 3), "No track loaded");
    EXPECT_EQ(no_track_text("[Channel+3]", 3), "No track loaded");
    EXPECT_EQ(no_track_text("[Channel3]", 1), "Deck 3 has no track loaded");
    EXPECT_EQ(no_track_text("[Channel-3]", 3), "Deck -3 has no track loaded");
    EXPECT_EQ(no_track_text("[Sampler12]", 1), "Sampler 12 has no track loaded");
    EXPECT_EQ(no_track_text("[[PreviewDeck1]]", 1), "PreviewDeck1 has no track loaded");
}

TEST(Toggle, AnInputWithoutHardwareIsNotSwitchedOn) {
    ActionBench bench;
    bench.mixxx.put("[Microphone]", "talkover", 0);
    bench.mixxx.put("[Microphone]", "input_configured", 0);
    bench.mixxx.put("[Auxiliary1]", "main_mix", 0);
    bench.mixxx.put("[Auxiliary1]", "input_configured", 0);
    run(bench, toggle_of("[Microphone]", "talkover"));
    run(bench, toggle_of("[Auxiliary1]", "main_mix", "aux 1"));
    EXPECT_EQ(bench.spoken(),
              (Lines{"microphone not switched on. No microphone input is set up. Choose one in "
                     "Mixxx preferences, Sound Hardware, Input.",
                     "aux 1 not switched on. No input is set up for it. Choose one in Mixxx "
                     "preferences, Sound Hardware, Input."}));
    EXPECT_EQ(bench.mixxx.value("[Microphone]", "talkover"), 0.0);
    EXPECT_EQ(bench.mixxx.value("[Auxiliary1]", "main_mix"), 0.0);
}

TEST(Toggle, AnInputWhoseSetUpCannotBeReadIsSwitchedAnyway) {
    ActionBench bench;
    bench.mixxx.put("[Microphone2]", "talkover", 0); // no input_configured: its get fails
    bench.context->announce = false;
    run(bench, toggle_of("[Microphone2]", "talkover"));
    EXPECT_EQ(bench.mixxx.value("[Microphone2]", "talkover"), 1.0);
    EXPECT_EQ(bench.spoken(), Lines{"microphone on"});
}

TEST(Toggle, ARefusedSwitchIsSaidWithTheHintAndMutedForOneSecond) {
    ActionBench bench;
    bench.mixxx.put("[AutoDJ]", "enabled", 0);
    bench.mixxx.ignore_sets("[AutoDJ]", "enabled");
    run(bench, toggle_of("[AutoDJ]", "enabled", "Auto DJ"));
    EXPECT_EQ(bench.spoken(),
              Lines{"Auto DJ could not be switched on. Is the Auto DJ queue empty?"});
    std::lock_guard lock(bench.context->muted.mutex);
    ASSERT_TRUE(bench.context->muted.value.has_value());
    EXPECT_EQ(bench.context->muted.value->group, "[AutoDJ]");
    EXPECT_EQ(bench.context->muted.value->key, "enabled");
    EXPECT_EQ(bench.context->muted.value->until, bench.clock.now() + 1s);
}

TEST(Toggle, ARefusedSwitchOffHasNoHintForOtherControls) {
    ActionBench bench;
    bench.mixxx.put("[Recording]", "toggle_recording", 1);
    bench.mixxx.ignore_sets("[Recording]", "toggle_recording");
    run(bench, toggle_of("[Recording]", "toggle_recording", "recording"));
    EXPECT_EQ(bench.spoken(), Lines{"recording could not be switched off"});
}

TEST(Toggle, RequestErrorsEndTheToggleAndAreSpokenAsErrors) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "play", 0);
    bench.mixxx.fail_control("[Channel1]", "track_loaded", "unknown control");
    run(bench, toggle_of("[Channel1]", "play"));
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],track_loaded: unknown control"});
    EXPECT_EQ(bench.mixxx.value("[Channel1]", "play"), 0.0);

    bench.mixxx.fail_all();
    run(bench, toggle_of("[Channel1]", "play"));
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1],play: Mixxx did not answer"});
}

TEST(SmallNumber, TakesOnlyPlainDigitsUpTo255) {
    struct Case {
        std::string_view text;
        std::optional<std::uint8_t> value;
    };
    for (const Case& c :
         {Case{"0", 0}, Case{"7", 7}, Case{"+12", 12}, Case{"255", 255}, Case{"0042", 42},
          Case{"256", std::nullopt}, Case{"", std::nullopt}, Case{"+", std::nullopt},
          Case{"-", std::nullopt}, Case{"-1", std::nullopt}, Case{"1 ", std::nullopt},
          Case{"++1", std::nullopt}, Case{"99999999999", std::nullopt}})
        EXPECT_EQ(parse_small_number(c.text), c.value) << c.text;
}

json labels(std::vector<std::string> texts) {
    json list = json::array();
    for (std::string& text : texts)
        list.push_back({{"label", "label"}, {"text", std::move(text)}});
    return {{"labels", list}};
}

TEST(SelectDeck, StoresTheDeckFirstAndSaysItsTrack) {
    ActionBench bench;
    bench.mixxx.put("[Channel2]", "track_loaded", 1);
    bench.mixxx.answer("deckinfo", labels({"Night Drive", "3:25", "Aurora Lane", "128.00", ""}));
    run(bench, SelectDeckAction{2});
    EXPECT_EQ(bench.context->deck.load(), 2);
    EXPECT_EQ(bench.spoken(), Lines{"Deck 2. Night Drive. Aurora Lane. "});
    EXPECT_EQ(bench.link->sent_texts(),
              (Lines{"get [Channel2] track_loaded value", R"({"cmd":"deckinfo","deck":2})"}));
}

TEST(SelectDeck, EmptyDeckUnreadableSkinAndErrors) {
    ActionBench bench;
    bench.mixxx.put("[Channel3]", "track_loaded", 0);
    run(bench, SelectDeckAction{3});
    EXPECT_EQ(bench.spoken(), Lines{"Deck 3. empty"});

    // A loaded deck whose skin shows only numbers, or no answer to deckinfo at all.
    bench.mixxx.put("[Channel2]", "track_loaded", 1);
    run(bench, SelectDeckAction{2});
    EXPECT_EQ(bench.spoken(), Lines{"Deck 2. "});
    bench.mixxx.answer("deckinfo", labels({"3:25", "128.00"}));
    run(bench, SelectDeckAction{2});
    EXPECT_EQ(bench.spoken(), Lines{"Deck 2. "});

    bench.mixxx.fail_all();
    run(bench, SelectDeckAction{4});
    EXPECT_EQ(bench.context->deck.load(), 4);
    EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel4],track_loaded: Mixxx did not answer"});
}

TEST(TrackText, ACutOffTextIsCompletedFromTheSelectedTrackThatStartsWithIt) {
    ActionBench bench;
    bench.mixxx.answer("deckinfo",
                       labels({"Night Dri\xE2\x80\xA6", "Aurora ...", "Live 2...", "Zed..."}));
    bench.mixxx.select_track(
        {{"title", "Night Drive"}, {"artist", "Aurora Lane"}, {"album", "Live 2024"}}, 1, 5, 1);
    EXPECT_EQ(track_text(*bench.context, 1), "Night Drive. Aurora Lane. Live 2024. Zed...");

    // Another track selected: the texts stay as the skin shows them.
    bench.mixxx.select_track({{"title", "Other"}}, 2, 5, 1);
    EXPECT_EQ(track_text(*bench.context, 1),
              "Night Dri\xE2\x80\xA6. Aurora .... Live 2.... Zed...");
}

TEST(TrackText, AsksForTheSelectedTrackOnlyWhenSomethingIsCutOff) {
    ActionBench bench;
    bench.mixxx.answer("deckinfo", labels({"Night Drive", "Aurora Lane"}));
    EXPECT_EQ(track_text(*bench.context, 3), "Night Drive. Aurora Lane");
    EXPECT_EQ(bench.link->sent_texts(), Lines{R"({"cmd":"deckinfo","deck":3})"});
}

TEST(TrackText, NoneWhenDeckinfoFails) {
    ActionBench bench;
    bench.mixxx.fail_all();
    EXPECT_EQ(track_text(*bench.context, 1), std::nullopt);
}

TEST(TrackText, LabelEntriesSkipWhatIsNotALabelWithText) {
    json reply = {{"labels",
                   {{{"label", "title"}, {"text", "Night Drive"}},
                    {{"label", "artist"}},
                    {{"label", 3}, {"text", "x"}},
                    "loose text",
                    {{"label", "bpm"}, {"text", "128"}}}}};
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(label_entries(reply), (Pairs{{"title", "Night Drive"}, {"bpm", "128"}}));
    EXPECT_TRUE(label_entries(json{{"labels", "none"}}).empty());
    EXPECT_TRUE(label_entries(json::object()).empty());
    EXPECT_TRUE(label_entries(json::array()).empty());
}

TEST(TrackText, CutOffPrefix) {
    struct Case {
        std::string_view text;
        std::optional<std::string> prefix;
    };
    for (const Case& c :
         {Case{"Night Dri\xE2\x80\xA6", "Night Dri"}, Case{"Night Dri...", "Night Dri"},
          Case{"Night \t...", "Night"}, Case{"Night\xC2\xA0\xE2\x80\xA6", "Night"},
          Case{"a...", "a"}, Case{"...", std::nullopt}, Case{" ...", std::nullopt},
          Case{"..", std::nullopt}, Case{"Night Drive", std::nullopt},
          Case{"Night..", std::nullopt}})
        EXPECT_EQ(cut_off_prefix(c.text), c.prefix) << c.text;
}

} // namespace
} // namespace cuevoice::test
