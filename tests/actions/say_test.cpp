// The say action: deck status, track, time, tempo, hotcues, the selected track and the
// effects, with the deck phrases, the errors that end it, and values Mixxx never sends.
#include <gtest/gtest.h>

#include "action_bench.h"
#include "actions/run_hotkey.h"
#include "actions/say_selected_track.h"

namespace cuevoice::test {
namespace {

using Lines = std::vector<std::string>;

void say_on(ActionBench& bench, SayWhat what, std::optional<std::uint8_t> fixed_deck = {}) {
    run_hotkey(*bench.context, "", *bound_action(SayAction{what}, "say", fixed_deck));
}

// Answers "get" of chosen controls with a JSON value that is no number, as a plug-in that
// misbehaves could; everything else goes to the bench's link.
class OddValues final : public MixxxLink {
public:
    explicit OddValues(std::shared_ptr<MixxxLink> inner) : inner_(std::move(inner)) {}
    void answer(std::string group, std::string key, json value) {
        odd_[{std::move(group), std::move(key)}] = std::move(value);
    }
    Result<json> request(json message, int wait_seconds) override {
        Result<json> reply = inner_->request(message, wait_seconds);
        auto odd = odd_.find({message.value("group", ""), message.value("key", "")});
        if (reply && message.value("cmd", "") == "get" && odd != odd_.end())
            (*reply)["value"] = odd->second;
        return reply;
    }

private:
    std::shared_ptr<MixxxLink> inner_;
    std::map<std::pair<std::string, std::string>, json> odd_;
};

void put_deck(ActionBench& bench, int deck, double play, double elapsed, double remaining,
              double bpm, double key) {
    const std::string group = "[Channel" + std::to_string(deck) + "]";
    bench.mixxx.put(group, "track_loaded", 1);
    bench.mixxx.put(group, "play", play);
    bench.mixxx.put(group, "time_elapsed", elapsed);
    bench.mixxx.put(group, "time_remaining", remaining);
    bench.mixxx.put(group, "visual_bpm", bpm);
    bench.mixxx.put(group, "visual_key", key);
}

TEST(SayStatus, NamesTheDeckUnlessItIsTheCurrentOne) {
    ActionBench bench;
    put_deck(bench, 1, 1, 20, 205, 128, 22);
    put_deck(bench, 2, 0, 10, 47, 124.5, 0);
    say_on(bench, SayWhat::status);
    say_on(bench, SayWhat::status, 2);
    EXPECT_EQ(bench.spoken(), (Lines{"Playing, 3:25 remaining, 128 BPM, A minor, 8A",
                                     "Deck 2 paused, 0:47 remaining, 124.5 BPM, no key"}));
    const Lines sent = bench.link->sent_texts();
    EXPECT_EQ(Lines(sent.begin() + 5, sent.end()),
              (Lines{"get [Channel2] track_loaded value", "get [Channel2] play value",
                     "get [Channel2] time_remaining value", "get [Channel2] visual_bpm value",
                     "get [Channel2] visual_key value"}));
}

TEST(SayDeck, AnEmptyDeckIsEmptyForEveryDeckKind) {
    for (SayWhat what : {SayWhat::status, SayWhat::track, SayWhat::time, SayWhat::tempo,
                         SayWhat::hotcues, SayWhat::grid_offset}) {
        ActionBench bench;
        bench.mixxx.put("[Channel1]", "track_loaded", 0);
        bench.mixxx.put("[Channel3]", "track_loaded", 0);
        say_on(bench, what);
        say_on(bench, what, 3);
        EXPECT_EQ(bench.spoken(), (Lines{"Empty", "Deck 3 empty"})) << say_what_name(what);
        EXPECT_EQ(bench.link->sent().size(), 2u) << say_what_name(what);
    }
}

TEST(SayDeck, TheGridOffsetComesFromTheBeatGridTools) {
    ActionBench bench;
    bench.mixxx.put("[Channel1]", "track_loaded", 1);
    bench.mixxx.put("[Channel1]", "file_bpm", 120);
    bench.mixxx.put("[Channel1]", "beat_distance", 0.01);
    say_on(bench, SayWhat::grid_offset);
    EXPECT_EQ(bench.spoken(), Lines{"5 milliseconds after the beat"});
}

TEST(SayDeck, TrackTimeAndTempoHaveNoDeckPhrase) {
    ActionBench bench;
    put_deck(bench, 2, 1, 65.4, 200, 127.44, 1);
    bench.mixxx.answer("deckinfo", {{"labels",
                                     {{{"label", "title"}, {"text", "Night Drive"}},
                                      {{"label", "time"}, {"text", "1:05"}},
                                      {{"label", "artist"}, {"text", "Aurora Lane"}}}}});
    say_on(bench, SayWhat::track, 2);
    say_on(bench, SayWhat::time, 2);
    say_on(bench, SayWhat::tempo, 2);
    EXPECT_EQ(bench.spoken(), (Lines{"Night Drive. Aurora Lane", "1:05 elapsed, 3:20 remaining",
                                     "127.4 BPM, C major, 8B"}));
}

TEST(SayDeck, ASkinWithoutTrackTextSaysSo) {
    ActionBench bench;
    put_deck(bench, 1, 0, 0, 0, 0, 0);
    bench.mixxx.answer("deckinfo", {{"labels",
                                     {{{"label", "time"}, {"text", "3:25"}},
                                      {{"label", "bpm"}, {"text", "128.00"}}}}});
    say_on(bench, SayWhat::track);
    // No answer to deckinfo at all: the same words, never an error.
    bench.mixxx.answer("deckinfo", {{"labels", "none"}});
    say_on(bench, SayWhat::track);
    EXPECT_EQ(bench.spoken(), (Lines{"No track information visible in the current skin",
                                     "No track information visible in the current skin"}));
}

TEST(SayDeck, ARequestErrorEndsTheActionWithNothingPartialSaid) {
    struct Case {
        SayWhat what;
        std::string key;
    };
    for (const Case& c :
         {Case{SayWhat::status, "track_loaded"}, Case{SayWhat::status, "play"},
          Case{SayWhat::status, "time_remaining"}, Case{SayWhat::status, "visual_bpm"},
          Case{SayWhat::status, "visual_key"}, Case{SayWhat::time, "time_elapsed"},
          Case{SayWhat::time, "time_remaining"}, Case{SayWhat::tempo, "visual_bpm"},
          Case{SayWhat::tempo, "visual_key"}}) {
        ActionBench bench;
        put_deck(bench, 1, 1, 20, 205, 128, 22);
        bench.mixxx.fail_control("[Channel1]", c.key, "Mixxx did not answer");
        say_on(bench, c.what);
        EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1]," + c.key + ": Mixxx did not answer"})
            << say_what_name(c.what) << " " << c.key;
        // Nothing is asked after the failed read.
        EXPECT_EQ(bench.link->sent_texts().back(), "get [Channel1] " + c.key + " value")
            << say_what_name(c.what) << " " << c.key;
    }
}

TEST(SayDeck, ValuesMixxxNeverSendsStillGiveWords) {
    ActionBench bench;
    put_deck(bench, 1, 1, -30, -12.5, 0, 300);
    say_on(bench, SayWhat::status);
    say_on(bench, SayWhat::time);
    EXPECT_EQ(bench.spoken(),
              (Lines{"Playing, 0:00 remaining, 0 BPM, no key", "0:00 elapsed, 0:00 remaining"}));

    // Null and text where numbers belong read as 0; a huge time is whole minutes.
    auto odd = std::make_shared<OddValues>(bench.link);
    odd->answer("[Channel1]", "play", nullptr);
    odd->answer("[Channel1]", "visual_bpm", "fast");
    odd->answer("[Channel1]", "visual_key", json::array());
    odd->answer("[Channel1]", "time_remaining", 1e300);
    bench.context->bridge = odd;
    say_on(bench, SayWhat::status);
    EXPECT_EQ(bench.spoken(), Lines{"Paused, 307445734561825860:15 remaining, 0 BPM, no key"});
}

void put_hotcues(ActionBench& bench, const std::string& group, double rate,
                 std::map<int, double> positions) {
    bench.mixxx.put(group, "track_loaded", 1);
    bench.mixxx.put(group, "track_samplerate", rate);
    for (int n = 1; n <= 16; ++n) {
        auto found = positions.find(n);
        bench.mixxx.put(group, "hotcue_" + std::to_string(n) + "_status",
                        found != positions.end() ? 1 : 0);
        bench.mixxx.put(group, "hotcue_" + std::to_string(n) + "_position",
                        found != positions.end() ? found->second : -1);
    }
}

TEST(SayHotcues, ListsTheSetHotcuesInOrderWithTheirTimes) {
    ActionBench bench;
    // Positions count the samples of both channels: 15 s at 44100 Hz is 1323000.
    put_hotcues(bench, "[Channel1]", 44100, {{16, 123 * 88200.0}, {2, 15 * 88200.0}});
    put_hotcues(bench, "[Channel2]", 44100, {{4, 123 * 88200.0}});
    put_hotcues(bench, "[Channel3]", 44100, {});
    say_on(bench, SayWhat::hotcues);
    say_on(bench, SayWhat::hotcues, 2);
    say_on(bench, SayWhat::hotcues, 3);
    bench.context->deck = 3;
    say_on(bench, SayWhat::hotcues);
    EXPECT_EQ(bench.spoken(), (Lines{"Hotcue 2 0:15, hotcue 16 2:03", "Deck 2: hotcue 4 2:03",
                                     "Deck 3 no hotcues", "No hotcues"}));
}

TEST(SayHotcues, TimesAreLeftOutWithoutARateOrAPosition) {
    struct Case {
        double rate;
        double position;
        std::string heard;
    };
    for (const Case& c :
         {Case{0, 88200, "Hotcue 1"}, Case{-44100, 88200, "Hotcue 1"}, Case{44100, -1, "Hotcue 1"},
          Case{44100, -88200, "Hotcue 1 0:00"}, Case{44100, 0, "Hotcue 1 0:00"},
          // Far past any track's end: still minutes and seconds.
          Case{44100, 1e12, "Hotcue 1 188964:28"},
          Case{1e-300, 1e300, "Hotcue 1 307445734561825860:15"}}) {
        ActionBench bench;
        put_hotcues(bench, "[Channel1]", c.rate, {{1, c.position}});
        say_on(bench, SayWhat::hotcues);
        EXPECT_EQ(bench.spoken(), Lines{c.heard}) << c.rate << " " << c.position;
    }
}

TEST(SayHotcues, AnyRequestErrorEndsItWithNothingPartialSaid) {
    for (const std::string key : {"track_samplerate", "hotcue_1_status", "hotcue_1_position",
                                  "hotcue_9_status", "hotcue_16_status"}) {
        ActionBench bench;
        put_hotcues(bench, "[Channel1]", 44100, {{1, 88200}});
        bench.mixxx.fail_control("[Channel1]", key, "unknown control");
        say_on(bench, SayWhat::hotcues);
        EXPECT_EQ(bench.spoken(), Lines{"Error: [Channel1]," + key + ": unknown control"}) << key;
    }
}

SelectedTrack track_with(std::unordered_map<std::string, std::string> fields, std::uint64_t row = 0,
                         std::uint64_t rows = 0) {
    return SelectedTrack{std::move(fields), row, rows, 1};
}

TEST(SaySelectedTrack, TitleArtistDetailsAndRow) {
    struct Case {
        SelectedTrack track;
        std::string heard;
    };
    for (const Case& c : {
             Case{track_with({{"title", "Night Drive"},
                              {"artist", "Aurora Lane"},
                              {"bpm", "124.00"},
                              {"key", "8A"},
                              {"duration", "5:12"}},
                             3, 250),
                  "Night Drive, by Aurora Lane. 124 BPM, key 8A, 5:12. Track 3 of 250"},
             Case{track_with({{"title", " Night Drive "}}), "Night Drive"},
             Case{track_with({{"title", "-"}, {"artist", "Aurora Lane"}}), "by Aurora Lane"},
             Case{track_with({{"title", "-"}}), "Untitled track"},
             Case{track_with({{"title", "  "}, {"artist", ""}}, 1, 2),
                  "Untitled track. Track 1 of 2"},
             Case{track_with({{"title", "A"}, {"bpm", "0"}, {"duration", " 5:12 "}}), "A. 5:12"},
             Case{track_with({{"title", "A"}, {"bpm", "fast"}, {"key", "-"}}), "A"},
             Case{track_with({{"title", "A"}, {"bpm", "-120"}}), "A"},
             Case{track_with({{"title", "A"}, {"bpm", "inf"}}), "A"},
             Case{track_with({{"title", "A"}, {"bpm", "127.96"}}), "A. 128 BPM"},
             Case{track_with({{"title", "A"}}, 0, 250), "A. Track 0 of 250"},
         })
        EXPECT_EQ(selected_track_text(c.track), c.heard);
}

TEST(SaySelectedTrack, NoSelectionOrNoAnswerIsAnError) {
    ActionBench bench;
    bench.mixxx.select_track({{"title", "Night Drive"}, {"artist", "Aurora Lane"}}, 3, 250, 1);
    say_on(bench, SayWhat::selected_track);
    EXPECT_EQ(bench.spoken(), Lines{"Night Drive, by Aurora Lane. Track 3 of 250"});
    // Neither the deck nor its track is looked at.
    EXPECT_EQ(bench.link->sent_texts(), Lines{R"({"cmd":"selectedtrack"})"});

    bench.mixxx.select_track({}, 0, 250, 0);
    say_on(bench, SayWhat::selected_track);
    bench.mixxx.fail_all();
    say_on(bench, SayWhat::selected_track);
    EXPECT_EQ(bench.spoken(), (Lines{"Error: no track selected in the library",
                                     "Error: no track selected in the library"}));
}

// Effect units 1 to 4 with three slots each, nothing loaded and nothing routed, for decks 1
// to 4; effects 1 Echo, 2 Reverb, 3 Flanger.
void put_effects(ActionBench& bench, double decks) {
    bench.mixxx.put("[App]", "num_decks", decks);
    for (int u = 1; u <= 4; ++u) {
        const std::string unit = "[EffectRack1_EffectUnit" + std::to_string(u) + "]";
        for (int d = 1; d <= 4; ++d)
            bench.mixxx.put(unit, "group_[Channel" + std::to_string(d) + "]_enable", 0);
        for (int s = 1; s <= 3; ++s) {
            const std::string slot =
                "[EffectRack1_EffectUnit" + std::to_string(u) + "_Effect" + std::to_string(s) + "]";
            bench.mixxx.put(slot, "loaded", 0);
            bench.mixxx.put(slot, "loaded_effect", 0);
            bench.mixxx.put(slot, "enabled", 0);
        }
    }
    bench.mixxx.add_effect("org.mixxx.effects.echo", "Echo");
    bench.mixxx.add_effect("org.mixxx.effects.reverb", "Reverb");
    bench.mixxx.add_effect("org.mixxx.effects.flanger", "Flanger");
}

void load_effect(ActionBench& bench, int unit, int slot, int index, bool on) {
    const std::string group =
        "[EffectRack1_EffectUnit" + std::to_string(unit) + "_Effect" + std::to_string(slot) + "]";
    bench.mixxx.put(group, "loaded", 1);
    bench.mixxx.put(group, "loaded_effect", index);
    bench.mixxx.put(group, "enabled", on ? 1 : 0);
}

void route(ActionBench& bench, int unit, int deck) {
    bench.mixxx.put("[EffectRack1_EffectUnit" + std::to_string(unit) + "]",
                    "group_[Channel" + std::to_string(deck) + "]_enable", 1);
}

TEST(SayEffects, UnitsOneAndTwoWithTheirDecksAndSlots) {
    ActionBench bench;
    put_effects(bench, 4);
    route(bench, 1, 1);
    route(bench, 1, 3);
    load_effect(bench, 1, 1, 1, true);
    load_effect(bench, 1, 3, 2, false);
    load_effect(bench, 3, 1, 3, true); // unit 3 is not spoken
    say_on(bench, SayWhat::effects, 2);
    EXPECT_EQ(bench.spoken(),
              Lines{"Effect unit 1, on decks 1 and 3: Echo on, Reverb off. Effect unit 2: empty"});

    route(bench, 2, 4);
    route(bench, 1, 2);
    load_effect(bench, 2, 2, 3, true);
    say_on(bench, SayWhat::effects);
    EXPECT_EQ(bench.spoken(), Lines{"Effect unit 1, on decks 1 and 2 and 3: Echo on, Reverb "
                                    "off. Effect unit 2, on deck 4: Flanger on"});
}

TEST(SayEffects, TheDeckCountIsTwoWhenUnknownAndAtMost255) {
    ActionBench bench;
    put_effects(bench, 4);
    route(bench, 1, 3);
    bench.mixxx.fail_control("[App]", "num_decks", "unknown control");
    say_on(bench, SayWhat::effects);
    EXPECT_EQ(bench.spoken(), Lines{"Effect unit 1: empty. Effect unit 2: empty"});

    // 300 decks: the routing of decks 1 to 255 is asked; those Mixxx does not have count as
    // not routed.
    ActionBench many;
    put_effects(many, 300);
    route(many, 2, 3);
    say_on(many, SayWhat::effects);
    EXPECT_EQ(many.spoken(), Lines{"Effect unit 1: empty. Effect unit 2, on deck 3: empty"});
    int routing_asked = 0;
    for (const std::string& line : many.link->sent_texts())
        if (line.find("_enable value") != std::string::npos)
            ++routing_asked;
    EXPECT_EQ(routing_asked, 2 * 255);

    for (double decks : {-4.0, 0.4}) {
        ActionBench none;
        put_effects(none, decks);
        route(none, 1, 1);
        say_on(none, SayWhat::effects);
        EXPECT_EQ(none.spoken(), Lines{"Effect unit 1: empty. Effect unit 2: empty"}) << decks;
    }
}

TEST(SayEffects, ErrorsOfTheSlotsEndItButARoutingThatCannotBeReadDoesNot) {
    struct Case {
        std::string group;
        std::string key;
        std::string heard;
    };
    for (const Case& c :
         {Case{"[EffectRack1_EffectUnit1_Effect2]", "loaded",
               "Error: [EffectRack1_EffectUnit1_Effect2],loaded: unknown control"},
          Case{"[EffectRack1_EffectUnit1_Effect1]", "loaded_effect",
               "Error: [EffectRack1_EffectUnit1_Effect1],loaded_effect: unknown control"},
          Case{"[EffectRack1_EffectUnit2_Effect1]", "enabled",
               "Error: [EffectRack1_EffectUnit2_Effect1],enabled: unknown control"},
          Case{"[EffectRack1_EffectUnit1]", "group_[Channel1]_enable",
               "Effect unit 1: Echo on. Effect unit 2: Reverb off"}}) {
        ActionBench bench;
        put_effects(bench, 2);
        route(bench, 1, 1);
        load_effect(bench, 1, 1, 1, true);
        load_effect(bench, 2, 1, 2, false);
        bench.mixxx.fail_control(c.group, c.key, "unknown control");
        say_on(bench, SayWhat::effects);
        EXPECT_EQ(bench.spoken(), Lines{c.heard}) << c.key;
    }

    // An index the effect list does not hold: the plug-in's error.
    ActionBench bench;
    put_effects(bench, 2);
    load_effect(bench, 1, 1, 9, true);
    say_on(bench, SayWhat::effects);
    EXPECT_EQ(bench.spoken(), Lines{"Error: no effect with index 9"});
}

} // namespace
} // namespace cuevoice::test
