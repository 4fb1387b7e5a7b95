#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include "config/key_chord.h"
#include "config/key_map.h"
#include "config/settings.h"
#include "function_entry.h"

using namespace cuevoice;
using cuevoice::test::function;

namespace {

const ControlTarget deck_play{"[Channel{deck}]", "play"};
const ControlTarget deck_volume{"[Channel{deck}]", "volume"};

// A small catalogue in the shape of the built-in one.
const std::vector<FunctionEntry>& functions() {
    static const std::vector<FunctionEntry> list = {
        function("select_deck_1", "Select deck 1", "Decks", {"ctrl+alt+1"}, SelectDeckAction{1}),
        function("play", "Play / pause", "Transport", {"ctrl+alt+p"},
                 ToggleAction{deck_play, std::nullopt}, {.deck_function = true}),
        function("play_too", "Play again", "Transport", {"Ctrl+Alt+P", "ctrl+alt+y"},
                 ToggleAction{deck_play, std::nullopt}, {.deck_function = true}),
        function("volume_up", "Volume up", "Mixer", {"ctrl+alt+pageup"},
                 AdjustAction{0.05, deck_volume, "volume", ValueFormat::percent},
                 {.deck_function = true}),
        function("volume_down", "Volume down", "Mixer", {"ctrl+alt+pagedown"},
                 AdjustAction{-0.05, deck_volume, "volume", ValueFormat::percent},
                 {.deck_function = true, .repeat = false}),
        function("nudge", "Nudge faster while held", "Nudge and seek", {},
                 HoldAction{{"[Channel{deck}]", "rate_temp_up"}, std::nullopt, std::nullopt},
                 {.deck_function = true, .repeat = true}),
        function("stop_speech", "Stop speech", "Cuevoice", {"ctrl+alt+q"}, StopSpeechAction{}),
    };
    return list;
}

Binding key(std::string text, std::string action, std::string control = {}) {
    Binding b;
    b.key = std::move(text);
    b.action = std::move(action);
    if (!control.empty())
        b.control = std::move(control);
    return b;
}

KeyMap build(const Shortcuts& shortcuts, const std::vector<Binding>& keys = {}) {
    Result<KeyMap> map = build_key_map(functions(), shortcuts, keys);
    EXPECT_TRUE(map.ok()) << map.error();
    return map.ok() ? std::move(map).value() : KeyMap{};
}

// "key text -> function id (or the bound name for [[keys]])", one per entry, in order.
std::vector<std::string> rows(const KeyMap& map) {
    std::vector<std::string> out;
    for (const KeyMapEntry& entry : map.entries)
        out.push_back(entry.key_text + " -> " +
                      (entry.function_id ? *entry.function_id : "[[keys]] " + entry.bound->name));
    return out;
}

const KeyMapEntry* entry_for(const KeyMap& map, std::string_view key_text) {
    for (const KeyMapEntry& entry : map.entries)
        if (entry.key_text == key_text)
            return &entry;
    return nullptr;
}

} // namespace

TEST(KeyMap, DefaultsAloneGiveEveryDefaultKeyInCatalogueOrder) {
    KeyMap map = build({});
    EXPECT_EQ(rows(map), (std::vector<std::string>{
                             "ctrl+alt+1 -> select_deck_1",
                             "ctrl+alt+p -> play",
                             // play_too's first default is play's chord in another spelling
                             "ctrl+alt+y -> play_too",
                             "ctrl+alt+pageup -> volume_up",
                             "ctrl+alt+pagedown -> volume_down",
                             "ctrl+alt+q -> stop_speech",
                         }));
    EXPECT_TRUE(map.problems.empty());

    const KeyMapEntry& play = map.entries[1];
    EXPECT_EQ(play.modifiers, 3u);
    EXPECT_EQ(play.vk, 0x50u);
    EXPECT_FALSE(play.repeat);
    EXPECT_EQ(play.bound->name, "Play / pause");
    EXPECT_FALSE(play.bound->fixed_deck.has_value());
    EXPECT_EQ(play.bound->action, functions()[1].action);
    EXPECT_TRUE(entry_for(map, "ctrl+alt+pageup")->repeat);    // adjust repeats by default
    EXPECT_FALSE(entry_for(map, "ctrl+alt+pagedown")->repeat); // its repeat = false counts
}

TEST(KeyMap, ShortcutsReplaceDefaultsInIdOrderAndTakeChordsAwayFromDefaults) {
    // "stop_speech" takes play's default chord; "play@deck2" adds a fixed-deck key while play
    // keeps its own; "play_too" = [] removes both of its defaults.
    Shortcuts shortcuts = {
        {"stop_speech", {"Shift+Ctrl+P", "ctrl+alt+p"}},
        {"play@deck2", {"ctrl+alt+shift+l"}},
        {"play_too", {}},
    };
    KeyMap map = build(shortcuts);
    EXPECT_EQ(rows(map), (std::vector<std::string>{
                             "ctrl+alt+shift+l -> play@deck2",
                             "ctrl+shift+p -> stop_speech",
                             "ctrl+alt+p -> stop_speech",
                             "ctrl+alt+1 -> select_deck_1",
                             "ctrl+alt+pageup -> volume_up",
                             "ctrl+alt+pagedown -> volume_down",
                         }));
    EXPECT_TRUE(map.problems.empty()) << map.problems.front();

    const KeyMapEntry& fixed = map.entries[0];
    EXPECT_EQ(fixed.bound->name, "Play / pause, deck 2");
    EXPECT_EQ(fixed.bound->fixed_deck, std::optional<std::uint8_t>(2));
    EXPECT_EQ(fixed.modifiers, 7u);
    EXPECT_EQ(fixed.vk, 0x4Cu);
}

TEST(KeyMap, CustomKeysComeFirstAndNoneSwitchesOnlyFunctionKeysOff) {
    Binding passthrough = key("ctrl+alt+shift+f1", "toggle", "passthrough");
    passthrough.label = "vinyl passthrough";
    std::vector<Binding> keys = {
        key("ctrl+alt+p", "none"),               // play's default goes, silently
        key("Ctrl+Alt+Q", "toggle", "quantize"), // also switched off below, but stays
        key("ctrl+alt+q", "none"),
        key("ctrl+alt+shift+n", "none"), // silences a [shortcuts] key as well
        passthrough,
    };
    KeyMap map = build({{"volume_up", {"ctrl+alt+shift+n", "ctrl+alt+pageup"}}}, keys);
    EXPECT_EQ(rows(map), (std::vector<std::string>{
                             "ctrl+alt+q -> [[keys]] quantize on or off on the current deck",
                             "ctrl+alt+shift+f1 -> [[keys]] vinyl passthrough on or off on the "
                             "current deck",
                             "ctrl+alt+pageup -> volume_up",
                             "ctrl+alt+1 -> select_deck_1",
                             "ctrl+alt+y -> play_too",
                             "ctrl+alt+pagedown -> volume_down",
                         }));
    EXPECT_TRUE(map.problems.empty()) << map.problems.front();
    EXPECT_EQ(entry_for(map, "ctrl+alt+q")->bound->fixed_deck, std::nullopt);
}

TEST(KeyMap, ReportsEveryProblemAndKeepsBuilding) {
    std::vector<Binding> keys = {
        key("ctrl+alt+shift+f1", "toggle", "passthrough"),
        key("Ctrl+Alt+Shift+F1", "not an action"), // the chord is checked before the action
        key("ctrl+alt+shift+f2", "press", "play"),
    };
    Shortcuts shortcuts = {
        {"nope", {"ctrl+alt+n"}},
        {"play", {"ctrl+a+b", "ctrl+alt+shift+f2", "ctrl+alt+f5"}},
        {"play@deck5", {"ctrl+alt+f6"}},
        {"select_deck_1@deck1", {"ctrl+alt+f7"}},
        {"stop_speech", {"ctrl+alt+f5", "ctrl+"}},
    };
    KeyMap map = build(shortcuts, keys);
    EXPECT_EQ(map.problems, (std::vector<std::string>{
                                "Ctrl+Alt+Shift+F1 is used twice in [[keys]]; the first one counts",
                                "unknown function 'nope' in [shortcuts]",
                                "play: 'ctrl+a+b': more than one key",
                                "ctrl+alt+shift+f2 for play is already used; skipped",
                                "unknown function 'play@deck5' in [shortcuts]",
                                "unknown function 'select_deck_1@deck1' in [shortcuts]",
                                "ctrl+alt+f5 for stop_speech is already used; skipped",
                                "stop_speech: 'ctrl+': unknown key ''",
                            }));
    // The other keys of a list with a problem still count.
    ASSERT_NE(entry_for(map, "ctrl+alt+f5"), nullptr);
    EXPECT_EQ(entry_for(map, "ctrl+alt+f5")->function_id, "play");
    EXPECT_EQ(entry_for(map, "ctrl+alt+shift+f1")->bound->name,
              "passthrough on or off on the current deck");
}

TEST(KeyMap, AnInvalidCustomKeyFailsTheWholeBuild) {
    struct Case {
        std::vector<Binding> keys;
        std::string error;
    };
    const std::vector<Case> cases = {
        {{key("ctrl+alt+shift+f1", "toggle", "x"), key("ctrl+alt", "toggle", "play")},
         "'ctrl+alt': no key given"},
        {{key("ctrl+alt+shift+f1", "toggle", "x"), key("ctrl+alt+zz", "none")},
         "'ctrl+alt+zz': unknown key 'zz'"},
        {{key("ctrl+alt+shift+f1", "toggle", "x"), key("ctrl+alt+shift+f3", "toggle")},
         "'ctrl+alt+shift+f3': action 'toggle' needs 'control'"},
        {{key("ctrl+alt+shift+f3", "Toggle", "play")},
         "'ctrl+alt+shift+f3': unknown action 'Toggle'"},
    };
    for (const Case& c : cases) {
        Result<KeyMap> map = build_key_map(functions(), {}, c.keys);
        ASSERT_FALSE(map.ok()) << c.error;
        EXPECT_EQ(map.error(), c.error);
    }
}

TEST(KeyMap, ControlCharactersOfTheFileInAMessageAreShownAsEscapes) {
    // Written in config.toml as escapes ("\u0000", "\t") or raw (a tab in a name); raw in a
    // message, a NUL would cut the logged and spoken text short and the others go unseen.
    using namespace std::string_literals;
    const struct {
        std::vector<Binding> keys;
        std::string error;
    } failing[] = {
        {{key("ctrl+alt+\0"s, "none")}, "'ctrl+alt+\\u0000': unknown key '\\u0000'"},
        {{key("ctrl+alt+\x7f", "none")}, "'ctrl+alt+\\u007F': unknown key '\\u007F'"},
        {{key("ctrl+alt+shift+f3\t", "Tog\x01gle", "play")},
         "'ctrl+alt+shift+f3\\t': unknown action 'Tog\\u0001gle'"},
    };
    for (const auto& c : failing) {
        Result<KeyMap> map = build_key_map(functions(), {}, c.keys);
        ASSERT_FALSE(map.ok()) << c.error;
        EXPECT_EQ(map.error(), c.error);
    }
    KeyMap map =
        build({{"pl\tay", {"ctrl+alt+n"}}, {"stop_speech", {"ctrl+\r"}}},
              {key("ctrl+alt+shift+f1", "toggle", "x"), key("ctrl+alt+shift+f1\t", "toggle", "y")});
    EXPECT_EQ(map.problems, (std::vector<std::string>{
                                "ctrl+alt+shift+f1\\t is used twice in [[keys]]; the first one "
                                "counts",
                                "unknown function 'pl\\tay' in [shortcuts]",
                                "stop_speech: 'ctrl+\\r': unknown key ''",
                            }));
}

TEST(KeyMap, RepeatFollowsTheBindingThenTheActionKind) {
    Binding adjust = key("ctrl+alt+shift+f1", "adjust", "volume");
    adjust.step = 0.1;
    Binding adjust_no_repeat = adjust;
    adjust_no_repeat.key = "ctrl+alt+shift+f2";
    adjust_no_repeat.repeat = false;
    Binding move = key("ctrl+alt+shift+f3", "beatgrid_move");
    move.step = 1;
    Binding toggle = key("ctrl+alt+shift+f4", "toggle", "play");
    Binding toggle_repeat = toggle;
    toggle_repeat.key = "ctrl+alt+shift+f5";
    toggle_repeat.repeat = true;
    KeyMap map =
        build({{"nudge", {"ctrl+alt+n"}}}, {adjust, adjust_no_repeat, move, toggle, toggle_repeat});
    const std::vector<std::pair<std::string, bool>> expected = {
        {"ctrl+alt+shift+f1", true},  {"ctrl+alt+shift+f2", false}, {"ctrl+alt+shift+f3", true},
        {"ctrl+alt+shift+f4", false}, {"ctrl+alt+shift+f5", true},  {"ctrl+alt+n", true},
    };
    for (const auto& [text, repeat] : expected) {
        ASSERT_NE(entry_for(map, text), nullptr) << text;
        EXPECT_EQ(entry_for(map, text)->repeat, repeat) << text;
    }
}

TEST(KeyMap, ActionForFunctionIdNamesTheFixedDeck) {
    std::optional<BoundAction> play = action_for_function_id(functions(), "play");
    ASSERT_TRUE(play.has_value());
    EXPECT_EQ(play->name, "Play / pause");
    EXPECT_EQ(play->fixed_deck, std::nullopt);
    EXPECT_EQ(play->action, functions()[1].action);

    std::optional<BoundAction> deck3 = action_for_function_id(functions(), "play@deck03");
    ASSERT_TRUE(deck3.has_value());
    EXPECT_EQ(deck3->name, "Play / pause, deck 3");
    EXPECT_EQ(deck3->fixed_deck, std::optional<std::uint8_t>(3));

    for (const char* unknown : {"Play", "play@deck0", "stop_speech@deck1", ""})
        EXPECT_FALSE(action_for_function_id(functions(), unknown).has_value()) << unknown;
}

TEST(KeyMap, HotKeyRowsShareTheBoundActions) {
    KeyMap map = build({});
    std::vector<HotKeyRow> hot = hot_key_rows(map);
    ASSERT_EQ(hot.size(), map.entries.size());
    for (std::size_t i = 0; i < hot.size(); ++i) {
        EXPECT_EQ(hot[i].key_text, map.entries[i].key_text);
        EXPECT_EQ(hot[i].bound.get(), map.entries[i].bound.get());
        EXPECT_EQ(hot[i].modifiers, map.entries[i].modifiers);
        EXPECT_EQ(hot[i].vk, map.entries[i].vk);
        EXPECT_EQ(hot[i].repeat, map.entries[i].repeat);
    }
}

namespace {

// Runs the body with standard output going into a pipe, and gives back what was written.
template <typename Body> std::string captured_stdout(Body body) {
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, nullptr, 1 << 16))
        return "CreatePipe failed";
    HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, write_end);
    body();
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
    CloseHandle(write_end);
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(read_end);
    return text;
}

} // namespace

TEST(KeyMapFromSettings, LogsEachProblemAndGivesTheRowsInOrder) {
    Settings settings;
    settings.shortcuts = {{"no_such_function", {"ctrl+alt+shift+n"}}};
    settings.keys = {key("ctrl+alt+shift+f1", "toggle", "passthrough"),
                     key("Ctrl+Alt+Shift+F1", "toggle", "play")};
    Result<std::vector<HotKeyRow>> rows = Error{"not run"};
    const std::string log = captured_stdout([&] { rows = key_map_from_settings(settings); });
    ASSERT_TRUE(rows.ok()) << rows.error();
    EXPECT_EQ(log,
              "config.toml: Ctrl+Alt+Shift+F1 is used twice in [[keys]]; the first one counts\n"
              "config.toml: unknown function 'no_such_function' in [shortcuts]\n");
    ASSERT_FALSE(rows->empty());
    const HotKeyRow& first = rows->front();
    EXPECT_EQ(first.key_text, "ctrl+alt+shift+f1");
    EXPECT_EQ(first.bound->name, "passthrough on or off on the current deck");
    EXPECT_EQ(first.modifiers, 7u);
    EXPECT_EQ(first.vk, 0x70u);
    EXPECT_FALSE(first.repeat);

    Result<KeyMap> map = build_key_map(settings.shortcuts, settings.keys);
    ASSERT_TRUE(map.ok());
    ASSERT_EQ(map->entries.size(), rows->size());
    for (std::size_t i = 0; i < rows->size(); ++i) {
        EXPECT_EQ((*rows)[i].key_text, map->entries[i].key_text);
        EXPECT_EQ((*rows)[i].vk, map->entries[i].vk);
    }
}

TEST(KeyMapFromSettings, PassesABuildErrorOnWithoutLoggingIt) {
    Settings settings;
    settings.keys = {key("ctrl+alt+", "toggle", "play")};
    Result<std::vector<HotKeyRow>> rows = std::vector<HotKeyRow>{};
    const std::string log = captured_stdout([&] { rows = key_map_from_settings(settings); });
    ASSERT_FALSE(rows.ok());
    EXPECT_EQ(rows.error(), "'ctrl+alt+': unknown key ''");
    EXPECT_EQ(log, "");
}

TEST(KeyMap, BuiltInCatalogueBindsEveryDefaultKeyOnce) {
    Result<KeyMap> map = build_key_map({}, {});
    ASSERT_TRUE(map.ok()) << map.error();
    EXPECT_TRUE(map->problems.empty()) << map->problems.front();
    std::vector<std::string> expected;
    for (const FunctionEntry& function : catalog())
        for (const std::string& text : function.default_keys)
            expected.push_back(
                format_key_chord(parse_key_chord(text)->modifiers, parse_key_chord(text)->vk) +
                " -> " + function.id);
    EXPECT_EQ(rows(*map), expected);

    Result<KeyMap> with_deck = build_key_map({{"play@deck2", {"ctrl+alt+shift+l"}}}, {});
    ASSERT_TRUE(with_deck.ok());
    const KeyMapEntry* fixed = entry_for(*with_deck, "ctrl+alt+shift+l");
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->function_id, "play@deck2");
    EXPECT_EQ(fixed->bound->name, "Play / pause, deck 2");
    EXPECT_EQ(fixed->bound->fixed_deck, std::optional<std::uint8_t>(2));
    EXPECT_EQ(entry_for(*with_deck, "ctrl+alt+p")->function_id, "play");
}
