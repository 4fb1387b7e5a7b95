#include <gtest/gtest.h>

#include <thread>

#include "catalog/catalog.h"

using namespace cuevoice;

namespace {

std::vector<FunctionEntry> built(const std::string& text) {
    auto result = build_catalog_from(text);
    EXPECT_TRUE(result.ok()) << result.error();
    return result.ok() ? std::move(result).value() : std::vector<FunctionEntry>{};
}

std::vector<std::string> ids_of(const std::vector<FunctionEntry>& entries) {
    std::vector<std::string> ids;
    for (const FunctionEntry& entry : entries)
        ids.push_back(entry.id);
    return ids;
}

std::vector<std::string> names_of(const std::vector<FunctionEntry>& entries) {
    std::vector<std::string> names;
    for (const FunctionEntry& entry : entries)
        names.push_back(entry.name);
    return names;
}

using Texts = std::vector<std::string>;

TEST(TemplateText, ReplacesPlaceholdersInOrderAndLeavesOtherBraces) {
    struct Case {
        std::string text;
        TemplateCopy copy;
        std::string expanded;
    };
    for (const Case& c : {
             Case{"beatjump_{n}_back", {"0.5", "half a beat", 1, ""}, "beatjump_0.5_back"},
             Case{"{n}{n} {name} {i} {m}", {"a", "b", 12, "c"}, "aa b 12 c"},
             Case{"[Channel{deck}]_{n}{x}", {"1", "", 1, ""}, "[Channel{deck}]_1{x}"},
             Case{"{n}, {name}, {m}, {i}", {}, ", , , 0"},
             // A later step sees what an earlier one put in; an earlier step does not.
             Case{"{n}", {"{name}{i}", "N", 3, ""}, "N3"},
             Case{"{m}", {"", "{n}", 0, "{name}"}, "{name}"},
             Case{"{{n}}", {"x", "", 0, ""}, "{x}"},
         }) {
        EXPECT_EQ(expand_template_text(c.text, c.copy), c.expanded) << c.text;
    }
}

TEST(CatalogBuilding, ValuesGiveOneCopyEachWithNamesOrTheValue) {
    auto entries = built(R"(
[[function]]
id = "beatjump_{n}_back"
name = "Beat jump {name} back"
category = "Beat jump"
action = "press"
control = "beatjump_{n}_backward"
values = ["0.5", "1", "64"]
names = ["half a beat", "1 beat", "64 beats"]

[[function]]
id = "{n}_reset"
name = "Reset {name}"
category = "EQ and filter"
action = "press"
group = "[EqualizerRack1_[Channel{deck}]_Effect1]"
control = "parameter{i}_set_default"
confirm = "{n} reset"
values = ["low", "mid", "high"]

[[function]]
id = "microphone_{name}"
name = "Microphone {name} on / off"
category = "Microphones and auxiliary"
action = "toggle"
group = "[Microphone{n}]"
control = "talkover"
label = "microphone {name}"
values = ["", "2"]
names = ["1", "2"]

[[function]]
id = "short_{name}"
name = "{name}."
category = "C"
action = "stop_speech"
values = ["a", "b", "c"]
names = ["x", ""]
)");
    EXPECT_EQ(ids_of(entries), (Texts{"beatjump_0.5_back", "beatjump_1_back", "beatjump_64_back",
                                      "low_reset", "mid_reset", "high_reset", "microphone_1",
                                      "microphone_2", "short_x", "short_", "short_c"}));
    EXPECT_EQ(names_of(entries),
              (Texts{"Beat jump half a beat back", "Beat jump 1 beat back",
                     "Beat jump 64 beats back", "Reset low", "Reset mid", "Reset high",
                     "Microphone 1 on / off", "Microphone 2 on / off", "x.", ".", "c."}));
    EXPECT_EQ(entries[0].binding.control, "beatjump_0.5_backward");
    EXPECT_EQ(entries[4].binding.control, "parameter2_set_default");
    EXPECT_EQ(entries[4].binding.confirm, "mid reset");
    EXPECT_EQ(entries[4].binding.group, "[EqualizerRack1_[Channel{deck}]_Effect1]");
    EXPECT_EQ(entries[6].binding.group, "[Microphone]");
    EXPECT_EQ(entries[7].binding.group, "[Microphone2]");
    EXPECT_EQ(entries[7].binding.label, "microphone 2");
}

TEST(CatalogBuilding, ValuesTimesValues2WithOwnKeysPerCopy) {
    auto entries = built(R"(
[[function]]
id = "effect_{n}_{m}_next"
name = "Effect unit {n}, effect {m}: next effect"
category = "Effects"
action = "change_effect"
group = "[EffectRack1_EffectUnit{n}_Effect{m}]"
control = "next_effect"
values = ["1", "2", "3", "4"]
values2 = ["1", "2", "3"]
keys_each = ["ctrl+alt+backquote", "", "", "ctrl+alt+shift+backquote"]
)");
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(ids_of(entries),
              (Texts{"effect_1_1_next", "effect_1_2_next", "effect_1_3_next", "effect_2_1_next",
                     "effect_2_2_next", "effect_2_3_next", "effect_3_1_next", "effect_3_2_next",
                     "effect_3_3_next", "effect_4_1_next", "effect_4_2_next", "effect_4_3_next"}));
    EXPECT_EQ(entries[0].default_keys, Texts{"ctrl+alt+backquote"});
    EXPECT_EQ(entries[3].default_keys, Texts{"ctrl+alt+shift+backquote"});
    for (std::size_t p : {1, 2, 4, 5, 6, 7, 8, 9, 10, 11})
        EXPECT_TRUE(entries[p].default_keys.empty()) << entries[p].id;
    EXPECT_EQ(entries[5].binding.group, "[EffectRack1_EffectUnit2_Effect3]");
    EXPECT_EQ(entries[5].name, "Effect unit 2, effect 3: next effect");
    EXPECT_FALSE(entries[5].deck_function);
}

TEST(CatalogBuilding, DefaultKeysAreSharedKeysThenTheCopysOwn) {
    auto entries = built(R"(
[[function]]
id = "hotcue_{n}"
name = "Hotcue {n}"
category = "Hotcues"
keys = ["ctrl+alt+h", "CTRL + ALT + j"]
keys_each = ["ctrl+alt+f1", "ctrl+alt+f2"]
action = "press"
control = "hotcue_{n}_activate"
values = ["1", "2", "3"]

[[function]]
id = "plain"
name = "Plain"
category = "Hotcues"
keys_each = ["ctrl+alt+p", "ctrl+alt+q"]
action = "stop_speech"
)");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].default_keys, (Texts{"ctrl+alt+h", "CTRL + ALT + j", "ctrl+alt+f1"}));
    EXPECT_EQ(entries[1].default_keys, (Texts{"ctrl+alt+h", "CTRL + ALT + j", "ctrl+alt+f2"}));
    EXPECT_EQ(entries[2].default_keys, (Texts{"ctrl+alt+h", "CTRL + ALT + j"}));
    // A plain entry is copy 0.
    EXPECT_EQ(entries[3].default_keys, Texts{"ctrl+alt+p"});
}

TEST(CatalogBuilding, EntriesWithoutValuesExpandToEmptyTextAndZero) {
    auto entries = built(R"(
[[function]]
id = "f{n}{name}{m}{i}"
name = "F {n}|{name}|{m}|{i}"
category = "Cat {n}"
key = "ctrl+alt+k"
action = "toggle"
control = "c{i}{m}"
label = "{name}{deck}"
values2 = ["x", "y"]
)");
    ASSERT_EQ(entries.size(), 1u);
    const FunctionEntry& entry = entries[0];
    EXPECT_EQ(entry.id, "f0");
    EXPECT_EQ(entry.name, "F |||0");
    EXPECT_EQ(entry.category, "Cat {n}");
    EXPECT_EQ(entry.binding.key, "f0");
    EXPECT_EQ(entry.binding.control, "c0");
    EXPECT_EQ(entry.binding.label, "{deck}");
}

TEST(CatalogBuilding, ExpandsTheTextFieldsOnlyAndNamesTheCopyInErrors) {
    auto entries = built(R"(
[[function]]
id = "r_{n}"
name = "R"
category = "C"
action = "press"
group = "[G{n}]"
control = "c{n}"
report = "r{n}"
report_label = "l{n}"
report_format = "number"
confirm = "done {name}"
values = ["7"]
names = ["seven"]

[[function]]
id = "w_{n}"
name = "W"
category = "C"
action = "say"
what = "{n}"
values = ["status"]
)");
    ASSERT_EQ(entries.size(), 2u);
    const auto& press = std::get<PressAction>(entries[0].action);
    EXPECT_EQ(press.target, (ControlTarget{"[G7]", "c7"}));
    EXPECT_EQ(press.report, (ReportTarget{"[G7]", "r7", "l7", ValueFormat::number}));
    EXPECT_EQ(press.confirm, "done seven");
    EXPECT_EQ(std::get<SayAction>(entries[1].action).what, SayWhat::status);

    // Formats are taken as written, and the error names the copy's id.
    auto failed = build_catalog_from(R"(
[[function]]
id = "a_{n}"
name = "A"
category = "C"
action = "adjust"
control = "volume"
step = 0.1
format = "{n}"
values = ["percent"]
)");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(), "'a_percent': unknown format '{n}'");

    auto second_copy = build_catalog_from(R"(
[[function]]
id = "s_{n}"
name = "S"
category = "C"
action = "say"
what = "{n}"
values = ["status", "volume"]
)");
    ASSERT_FALSE(second_copy.ok());
    EXPECT_EQ(second_copy.error(), "'s_volume': unknown say 'what': Some(\"volume\")");
}

TEST(CatalogBuilding, DocumentErrorsComeThrough) {
    auto failed =
        build_catalog_from("[[function]]\nid = \"a\"\nname = \"A\"\naction = \"key_help\"\n");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(), "missing field `category`");
}

TEST(DeckFunctions, FollowTheKindAndTheTarget) {
    struct Case {
        const char* fields;
        bool deck_function;
    };
    for (const Case& c : {
             Case{"action = \"toggle\"\ncontrol = \"play\"", true},
             Case{"action = \"toggle\"\ngroup = \"[Channel1]\"\ncontrol = \"play\"", false},
             Case{"action = \"toggle\"\ngroup = \"[Master]\"\ncontrol = "
                  "\"group_[Channel{deck}]_enable\"",
                  true},
             Case{"action = \"press\"\ngroup = \"[Master]\"\ncontrol = \"x\"\nreport = \"{deck}\"",
                  false},
             Case{"action = \"hold\"\ngroup = \"[QuickEffectRack1_[Channel{deck}]]\"\ncontrol = "
                  "\"x\"",
                  true},
             Case{
                 "action = \"set\"\ngroup = \"[Library]\"\ncontrol = \"focused_widget\"\nvalue = 1",
                 false},
             Case{"action = \"adjust\"\ncontrol = \"volume\"\nstep = 0.05", true},
             Case{"action = \"say_control\"\ngroup = \"[Master]\"\ncontrol = \"gain\"", false},
             Case{"action = \"change_effect\"\ngroup = "
                  "\"[EffectRack1_EffectUnit1_Effect1]\"\ncontrol = \"next_effect\"",
                  false},
             Case{"action = \"say\"\nwhat = \"status\"", true},
             Case{"action = \"say\"\nwhat = \"grid_offset\"", true},
             Case{"action = \"say\"\nwhat = \"selected_track\"", false},
             Case{"action = \"say\"\nwhat = \"effects\"", false},
             Case{"action = \"beatgrid_clicks\"", true},
             Case{"action = \"beatgrid_move\"\nstep = 1.0", true},
             Case{"action = \"beatgrid_tap\"", true},
             Case{"action = \"marker\"\ngroup = \"[Master]\"\ncontrol = \"a\"\nreport = "
                  "\"b\"\nlabel = \"c\"",
                  true},
             Case{"action = \"beatmatch\"", true},
             Case{"action = \"beatmatch_monitor\"", true},
             Case{"action = \"select_deck\"\ndeck = 1", false},
             Case{"action = \"stop_speech\"", false},
             Case{"action = \"toggle_announce\"", false},
             Case{"action = \"dump_widgets\"", false},
             Case{"action = \"key_help\"", false},
             Case{"action = \"preview\"\ncontrol = \"{deck}\"", false},
             Case{"action = \"clear_marker\"", false},
             Case{"action = \"stop_samplers\"", false},
             Case{"action = \"key_editor\"", false},
         }) {
        auto entries =
            built(std::string("[[function]]\nid = \"f\"\nname = \"F\"\ncategory = \"C\"\n") +
                  c.fields + "\n");
        ASSERT_EQ(entries.size(), 1u) << c.fields;
        EXPECT_EQ(entries[0].deck_function, c.deck_function) << c.fields;
    }
}

const char* lookup_document = R"(
[[function]]
id = "play"
name = "Play / pause"
category = "Transport"
action = "toggle"
control = "play"

[[function]]
id = "select_deck_1"
name = "Select deck 1"
category = "Decks"
action = "select_deck"
deck = 1

[[function]]
id = "load_to_deck_{n}"
name = "Load to deck {n}"
category = "Library"
action = "press"
group = "[Channel{n}]"
control = "LoadSelectedTrack"
values = ["1", "3"]

[[function]]
id = "play"
name = "A second play, never found"
category = "Transport"
action = "stop_speech"

[[function]]
id = "say_effects"
name = "Say effects"
category = "Effects"
action = "say"
what = "effects"
)";

TEST(FunctionIds, ResolveExactIdsAndDeckSuffixes) {
    auto entries = built(lookup_document);
    ASSERT_EQ(entries.size(), 6u);
    struct Case {
        const char* text;
        const FunctionEntry* entry;
        std::optional<std::uint8_t> deck;
    };
    const FunctionEntry* play = &entries[0];
    for (const Case& c : {
             Case{"play", play, std::nullopt},
             Case{"play@deck2", play, 2},
             Case{"play@deck02", play, 2},
             Case{"play@deck+2", play, 2},
             Case{"play@deck0004", play, 4},
             Case{"play@deck1", play, 1},
             Case{"select_deck_1", &entries[1], std::nullopt},
             Case{"load_to_deck_3", &entries[3], std::nullopt},
             Case{"say_effects", &entries[5], std::nullopt},
         }) {
        auto found = find_function_in(entries, c.text);
        ASSERT_TRUE(found.has_value()) << c.text;
        EXPECT_EQ(found->entry, c.entry) << c.text;
        EXPECT_EQ(found->deck, c.deck) << c.text;
    }
    for (const char* text : {"play@deck0",
                             "play@deck5",
                             "play@deck256",
                             "play@deck",
                             "play@deck+",
                             "play@deck-1",
                             "play@deck 2",
                             "play@deck2 ",
                             "play@deck++2",
                             "play@deckx",
                             "play@deck2@deck3",
                             "play@deck99999999999999999999",
                             "Play",
                             "play ",
                             "",
                             "@deck1",
                             "select_deck_1@deck2",
                             "load_to_deck_1@deck3",
                             "say_effects@deck1",
                             "unknown@deck1",
                             "load_to_deck_2"}) {
        EXPECT_FALSE(find_function_in(entries, text).has_value()) << text;
    }
}

TEST(Categories, KeepFirstAppearanceWithoutRepeats) {
    auto entries = built(lookup_document);
    EXPECT_EQ(categories_of(entries),
              (std::vector<std::string_view>{"Transport", "Decks", "Library", "Effects"}));
    EXPECT_TRUE(categories_of({}).empty());
}

TEST(BuiltInCatalogue, IsBuiltOnceForEveryThread) {
    std::vector<const std::vector<FunctionEntry>*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = &catalog(); });
    for (std::thread& thread : threads)
        thread.join();
    for (const auto* list : seen)
        EXPECT_EQ(list, seen[0]);
    EXPECT_FALSE(seen[0]->empty());
    EXPECT_EQ(seen[0]->front().id, "select_deck_1");
    EXPECT_EQ(seen[0]->back().id, "dump_widgets");
    EXPECT_EQ(&catalog(), seen[0]);
}

} // namespace
