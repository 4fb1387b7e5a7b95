// The Mixxx model on its own: parameter mapping, transport and time, tracks, hotcues, loops,
// effects, the library and the inputs, without any socket.
#include <gtest/gtest.h>

#include <cmath>

#include "mixxx_model.h"

using namespace mixxxsim;

namespace {

Track night_drive() {
    Track t;
    t.title = "Night Drive";
    t.artist = "Aurora Lane";
    t.album = "Neon";
    t.bpm = 120.0;
    t.key = 22; // A minor
    t.duration = 100.0;
    t.hotcues = {{2, 10.0}};
    return t;
}

double value(const MixxxModel& m, const std::string& group, const std::string& key,
             const std::string& prop = "value") {
    Outcome o = m.get(group, key, prop);
    EXPECT_TRUE(std::holds_alternative<double>(o)) << group << "," << key;
    return std::holds_alternative<double>(o) ? std::get<double>(o) : -12345.0;
}

void press(MixxxModel& m, const std::string& group, const std::string& key) {
    m.set(group, key, "value", 1.0);
    m.set(group, key, "value", 0.0);
}

MixxxModel with_track_on_deck1() {
    MixxxModel m;
    m.set_library({night_drive()});
    press(m, "[Channel1]", "LoadSelectedTrack");
    m.take_changes();
    return m;
}

bool changed(const std::vector<Change>& changes, const std::string& key, double v) {
    for (const Change& c : changes)
        if (c.key == key && c.value == v)
            return true;
    return false;
}

} // namespace

TEST(SimModel, ValueAndParameterMapEachOtherBothWays) {
    struct Case {
        const char* group;
        const char* key;
        double parameter;
        double value;
    };
    const Case cases[] = {
        {"[Channel1]", "volume", 0.3, 0.3},
        {"[Channel1]", "pregain", 0.5, 1.0},
        {"[Channel1]", "pregain", 0.0, 0.0},
        {"[Channel1]", "pregain", 0.75, 2.5},
        {"[Channel1]", "pregain", 1.0, 4.0},
        {"[EqualizerRack1_[Channel2]_Effect1]", "parameter1", 0.25, 0.5},
        {"[EqualizerRack1_[Channel2]_Effect1]", "parameter3", 0.875, 3.25},
        {"[Master]", "crossfader", 0.25, -0.5},
        {"[Master]", "headMix", 1.0, 1.0},
        {"[Main]", "gain", 0.75, 3.0},
        {"[Channel1]", "rate", 0.5, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.group) + "," + c.key);
        MixxxModel m;
        ASSERT_EQ(std::get<double>(m.set(c.group, c.key, "parameter", c.parameter)), c.parameter);
        EXPECT_DOUBLE_EQ(value(m, c.group, c.key), c.value);
        ASSERT_TRUE(std::holds_alternative<double>(m.set(c.group, c.key, "value", c.value)));
        EXPECT_DOUBLE_EQ(value(m, c.group, c.key, "parameter"), c.parameter);
    }
}

TEST(SimModel, ParametersAndRangedValuesAreLimited) {
    MixxxModel m;
    EXPECT_EQ(std::get<double>(m.set("[Channel1]", "volume", "parameter", 1.4)), 1.0);
    EXPECT_EQ(std::get<double>(m.set("[Channel1]", "pregain", "value", 9.0)), 4.0);
    EXPECT_EQ(std::get<double>(m.set("[Master]", "crossfader", "value", -3.0)), -1.0);
    EXPECT_EQ(std::get<double>(m.set("[Channel1]", "pregain", "parameter", -0.2)), 0.0);
}

TEST(SimModel, UnknownControlsAndPropertiesAreErrors) {
    MixxxModel m;
    EXPECT_EQ(std::get<std::string>(m.get("[Channel1]", "no_such_key", "value")),
              "unknown control");
    EXPECT_EQ(std::get<std::string>(m.set("[Channel9]", "play", "value", 1)), "unknown control");
    EXPECT_EQ(std::get<std::string>(m.get("[Sampler5]", "play", "value")), "unknown control");
    EXPECT_EQ(std::get<std::string>(m.get("[Channel1]", "play", "colour")),
              "unknown property 'colour'");
    EXPECT_EQ(value(m, "[App]", "num_decks"), 4.0);
    EXPECT_EQ(value(m, "[App]", "num_samplers"), 4.0);
}

TEST(SimModel, PlayIsRefusedWithoutATrackAndFlicksBackOff) {
    MixxxModel m;
    EXPECT_EQ(std::get<double>(m.set("[Channel1]", "play", "value", 1.0)), 0.0);
    std::vector<Change> changes = m.take_changes();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].value, 1.0);
    EXPECT_EQ(changes[1].value, 0.0);
}

TEST(SimModel, LoadingTheSelectedTrackFillsTheDeckAndEjectEmptiesIt) {
    MixxxModel m;
    m.set_library({night_drive()});
    press(m, "[Channel2]", "LoadSelectedTrack");
    EXPECT_EQ(value(m, "[Channel2]", "track_loaded"), 1.0);
    EXPECT_EQ(value(m, "[Channel2]", "duration"), 100.0);
    EXPECT_EQ(value(m, "[Channel2]", "file_bpm"), 120.0);
    EXPECT_EQ(value(m, "[Channel2]", "bpm"), 120.0);
    EXPECT_EQ(value(m, "[Channel2]", "visual_key"), 22.0);
    EXPECT_EQ(value(m, "[Channel2]", "time_remaining"), 100.0);
    EXPECT_EQ(value(m, "[Channel2]", "hotcue_2_status"), 1.0);
    EXPECT_EQ(value(m, "[Channel2]", "hotcue_2_position"), 10.0 * 44100 * 2);
    EXPECT_EQ(value(m, "[Channel2]", "hotcue_1_status"), 0.0);
    EXPECT_TRUE(changed(m.take_changes(), "track_loaded", 1.0));

    press(m, "[Channel2]", "eject");
    EXPECT_EQ(value(m, "[Channel2]", "track_loaded"), 0.0);
    EXPECT_EQ(value(m, "[Channel2]", "hotcue_2_status"), 0.0);
    EXPECT_EQ(value(m, "[Channel2]", "bpm"), 0.0);
}

TEST(SimModel, APlayingDeckNeitherLoadsNorEjects) {
    MixxxModel m = with_track_on_deck1();
    Track other = night_drive();
    other.title = "Other";
    other.duration = 50;
    m.set_library({other});
    m.set("[Channel1]", "play", "value", 1.0);
    press(m, "[Channel1]", "LoadSelectedTrack");
    EXPECT_EQ(value(m, "[Channel1]", "duration"), 100.0);
    press(m, "[Channel1]", "eject");
    EXPECT_EQ(value(m, "[Channel1]", "track_loaded"), 1.0);
}

TEST(SimModel, TimeAdvancesOnlyWhilePlayingAndTheTrackEnds) {
    MixxxModel m = with_track_on_deck1();
    m.advance(5.0);
    EXPECT_EQ(value(m, "[Channel1]", "time_elapsed"), 0.0);

    m.set("[Channel1]", "play", "value", 1.0);
    m.advance(10.0);
    EXPECT_DOUBLE_EQ(value(m, "[Channel1]", "time_elapsed"), 10.0);
    EXPECT_DOUBLE_EQ(value(m, "[Channel1]", "time_remaining"), 90.0);
    EXPECT_DOUBLE_EQ(value(m, "[Channel1]", "playposition"), 0.1);
    EXPECT_EQ(value(m, "[Channel1]", "end_of_track"), 0.0);

    m.advance(65.0); // 25 s left: inside Mixxx's 30 s end-of-track warning
    EXPECT_EQ(value(m, "[Channel1]", "end_of_track"), 1.0);
    m.advance(30.0);
    EXPECT_EQ(value(m, "[Channel1]", "play"), 0.0);
    EXPECT_DOUBLE_EQ(value(m, "[Channel1]", "time_remaining"), 0.0);
}

TEST(SimModel, TempoChangesTheBpmAndHowFastTimeRuns) {
    MixxxModel m = with_track_on_deck1();
    m.set("[Channel1]", "rate", "value", 0.5); // rate range 8 %: 4 % faster
    EXPECT_DOUBLE_EQ(value(m, "[Channel1]", "bpm"), 124.8);
    m.set("[Channel1]", "play", "value", 1.0);
    m.advance(10.0);
    EXPECT_DOUBLE_EQ(value(m, "[Channel1]", "time_elapsed"), 10.4);
    press(m, "[Channel1]", "rate_set_zero");
    EXPECT_DOUBLE_EQ(value(m, "[Channel1]", "bpm"), 120.0);
    press(m, "[Channel1]", "rate_perm_up");
    EXPECT_NEAR(value(m, "[Channel1]", "bpm"), 120.6, 1e-9);
}

TEST(SimModel, BeatDistanceFollowsThePosition) {
    MixxxModel m = with_track_on_deck1();
    m.set("[Channel1]", "play", "value", 1.0);
    m.advance(0.125); // a quarter of a 0.5 s beat
    EXPECT_NEAR(value(m, "[Channel1]", "beat_distance"), 0.25, 1e-9);
    press(m, "[Channel1]", "beats_translate_curpos");
    EXPECT_NEAR(value(m, "[Channel1]", "beat_distance"), 0.0, 1e-9);
    press(m, "[Channel1]", "beats_undo_adjustment");
    EXPECT_NEAR(value(m, "[Channel1]", "beat_distance"), 0.25, 1e-9);
}

TEST(SimModel, HotcuesAreSetJumpedToAndCleared) {
    MixxxModel m = with_track_on_deck1();
    m.set("[Channel1]", "play", "value", 1.0);
    m.advance(20.0);
    press(m, "[Channel1]", "hotcue_5_activate");
    EXPECT_EQ(value(m, "[Channel1]", "hotcue_5_status"), 1.0);
    EXPECT_EQ(value(m, "[Channel1]", "hotcue_5_position"), 20.0 * 44100 * 2);

    // Holding a set hotcue makes it active (2) and jumps there.
    m.set("[Channel1]", "hotcue_2_activate", "value", 1.0);
    EXPECT_EQ(value(m, "[Channel1]", "hotcue_2_status"), 2.0);
    EXPECT_EQ(value(m, "[Channel1]", "time_elapsed"), 10.0);
    m.set("[Channel1]", "hotcue_2_activate", "value", 0.0);
    EXPECT_EQ(value(m, "[Channel1]", "hotcue_2_status"), 1.0);

    press(m, "[Channel1]", "hotcue_5_clear");
    EXPECT_EQ(value(m, "[Channel1]", "hotcue_5_status"), 0.0);
    EXPECT_EQ(value(m, "[Channel1]", "hotcue_5_position"), -1.0);
    // Read-only for the plug-in: a write changes nothing.
    EXPECT_EQ(std::get<double>(m.set("[Channel1]", "hotcue_5_status", "value", 1.0)), 0.0);
}

TEST(SimModel, BeatLoopsWrapTimeAndReloopTogglesThem) {
    MixxxModel m = with_track_on_deck1();
    m.set("[Channel1]", "play", "value", 1.0);
    m.advance(10.0);
    press(m, "[Channel1]", "beatloop_4_activate"); // 4 beats at 120 BPM: 2 s
    EXPECT_EQ(value(m, "[Channel1]", "loop_enabled"), 1.0);
    EXPECT_EQ(value(m, "[Channel1]", "beatloop_4_enabled"), 1.0);
    EXPECT_EQ(value(m, "[Channel1]", "loop_start_position"), 10.0 * 88200);
    EXPECT_EQ(value(m, "[Channel1]", "loop_end_position"), 12.0 * 88200);
    for (int i = 0; i < 60; ++i)
        m.advance(0.05); // 3 s
    EXPECT_NEAR(value(m, "[Channel1]", "time_elapsed"), 11.0, 1e-6);
    press(m, "[Channel1]", "reloop_toggle");
    EXPECT_EQ(value(m, "[Channel1]", "loop_enabled"), 0.0);
    press(m, "[Channel1]", "loop_double");
    EXPECT_EQ(value(m, "[Channel1]", "beatloop_size"), 8.0);
    press(m, "[Channel1]", "beatjump_forward"); // 4 beats: 2 s
    EXPECT_NEAR(value(m, "[Channel1]", "time_elapsed"), 13.0, 1e-6);
    press(m, "[Channel1]", "beatloop_activate"); // the loop button: on, then off
    EXPECT_EQ(value(m, "[Channel1]", "loop_enabled"), 1.0);
    EXPECT_EQ(value(m, "[Channel1]", "beatloop_8_enabled"), 1.0);
    press(m, "[Channel1]", "beatloop_activate");
    EXPECT_EQ(value(m, "[Channel1]", "loop_enabled"), 0.0);
}

TEST(SimModel, SyncMatchesTheTempoOfThePlayingDeck) {
    MixxxModel m;
    Track slow = night_drive();
    slow.bpm = 125.0;
    m.set_library({night_drive(), slow});
    press(m, "[Channel1]", "LoadSelectedTrack");
    m.select_row(2);
    press(m, "[Channel2]", "LoadSelectedTrack");
    m.set("[Channel1]", "play", "value", 1.0);
    press(m, "[Channel2]", "beatsync");
    EXPECT_NEAR(value(m, "[Channel2]", "bpm"), 120.0, 1e-9);

    // With sync on, deck 2 follows the leader's tempo changes.
    m.set("[Channel1]", "sync_leader", "value", 1);
    m.set("[Channel2]", "sync_enabled", "value", 1);
    m.set("[Channel1]", "rate", "value", 0.25); // 2 % faster: 122.4 BPM
    m.advance(0.05);
    EXPECT_NEAR(value(m, "[Channel2]", "bpm"), 122.4, 1e-9);
    m.set("[Channel2]", "sync_enabled", "value", 0);
    m.set("[Channel1]", "rate", "value", 0.0);
    m.advance(0.05);
    EXPECT_NEAR(value(m, "[Channel2]", "bpm"), 122.4, 1e-9);
}

TEST(SimModel, EffectSlotsStepThroughTheEffectList) {
    MixxxModel m;
    const std::string slot = "[EffectRack1_EffectUnit2_Effect3]";
    EXPECT_EQ(value(m, slot, "loaded"), 0.0);
    press(m, slot, "next_effect");
    EXPECT_EQ(value(m, slot, "loaded"), 1.0);
    EXPECT_EQ(value(m, slot, "loaded_effect"), 1.0);
    EXPECT_EQ(m.effect_name(1).value(), "Auto Pan");
    press(m, slot, "prev_effect");
    press(m, slot, "prev_effect");
    EXPECT_EQ(value(m, slot, "loaded_effect"), 17.0);
    EXPECT_EQ(m.effect_index("org.mixxx.effects.metronome"), 11);
    EXPECT_EQ(m.effect_name(11).value(), "Metronome");
    EXPECT_EQ(m.effect_index("org.example.none"), 0);
    EXPECT_FALSE(m.effect_name(0));
    m.set(slot, "loaded_effect", "value", 0);
    EXPECT_EQ(value(m, slot, "loaded"), 0.0);
}

TEST(SimModel, DeckLabelsCutLongTitlesOffWithAnEllipsis) {
    ModelOptions options;
    options.title_width = 10;
    MixxxModel m(options);
    Track t = night_drive();
    t.artist = "Ålesund Öresund Ensemble"; // cut on a character boundary
    m.set_library({t});
    press(m, "[Channel1]", "LoadSelectedTrack");
    auto labels = std::get<0>(m.deck_labels(1));
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[0], (std::pair<std::string, std::string>{"title", "Night Dri\xE2\x80\xA6"}));
    EXPECT_EQ(labels[1].second, "Ålesund Ö\xE2\x80\xA6");
    EXPECT_EQ(labels[2].second, "120.00");
    EXPECT_EQ(labels[3].second, "0:00");
    EXPECT_EQ(std::get<std::string>(m.deck_labels(5)), "no deck 5");
}

TEST(SimModel, SelectedTrackGivesFieldsAsTextsAndItsRow) {
    MixxxModel m;
    Track second = night_drive();
    second.title = "Second";
    second.bpm = 127.5;
    second.key = 1;
    second.duration = 312;
    m.set_library({night_drive(), second});
    SelectedTrack first = m.selected_track();
    EXPECT_EQ(first.row, 1u);
    EXPECT_EQ(first.rows, 2u);
    EXPECT_EQ(first.fields["key"], "8A");
    press(m, "[Library]", "MoveDown");
    SelectedTrack t = m.selected_track();
    EXPECT_EQ(t.row, 2u);
    EXPECT_EQ(t.selected, 1u);
    EXPECT_EQ(t.fields["title"], "Second");
    EXPECT_EQ(t.fields["bpm"], "127.5");
    EXPECT_EQ(t.fields["key"], "8B");
    EXPECT_EQ(t.fields["duration"], "5:12");
    m.select_row(0);
    EXPECT_EQ(m.selected_track().selected, 0u);
    EXPECT_TRUE(m.selected_track().fields.empty());
}

TEST(SimModel, InputsWithoutAConfiguredDeviceStayOff) {
    MixxxModel m;
    EXPECT_EQ(std::get<double>(m.set("[Microphone]", "talkover", "value", 1)), 0.0);
    EXPECT_EQ(std::get<double>(m.set("[Auxiliary2]", "main_mix", "value", 1)), 0.0);
    // input_configured belongs to Mixxx: the plug-in cannot write it, Mixxx itself can.
    EXPECT_EQ(std::get<double>(m.set("[Microphone]", "input_configured", "value", 1)), 0.0);
    m.set_from_outside("[Microphone]", "input_configured", "value", 1);
    EXPECT_EQ(std::get<double>(m.set("[Microphone]", "talkover", "value", 1)), 1.0);
}

TEST(SimModel, RecordingAndBroadcastReportTheirStatus) {
    MixxxModel m;
    press(m, "[Recording]", "toggle_recording");
    EXPECT_EQ(value(m, "[Recording]", "status"), 2.0);
    std::vector<Change> changes = m.take_changes();
    EXPECT_TRUE(changed(changes, "status", 1.0)); // readying comes first
    press(m, "[Recording]", "toggle_recording");
    EXPECT_EQ(value(m, "[Recording]", "status"), 0.0);

    m.set("[Shoutcast]", "enabled", "value", 1);
    EXPECT_EQ(value(m, "[Shoutcast]", "status"), 2.0);
    ModelOptions failing;
    failing.broadcast_connects = false;
    MixxxModel offline(failing);
    offline.set("[Shoutcast]", "enabled", "value", 1);
    EXPECT_EQ(value(offline, "[Shoutcast]", "status"), 3.0);
}

TEST(SimModel, AutoDjNeedsAQueue) {
    MixxxModel m;
    m.set_library({night_drive()});
    EXPECT_EQ(std::get<double>(m.set("[AutoDJ]", "enabled", "value", 1)), 0.0);
    press(m, "[Library]", "AutoDjAddBottom");
    EXPECT_EQ(std::get<double>(m.set("[AutoDJ]", "enabled", "value", 1)), 1.0);
    EXPECT_EQ(value(m, "[Channel1]", "play"), 1.0);
}

TEST(SimModel, MoreDecksCanBeAddedButNeverRemoved) {
    ModelOptions options;
    options.num_decks = 2;
    MixxxModel m(options);
    EXPECT_EQ(std::get<std::string>(m.get("[Channel3]", "play", "value")), "unknown control");
    m.set_from_outside("[App]", "num_decks", "value", 4);
    EXPECT_EQ(value(m, "[Channel4]", "play"), 0.0);
    EXPECT_EQ(value(m, "[EffectRack1_EffectUnit1]", "group_[Channel4]_enable"), 0.0);
    EXPECT_EQ(value(m, "[EqualizerRack1_[Channel4]_Effect1]", "parameter2"), 1.0);
    EXPECT_EQ(value(m, "[Channel3]", "orientation"), 0.0); // left
    EXPECT_EQ(value(m, "[Channel4]", "orientation"), 2.0); // right
    EXPECT_EQ(value(m, "[Sampler1]", "orientation"), 1.0); // centre
}

TEST(SimModel, MasterIsAnAliasOfMain) {
    MixxxModel m;
    m.set("[Master]", "crossfader", "value", 0.5);
    EXPECT_EQ(value(m, "[Main]", "crossfader"), 0.5);
    std::vector<Change> changes = m.take_changes();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].group, "[Main]");
}

TEST(SimModel, MarkersAreSetThenJumpedToAndLoopPointsMakeALoop) {
    MixxxModel m = with_track_on_deck1();
    m.set("[Channel1]", "play", "value", 1.0);
    m.advance(20.0);
    press(m, "[Channel1]", "intro_start_activate");
    EXPECT_EQ(value(m, "[Channel1]", "intro_start_position"), 20.0 * 88200);
    EXPECT_EQ(value(m, "[Channel1]", "intro_start_enabled"), 1.0);
    m.advance(10.0);
    press(m, "[Channel1]", "intro_start_activate"); // set: jump back to it
    EXPECT_EQ(value(m, "[Channel1]", "time_elapsed"), 20.0);
    press(m, "[Channel1]", "intro_start_clear");
    EXPECT_EQ(value(m, "[Channel1]", "intro_start_position"), -1.0);

    press(m, "[Channel1]", "loop_in");
    m.advance(1.5);
    press(m, "[Channel1]", "loop_out");
    EXPECT_EQ(value(m, "[Channel1]", "loop_start_position"), 20.0 * 88200);
    EXPECT_EQ(value(m, "[Channel1]", "loop_end_position"), 21.5 * 88200);
    EXPECT_EQ(value(m, "[Channel1]", "loop_enabled"), 1.0);
    press(m, "[Channel1]", "loop_remove");
    EXPECT_EQ(value(m, "[Channel1]", "loop_enabled"), 0.0);
    EXPECT_EQ(value(m, "[Channel1]", "loop_start_position"), -1.0);
}

TEST(SimModel, ALoopRollReturnsToWhereTheTrackWouldBe) {
    MixxxModel m = with_track_on_deck1();
    m.set("[Channel1]", "play", "value", 1.0);
    m.advance(10.0);
    m.set("[Channel1]", "beatlooproll_0.5_activate", "value", 1.0); // a quarter second
    EXPECT_EQ(value(m, "[Channel1]", "loop_enabled"), 1.0);
    for (int i = 0; i < 20; ++i)
        m.advance(0.05);
    EXPECT_LT(value(m, "[Channel1]", "time_elapsed"), 10.25);
    m.set("[Channel1]", "beatlooproll_0.5_activate", "value", 0.0);
    EXPECT_EQ(value(m, "[Channel1]", "loop_enabled"), 0.0);
    EXPECT_NEAR(value(m, "[Channel1]", "time_elapsed"), 11.0, 1e-6);
    EXPECT_EQ(value(m, "[Channel1]", "beatloop_size"), 4.0); // the roll leaves the size alone
}

TEST(SimModel, PeakIndicatorsAreMixxxsOwnAndComeOnlyFromOutside) {
    MixxxModel m;
    for (const char* group : {"[Channel1]", "[Main]", "[Master]", "[Microphone]", "[Auxiliary2]"}) {
        // The plug-in cannot light a clip light; Mixxx's engine (the control channel) can.
        EXPECT_EQ(std::get<double>(m.set(group, "peak_indicator", "value", 1.0)), 0.0) << group;
        m.take_changes();
        m.set_from_outside(group, "peak_indicator", "value", 1.0);
        EXPECT_EQ(value(m, group, "peak_indicator"), 1.0) << group;
        EXPECT_TRUE(changed(m.take_changes(), "peak_indicator", 1.0)) << group;
        m.set_from_outside(group, "peak_indicator", "value", 0.0);
    }
}

TEST(SimModel, SamplersSayWhetherTheyHoldATrackAndDecksAreRoutedIntoUnits) {
    MixxxModel m;
    m.set_library({night_drive()});
    EXPECT_EQ(value(m, "[Sampler3]", "track_loaded"), 0.0);
    ASSERT_FALSE(m.load_row("[Sampler3]", 1).has_value());
    EXPECT_EQ(value(m, "[Sampler3]", "track_loaded"), 1.0);
    EXPECT_FALSE(m.known("[Sampler5]", "track_loaded")); // 4 samplers unless set up for more

    const std::string unit = "[EffectRack1_EffectUnit1]";
    EXPECT_EQ(value(m, unit, "group_[Channel3]_enable"), 0.0);
    EXPECT_EQ(std::get<double>(m.set(unit, "group_[Channel3]_enable", "value", 1.0)), 1.0);
    EXPECT_FALSE(m.known(unit, "group_[Channel5]_enable"));
    // More decks bring their routing with them.
    m.set("[App]", "num_decks", "value", 6);
    EXPECT_EQ(value(m, unit, "group_[Channel6]_enable"), 0.0);
}

TEST(SimModel, ThePreviewDeckPlaysTheSelectedTrackAndSamplersStopLikeDecks) {
    MixxxModel m;
    press(m, "[PreviewDeck1]", "LoadSelectedTrackAndPlay"); // an empty library: nothing loads
    EXPECT_EQ(value(m, "[PreviewDeck1]", "track_loaded"), 0.0);
    EXPECT_EQ(value(m, "[PreviewDeck1]", "play"), 0.0);

    m.set_library({night_drive()});
    press(m, "[PreviewDeck1]", "LoadSelectedTrackAndPlay");
    EXPECT_EQ(value(m, "[PreviewDeck1]", "track_loaded"), 1.0);
    EXPECT_EQ(value(m, "[PreviewDeck1]", "play"), 1.0);
    EXPECT_EQ(value(m, "[Channel1]", "track_loaded"), 0.0); // the decks are left alone
    m.set("[PreviewDeck1]", "play", "value", 0.0);
    EXPECT_EQ(value(m, "[PreviewDeck1]", "play"), 0.0);

    ASSERT_FALSE(m.load_row("[Sampler2]", 1).has_value());
    m.set("[Sampler2]", "play", "value", 1.0);
    m.advance(2.0);
    EXPECT_EQ(value(m, "[Sampler2]", "time_elapsed"), 2.0);
    press(m, "[Sampler2]", "stop");
    EXPECT_EQ(value(m, "[Sampler2]", "play"), 0.0);
    press(m, "[Sampler4]", "stop"); // an empty sampler: nothing to stop, no error
    EXPECT_EQ(value(m, "[Sampler4]", "play"), 0.0);
}
