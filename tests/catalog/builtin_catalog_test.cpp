// Acceptance checks of the built-in catalogue text against its published contents.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "catalog/catalog.h"
#include "catalog/deserialize.h"
#include "test_support.h"

namespace cuevoice::embedded {
extern const std::string_view functions_toml;
}

using namespace cuevoice;

namespace {

constexpr std::size_t full_size = 489;

// A catalogue that lost entries fails every acceptance check here at once, with its size.
#define ASSERT_FULL_CATALOGUE()                                                                    \
    ASSERT_EQ(catalog().size(), full_size) << "the built-in catalogue is not the full text"

std::vector<RawFunction> raw_entries() {
    auto raw = deserialize_catalog_document(embedded::functions_toml);
    EXPECT_TRUE(raw.ok()) << raw.error();
    return raw.ok() ? std::move(raw).value() : std::vector<RawFunction>{};
}

const FunctionEntry& function(std::string_view id) {
    auto found = find_function(id);
    if (!found)
        throw std::runtime_error("no function " + std::string(id));
    return *found->entry;
}

std::vector<std::string> chord_parts(const std::string& key) {
    std::vector<std::string> parts;
    std::istringstream in(key);
    for (std::string part; std::getline(in, part, '+');)
        parts.push_back(part);
    return parts;
}

TEST(BuiltInCatalogue, Has197EntriesAnd489FunctionsFromSelectDeckToDumpWidgets) {
    EXPECT_EQ(raw_entries().size(), 197u);
    ASSERT_EQ(catalog().size(), 489u);
    EXPECT_EQ(catalog().front().id, "select_deck_1");
    EXPECT_EQ(catalog().back().id, "dump_widgets");
    std::set<std::string> ids;
    for (const FunctionEntry& entry : catalog())
        EXPECT_TRUE(ids.insert(entry.id).second) << "repeated id " << entry.id;
    for (const FunctionEntry& entry : catalog())
        EXPECT_EQ(entry.binding.key, entry.id);
}

TEST(BuiltInCatalogue, CategoriesHoldTheirEntriesFunctionsAndDeckFunctions) {
    ASSERT_FULL_CATALOGUE();
    struct Category {
        std::string name;
        int entries, functions, deck_functions;
    };
    const std::vector<Category> expected = {
        {"Decks", 4, 4, 0},           {"Transport", 25, 25, 25},
        {"Nudge and seek", 6, 6, 6},  {"Beat jump", 6, 20, 20},
        {"Loops", 11, 29, 29},        {"Hotcues", 3, 33, 33},
        {"Markers", 6, 9, 8},         {"Tempo and key", 12, 12, 12},
        {"Beatmatching", 4, 7, 3},    {"Mixer", 15, 15, 6},
        {"EQ and filter", 8, 16, 16}, {"Headphones", 8, 8, 0},
        {"Beat grid", 13, 13, 13},    {"Library", 9, 12, 0},
        {"Auto DJ", 8, 8, 0},         {"Preview deck", 6, 6, 0},
        {"Samplers", 8, 113, 0},      {"Microphones and auxiliary", 10, 34, 0},
        {"Effects", 15, 97, 4},       {"Recording and broadcasting", 2, 2, 0},
        {"Information", 13, 15, 12},  {"Cuevoice", 5, 5, 0},
    };
    std::vector<std::string_view> names;
    for (const Category& category : expected)
        names.push_back(category.name);
    EXPECT_EQ(catalog_categories(), names);

    std::map<std::string, int> entries, functions, deck_functions;
    for (const RawFunction& raw : raw_entries())
        ++entries[raw.category];
    int all_deck_functions = 0;
    for (const FunctionEntry& entry : catalog()) {
        ++functions[entry.category];
        if (entry.deck_function) {
            ++deck_functions[entry.category];
            ++all_deck_functions;
        }
    }
    for (const Category& category : expected) {
        EXPECT_EQ(entries[category.name], category.entries) << category.name;
        EXPECT_EQ(functions[category.name], category.functions) << category.name;
        EXPECT_EQ(deck_functions[category.name], category.deck_functions) << category.name;
    }
    EXPECT_EQ(all_deck_functions, 187);

    // All entries of a category stand together.
    std::vector<std::string> runs;
    for (const FunctionEntry& entry : catalog())
        if (runs.empty() || runs.back() != entry.category)
            runs.push_back(entry.category);
    EXPECT_EQ(runs.size(), 22u);
}

TEST(BuiltInCatalogue, DefaultKeysAreSingleDistinctAndHoldCtrlAndAlt) {
    ASSERT_FULL_CATALOGUE();
    int with_key = 0, with_shift = 0;
    std::map<std::string, std::string> owner;
    for (const FunctionEntry& entry : catalog()) {
        EXPECT_LE(entry.default_keys.size(), 1u) << entry.id;
        for (const std::string& key : entry.default_keys) {
            ++with_key;
            auto parts = chord_parts(key);
            auto has = [&](const char* part) {
                return std::find(parts.begin(), parts.end(), part) != parts.end();
            };
            EXPECT_TRUE(has("ctrl") && has("alt")) << entry.id << ": " << key;
            with_shift += has("shift");
            auto [at, fresh] = owner.emplace(key, entry.id);
            EXPECT_TRUE(fresh) << key << " is the default of " << at->second << " and " << entry.id;
        }
    }
    EXPECT_EQ(with_key, 135);
    EXPECT_EQ(with_shift, 70);
}

TEST(BuiltInCatalogue, ActionKindsComeInTheirNumbers) {
    ASSERT_FULL_CATALOGUE();
    std::map<std::string_view, int> counts;
    for (const FunctionEntry& entry : catalog())
        ++counts[action_kind_name(action_kind(entry.action))];
    const std::map<std::string_view, int> expected = {
        {"press", 202},
        {"toggle", 100},
        {"adjust", 80},
        {"change_effect", 24},
        {"hold", 21},
        {"say_control", 16},
        {"set", 14},
        {"say", 8},
        {"marker", 6},
        {"select_deck", 4},
        {"beatgrid_move", 2},
        {"clear_marker", 1},
        {"beatgrid_clicks", 1},
        {"beatgrid_tap", 1},
        {"beatmatch", 1},
        {"beatmatch_monitor", 1},
        {"preview", 1},
        {"stop_samplers", 1},
        {"stop_speech", 1},
        {"toggle_announce", 1},
        {"key_help", 1},
        {"key_editor", 1},
        {"dump_widgets", 1},
    };
    EXPECT_EQ(counts, expected);
}

TEST(BuiltInCatalogue, OnlyTheTempoAndGridTempoPressesSayRepeat) {
    ASSERT_FULL_CATALOGUE();
    std::set<std::string> repeating;
    for (const FunctionEntry& entry : catalog()) {
        if (entry.binding.repeat) {
            EXPECT_TRUE(*entry.binding.repeat) << entry.id;
            repeating.insert(entry.id);
        }
    }
    EXPECT_EQ(repeating, (std::set<std::string>{"tempo_up", "tempo_down", "tempo_up_big",
                                                "tempo_down_big", "grid_faster", "grid_slower"}));
}

struct Spot {
    std::string id;
    std::string name;
    std::string category;
    std::vector<std::string> keys;
    Action action;
    bool deck_function;
};

const ControlTarget on_deck(const char* control) {
    return {"[Channel{deck}]", control};
}
const std::string eq_group = "[EqualizerRack1_[Channel{deck}]_Effect1]";

const std::vector<Spot>& spots() {
    static const std::vector<Spot> list = {
        {"select_deck_3", "Select deck 3", "Decks", {"ctrl+alt+3"}, SelectDeckAction{3}, false},
        {"cue",
         "Cue; hold to play from the cue point",
         "Transport",
         {"ctrl+alt+c"},
         HoldAction{on_deck("cue_default"), std::nullopt, std::nullopt},
         true},
        {"cue_set",
         "Set the cue point here",
         "Transport",
         {},
         PressAction{on_deck("cue_set"), std::nullopt, "cue point set", std::nullopt},
         true},
        {"sync_leader",
         "Sync leader on / off",
         "Transport",
         {},
         ToggleAction{on_deck("sync_leader"), "sync leader"},
         true},
        {"orientation_center",
         "Take off the crossfader (center)",
         "Transport",
         {},
         SetAction{1.0, on_deck("orientation"), std::nullopt, "crossfader center, always heard"},
         true},
        {"rewind",
         "Fast rewind while held",
         "Nudge and seek",
         {"ctrl+alt+shift+semicolon"},
         HoldAction{on_deck("back"),
                    ReportTarget{"[Channel{deck}]", "time_elapsed", "at", ValueFormat::time},
                    std::nullopt},
         true},
        {"beatjump_0.5_back",
         "Beat jump half a beat back",
         "Beat jump",
         {},
         PressAction{on_deck("beatjump_0.5_backward"), std::nullopt, std::nullopt, std::nullopt},
         true},
        {"beatjump_64_forward",
         "Beat jump 64 beats forward",
         "Beat jump",
         {},
         PressAction{on_deck("beatjump_64_forward"), std::nullopt, std::nullopt, std::nullopt},
         true},
        {"beatjump_size_halve",
         "Halve the beat jump size",
         "Beat jump",
         {"ctrl+alt+shift+slash"},
         PressAction{
             on_deck("beatjump_size_halve"),
             ReportTarget{"[Channel{deck}]", "beatjump_size", "beat jump", ValueFormat::beats},
             std::nullopt, std::nullopt},
         true},
        {"beatloop_0.125",
         "Loop of 1/8 beat on / off",
         "Loops",
         {},
         PressAction{on_deck("beatloop_0.125_toggle"), std::nullopt, std::nullopt, std::nullopt},
         true},
        {"loop_roll_64",
         "Loop roll of 64 beats while held",
         "Loops",
         {},
         HoldAction{on_deck("beatlooproll_64_activate"), std::nullopt, std::nullopt},
         true},
        {"loop",
         "Loop on / off",
         "Loops",
         {"ctrl+alt+l"},
         PressAction{on_deck("beatloop_activate"), std::nullopt, std::nullopt, "loop"},
         true},
        {"loop_in",
         "Loop in at the current position",
         "Loops",
         {"ctrl+alt+openbracket"},
         MarkerAction{"loop_in", "loop_start_position", "loop in"},
         true},
        {"hotcue_8",
         "Hotcue 8, set or jump",
         "Hotcues",
         {"ctrl+alt+f8"},
         PressAction{on_deck("hotcue_8_activate"), std::nullopt, std::nullopt, std::nullopt},
         true},
        {"hotcue_9",
         "Hotcue 9, set or jump",
         "Hotcues",
         {},
         PressAction{on_deck("hotcue_9_activate"), std::nullopt, std::nullopt, std::nullopt},
         true},
        {"hotcue_1_clear",
         "Clear hotcue 1",
         "Hotcues",
         {"ctrl+alt+shift+f1"},
         PressAction{on_deck("hotcue_1_clear"), std::nullopt, std::nullopt, std::nullopt},
         true},
        {"hotcue_16_clear",
         "Clear hotcue 16",
         "Hotcues",
         {},
         PressAction{on_deck("hotcue_16_clear"), std::nullopt, std::nullopt, std::nullopt},
         true},
        {"say_hotcues",
         "Say the hotcues",
         "Hotcues",
         {"ctrl+alt+f9"},
         SayAction{SayWhat::hotcues},
         true},
        {"intro_end_clear",
         "Clear the intro end",
         "Markers",
         {},
         PressAction{on_deck("intro_end_clear"), std::nullopt, "intro end cleared", std::nullopt},
         true},
        {"clear_marker",
         "Clear the marker last set or jumped to",
         "Markers",
         {"ctrl+alt+backspace"},
         ClearMarkerAction{},
         false},
        {"outro_end",
         "Outro end, set or jump",
         "Markers",
         {"ctrl+alt+8"},
         MarkerAction{"outro_end_activate", "outro_end_position", "outro end"},
         true},
        {"tempo_reset",
         "Reset the tempo",
         "Tempo and key",
         {"ctrl+alt+shift+0"},
         PressAction{
             on_deck("rate_set_zero"),
             ReportTarget{"[Channel{deck}]", "visual_bpm", "tempo reset,", ValueFormat::bpm},
             std::nullopt, std::nullopt},
         true},
        {"key_match",
         "Match the key to the other deck",
         "Tempo and key",
         {"ctrl+alt+shift+plus"},
         PressAction{
             on_deck("sync_key"),
             ReportTarget{"[Channel{deck}]", "visual_key", "key matched,", ValueFormat::key},
             std::nullopt, std::nullopt},
         true},
        {"beatmatch_monitor",
         "Beatmatch monitor on / off (repeats the comparison until in sync)",
         "Beatmatching",
         {"ctrl+alt+shift+h"},
         BeatmatchMonitorAction{},
         true},
        {"say_bpm",
         "Say the exact BPM",
         "Beatmatching",
         {"ctrl+alt+shift+backspace"},
         SayControlAction{on_deck("bpm"), "", ValueFormat::bpm_precise},
         true},
        {"say_bpm_deck_2",
         "Say the exact BPM of deck 2",
         "Beatmatching",
         {"ctrl+alt+shift+right"},
         SayControlAction{{"[Channel2]", "bpm"}, "", ValueFormat::bpm_precise},
         false},
        {"gain_up",
         "Gain up",
         "Mixer",
         {"ctrl+alt+shift+pageup"},
         AdjustAction{0.05, on_deck("pregain"), "gain", ValueFormat::offset},
         true},
        {"crossfader_full_left",
         "Crossfader fully left",
         "Mixer",
         {},
         SetAction{-1.0, {"[Master]", "crossfader"}, std::nullopt, "crossfader fully left"},
         false},
        {"main_volume_down",
         "Main output volume down",
         "Mixer",
         {},
         AdjustAction{-0.05, {"[Master]", "gain"}, "main volume", ValueFormat::percent},
         false},
        {"mid_up",
         "Mid up",
         "EQ and filter",
         {"ctrl+alt+x"},
         AdjustAction{0.05, {eq_group, "parameter2"}, "mid", ValueFormat::offset},
         true},
        {"high_reset",
         "Reset high",
         "EQ and filter",
         {},
         PressAction{
             {eq_group, "parameter3_set_default"}, std::nullopt, "high reset", std::nullopt},
         true},
        {"low_kill",
         "Low kill on / off",
         "EQ and filter",
         {"ctrl+alt+shift+d"},
         ToggleAction{{eq_group, "button_parameter1"}, "low kill"},
         true},
        {"mid_kill",
         "Mid kill on / off",
         "EQ and filter",
         {},
         ToggleAction{{eq_group, "button_parameter2"}, "mid kill"},
         true},
        {"filter_center",
         "Filter to the center",
         "EQ and filter",
         {"ctrl+alt+shift+backslash"},
         SetAction{
             0.5, {"[QuickEffectRack1_[Channel{deck}]]", "super1"}, std::nullopt, "filter center"},
         true},
        {"headmix_cue",
         "Headphone mix toward cue",
         "Headphones",
         {"ctrl+alt+end"},
         AdjustAction{-0.1, {"[Master]", "headMix"}, "headphone mix", ValueFormat::cue_main},
         false},
        {"grid_earlier",
         "Move the beat grid 5 milliseconds earlier",
         "Beat grid",
         {"ctrl+alt+shift+w"},
         BeatgridMoveAction{-1},
         true},
        {"grid_undo",
         "Undo the last beat grid change",
         "Beat grid",
         {"ctrl+alt+u"},
         PressAction{on_deck("beats_undo_adjustment"),
                     ReportTarget{"[Channel{deck}]", "file_bpm", "grid change undone, grid tempo",
                                  ValueFormat::bpm_precise},
                     std::nullopt, std::nullopt},
         true},
        {"grid_lock",
         "Beat grid lock on / off",
         "Beat grid",
         {"ctrl+alt+shift+k"},
         ToggleAction{on_deck("bpmlock"), std::nullopt},
         true},
        {"load_to_deck_4",
         "Load the selected track to deck 4",
         "Library",
         {"ctrl+alt+shift+4"},
         PressAction{{"[Channel4]", "LoadSelectedTrack"},
                     std::nullopt,
                     std::nullopt,
                     "load the selected track to deck 4"},
         false},
        {"library_sidebar",
         "Go to the library sidebar",
         "Library",
         {},
         SetAction{2.0, {"[Library]", "focused_widget"}, std::nullopt, std::nullopt},
         false},
        {"autodj_add_top",
         "Add the selected track to the top of the Auto DJ queue",
         "Auto DJ",
         {"ctrl+alt+d"},
         PressAction{{"[Library]", "AutoDjAddTop"},
                     std::nullopt,
                     "added to the top of the Auto DJ queue",
                     std::nullopt},
         false},
        {"preview_fast_forward",
         "Preview deck fast forward while held",
         "Preview deck",
         {},
         HoldAction{{"[PreviewDeck1]", "fwd"},
                    ReportTarget{"[PreviewDeck1]", "time_elapsed", "preview at", ValueFormat::time},
                    std::nullopt},
         false},
        {"sampler_4_start",
         "Sampler 4: play from the start",
         "Samplers",
         {"ctrl+alt+shift+8"},
         PressAction{{"[Sampler4]", "cue_gotoandplay"},
                     std::nullopt,
                     std::nullopt,
                     "play sampler 4 from the start"},
         false},
        {"sampler_5_start",
         "Sampler 5: play from the start",
         "Samplers",
         {},
         PressAction{{"[Sampler5]", "cue_gotoandplay"},
                     std::nullopt,
                     std::nullopt,
                     "play sampler 5 from the start"},
         false},
        {"sampler_16_eject",
         "Sampler 16: eject",
         "Samplers",
         {},
         PressAction{
             {"[Sampler16]", "eject"}, std::nullopt, "sampler 16 ejected", "eject sampler 16"},
         false},
        {"sampler_12_headphones",
         "Sampler 12: headphones on / off",
         "Samplers",
         {},
         ToggleAction{{"[Sampler12]", "pfl"}, "sampler 12 headphones"},
         false},
        {"microphone_1",
         "Microphone 1 on / off (talkover)",
         "Microphones and auxiliary",
         {"ctrl+alt+shift+s"},
         ToggleAction{{"[Microphone]", "talkover"}, "microphone 1"},
         false},
        {"microphone_4_volume_down",
         "Microphone 4 volume down",
         "Microphones and auxiliary",
         {},
         AdjustAction{
             -0.05, {"[Microphone4]", "volume"}, "microphone 4 volume", ValueFormat::percent},
         false},
        {"aux_3_headphones",
         "Auxiliary input 3 headphones on / off",
         "Microphones and auxiliary",
         {},
         ToggleAction{{"[Auxiliary3]", "pfl"}, "auxiliary 3 headphones"},
         false},
        {"effect_unit_1_deck",
         "Effect unit 1 on the deck on / off",
         "Effects",
         {"ctrl+alt+enter"},
         ToggleAction{{"[EffectRack1_EffectUnit1]", "group_[Channel{deck}]_enable"},
                      "effect unit 1"},
         true},
        {"effect_unit_3_main",
         "Effect unit 3 on the main output on / off",
         "Effects",
         {},
         ToggleAction{{"[EffectRack1_EffectUnit3]", "group_[Master]_enable"},
                      "effect unit 3 on the main output"},
         false},
        {"effect_1_1_next",
         "Effect unit 1, effect 1: next effect",
         "Effects",
         {"ctrl+alt+backquote"},
         ChangeEffectAction{{"[EffectRack1_EffectUnit1_Effect1]", "next_effect"}, std::nullopt},
         false},
        {"effect_2_1_next",
         "Effect unit 2, effect 1: next effect",
         "Effects",
         {"ctrl+alt+shift+backquote"},
         ChangeEffectAction{{"[EffectRack1_EffectUnit2_Effect1]", "next_effect"}, std::nullopt},
         false},
        {"effect_3_2_on",
         "Effect unit 3, effect 2: on / off",
         "Effects",
         {},
         ToggleAction{{"[EffectRack1_EffectUnit3_Effect2]", "enabled"}, "effect 2 of unit 3"},
         false},
        {"effect_4_3_knob_down",
         "Effect unit 4, effect 3: knob down",
         "Effects",
         {},
         AdjustAction{-0.05,
                      {"[EffectRack1_EffectUnit4_Effect3]", "meta"},
                      "effect 3 knob",
                      ValueFormat::percent},
         false},
        {"say_effects",
         "Say what is in the effect units",
         "Effects",
         {"ctrl+alt+shift+f9"},
         SayAction{SayWhat::effects},
         false},
        {"recording",
         "Recording on / off",
         "Recording and broadcasting",
         {"ctrl+alt+shift+c"},
         PressAction{{"[Recording]", "toggle_recording"},
                     std::nullopt,
                     std::nullopt,
                     "recording on or off"},
         false},
        {"broadcast",
         "Live broadcasting on / off",
         "Recording and broadcasting",
         {"ctrl+alt+shift+e"},
         ToggleAction{{"[Shoutcast]", "enabled"}, "live broadcast"},
         false},
        {"say_status",
         "Say the deck status",
         "Information",
         {"ctrl+alt+space"},
         SayAction{SayWhat::status},
         true},
        {"say_high",
         "Say the high EQ",
         "Information",
         {},
         SayControlAction{{eq_group, "parameter3"}, "high", ValueFormat::offset},
         true},
        {"say_headmix",
         "Say the headphone mix",
         "Information",
         {},
         SayControlAction{{"[Master]", "headMix"}, "headphone mix", ValueFormat::cue_main},
         false},
        {"say_loop_size",
         "Say the loop size",
         "Information",
         {},
         SayControlAction{on_deck("beatloop_size"), "loop size", ValueFormat::number},
         true},
        {"announcements",
         "Announcements on / off",
         "Cuevoice",
         {"ctrl+alt+a"},
         ToggleAnnounceAction{},
         false},
        {"dump_widgets",
         "Write the Mixxx widget list to the plugin log (for developers)",
         "Cuevoice",
         {},
         DumpWidgetsAction{},
         false},
    };
    return list;
}

TEST(BuiltInCatalogue, SpotChecksMatchThePublishedEntries) {
    ASSERT_FULL_CATALOGUE();
    for (const Spot& spot : spots()) {
        auto found = find_function(spot.id);
        ASSERT_TRUE(found.has_value()) << spot.id;
        const FunctionEntry& entry = *found->entry;
        EXPECT_EQ(entry.name, spot.name) << spot.id;
        EXPECT_EQ(entry.category, spot.category) << spot.id;
        EXPECT_EQ(entry.default_keys, spot.keys) << spot.id;
        EXPECT_EQ(action_kind(entry.action), action_kind(spot.action)) << spot.id;
        EXPECT_TRUE(entry.action == spot.action) << spot.id;
        EXPECT_EQ(entry.deck_function, spot.deck_function) << spot.id;
    }
}

TEST(BuiltInCatalogue, TemplatesExpandToTheirRanges) {
    ASSERT_FULL_CATALOGUE();
    struct Range {
        std::string prefix_of_first, last;
        std::size_t count;
    };
    auto index_of = [](std::string_view id) {
        return static_cast<std::size_t>(&function(id) - catalog().data());
    };
    for (const Range& r : {
             Range{"beatjump_0.5_back", "beatjump_64_back", 8},
             Range{"beatloop_0.125", "beatloop_64", 10},
             Range{"hotcue_1", "hotcue_16", 16},
             Range{"sampler_1_start", "sampler_16_headphones", 112},
             Range{"microphone_1", "microphone_4_headphones", 16},
             Range{"effect_1_1_next", "effect_4_3_knob_down", 60},
             Range{"say_low", "say_high", 3},
         }) {
        EXPECT_EQ(index_of(r.last) - index_of(r.prefix_of_first) + 1, r.count) << r.last;
    }
    EXPECT_FALSE(find_function("microphone_").has_value());
    EXPECT_EQ(function("microphone_2").binding.group, "[Microphone2]");
    // The beat-grid moves and the adjusts repeat because nothing says otherwise.
    EXPECT_FALSE(function("grid_later").binding.repeat.has_value());
    EXPECT_FALSE(function("volume_up").binding.repeat.has_value());
}

TEST(BuiltInCatalogue, DeckSuffixesOnlyForDeckFunctions) {
    ASSERT_FULL_CATALOGUE();
    for (const char* id : {"play@deck2", "effect_unit_3_deck@deck2", "say_bpm@deck4",
                           "intro_start@deck1", "grid_later@deck3", "beatmatch@deck2"}) {
        auto found = find_function(id);
        ASSERT_TRUE(found.has_value()) << id;
        EXPECT_TRUE(found->deck.has_value()) << id;
    }
    for (const char* id : {"select_deck_1@deck2", "say_selected_track@deck1",
                           "sampler_1_play@deck1", "load_to_deck_1@deck3", "say_bpm_deck_2@deck1",
                           "effect_unit_3_main@deck2", "clear_marker@deck1", "Play"}) {
        EXPECT_FALSE(find_function(id).has_value()) << id;
    }
    for (const char* id :
         {"select_deck_1", "say_selected_track", "sampler_1_play", "load_to_deck_1", "play"})
        EXPECT_TRUE(find_function(id).has_value()) << id;
}

TEST(BuiltInCatalogue, ListControlsNamesReadAndWrittenControls) {
    ASSERT_FULL_CATALOGUE();
    using namespace cuevoice::test;
    ProcessResult result =
        run_process(bin_folder() / "cuevoice.exe", {.arguments = {"--list-controls"}});
    EXPECT_EQ(result.exit_code, 0u);
    for (const char* line :
         {"[Channel{deck}],play\n", "[Channel{deck}],time_elapsed\n", "[Channel1],bpm\n",
          "[Master],crossfader\n", "[Sampler16],pfl\n", "[Microphone],talkover\n",
          "[EffectRack1_EffectUnit1],group_[Channel{deck}]_enable\n",
          "[Channel{deck}],loop_start_position\n", "[Library],focused_widget\n"}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line;
    }
    // Functions without a control add nothing.
    EXPECT_EQ(result.out.find(",\n"), std::string::npos);
}

} // namespace
