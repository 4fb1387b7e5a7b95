#include <functional>

#include <gtest/gtest.h>

#include <windows.h>

#include "common/files.h"
#include "config/key_chord.h"
#include "config/settings.h"
#include "config/settings_file.h"
#include "editor/save_settings.h"
#include "editor_fixture.h"
#include "function_entry.h"
#include "test_support.h"

namespace cuevoice {
namespace {

using test::read_file;
using test::write_file;
using Entries = std::map<std::string, std::vector<std::string>>;

// The model of a file without [shortcuts] and [[keys]]: every function at its defaults.
EditorModel default_model() {
    auto model = build_editor_model(Settings{});
    EXPECT_TRUE(model.ok()) << model.error();
    return model.ok() ? *model : EditorModel{};
}

TEST(ShortcutEntries, OnlyWhatDiffersFromTheEffectiveDefaults) {
    struct Case {
        std::string what;
        std::function<void(EditorModel&)> change;
        Entries expected;
    };
    const CustomKey play_key_off{modifier_ctrl | modifier_alt, 'P', "switched off"};
    const CustomKey play_key_custom{modifier_ctrl | modifier_alt, 'P', "toggle passthrough"};
    const Case cases[] = {
        {"every function at its defaults", [](EditorModel&) {}, {}},
        {"no keys where there are defaults",
         [](EditorModel& m) { m.function_keys["play"] = {}; },
         {{"play", {}}}},
        {"an absent function counts as no keys",
         [](EditorModel& m) { m.function_keys.erase("play"); },
         {{"play", {}}}},
        {"a function without defaults and a key",
         [](EditorModel& m) { m.function_keys["nudge_slower_small"] = {"ctrl+alt+f13"}; },
         {{"nudge_slower_small", {"ctrl+alt+f13"}}}},
        {"a function without defaults and no keys",
         [](EditorModel& m) { m.function_keys["nudge_slower_small"] = {}; },
         {}},
        {"keys in their own order",
         [](EditorModel& m) {
             m.function_keys["play"] = {"ctrl+alt+f13", "ctrl+alt+p"};
         },
         {{"play", {"ctrl+alt+f13", "ctrl+alt+p"}}}},
        {"a default that a switched-off key takes is no default",
         [&](EditorModel& m) {
             m.custom_keys = {play_key_off};
             m.function_keys.erase("play");
         },
         {}},
        {"a default that a custom key takes is no default",
         [&](EditorModel& m) {
             m.custom_keys = {play_key_custom};
             m.function_keys["play"] = {};
         },
         {}},
        {"keeping a default that [[keys]] takes is a change",
         [&](EditorModel& m) { m.custom_keys = {play_key_off}; },
         {{"play", {"ctrl+alt+p"}}}},
        {"deck variants with keys",
         [](EditorModel& m) {
             m.function_keys["hotcue_1@deck2"] = {"ctrl+alt+f13"};
             m.function_keys["play@deck3"] = {};
         },
         {{"hotcue_1@deck2", {"ctrl+alt+f13"}}}},
        {"stray entries are kept as they are",
         [](EditorModel& m) {
             m.stray_shortcuts = {{"gone_function", {"not a key"}}, {"x@deck9", {}}};
         },
         {{"gone_function", {"not a key"}}, {"x@deck9", {}}}},
    };
    for (const Case& c : cases) {
        EditorModel model = default_model();
        c.change(model);
        EXPECT_EQ(shortcut_entries(model), c.expected) << c.what;
    }
}

TEST(ShortcutEntries, KeysAreComparedSortedButWrittenInTheirOrder) {
    const std::vector<FunctionEntry> functions{
        test::function("two", "Two keys", "Tests", {"ctrl+alt+b", "ctrl+alt+a"}, {}),
        test::function("one", "One key", "Tests", {"ctrl+alt+c"}, {}, {.deck_function = true})};
    const std::pair<FunctionKeys, Entries> cases[] = {
        {{{"two", {"ctrl+alt+a", "ctrl+alt+b"}}, {"one", {"ctrl+alt+c"}}}, {}},
        {{{"two", {"ctrl+alt+b", "ctrl+alt+a"}}, {"one", {"ctrl+alt+c"}}}, {}},
        {{{"two", {"ctrl+alt+b"}}, {"one", {"ctrl+alt+c"}}}, {{"two", {"ctrl+alt+b"}}}},
        {{{"two", {"ctrl+alt+b", "ctrl+alt+a", "ctrl+alt+d"}}, {"one", {"ctrl+alt+c"}}},
         {{"two", {"ctrl+alt+b", "ctrl+alt+a", "ctrl+alt+d"}}}},
        {{{"two", {"ctrl+alt+b", "ctrl+alt+a"}},
          {"one", {"ctrl+alt+c"}},
          {"one@deck4", {"ctrl+alt+e"}},
          {"two@deck1", {"ctrl+alt+f"}}},
         {{"one@deck4", {"ctrl+alt+e"}}}}, // "two" is no deck function
    };
    for (const auto& [keys, expected] : cases)
        EXPECT_EQ(shortcut_entries(functions, EditorModel{keys, {}, {}}), expected);
    EXPECT_EQ(sorted_key_texts({"ctrl+b", "alt+a", "Ctrl+a"}),
              (std::vector<std::string>{"Ctrl+a", "alt+a", "ctrl+b"}));
}

TEST(ShortcutEntries, SectionLinesInByteOrderOfTheIds) {
    const Entries entries{{"hotcue_1_clear", {}},
                          {"hotcue_1@deck2", {"ctrl+alt+shift+l", "shift+f5"}},
                          {"hotcue_1", {"ctrl+alt+y"}}};
    EXPECT_EQ(shortcuts_section_text(entries), "[shortcuts]\n"
                                               "\"hotcue_1\" = [\"ctrl+alt+y\"]\n"
                                               "\"hotcue_1@deck2\" = [\"ctrl+alt+shift+l\", "
                                               "\"shift+f5\"]\n"
                                               "\"hotcue_1_clear\" = []\n");
    EXPECT_EQ(shortcuts_section_text({}), "[shortcuts]\n");
}

TEST(ShortcutsSection, ReplacedOrInserted) {
    const std::string section = "[shortcuts]\n\"play\" = []\n";
    struct Case {
        std::string what;
        std::string base;
        std::string expected;
    };
    const Case cases[] = {
        {"old entries, comments and blanks of the section go",
         "[general]\nport = 1\n[shortcuts]\n# mine\n\"cue\" = []\n\n  [[keys]]\nkey = 'a'\n",
         "[general]\nport = 1\n" + section + "\n  [[keys]]\nkey = 'a'\n"},
        {"the section ends at the advanced part",
         "[shortcuts]\n\"cue\" = []\n   # --- Advanced: x\n# more\n",
         section + "\n   # --- Advanced: x\n# more\n"},
        {"a comment that is no advanced mark stays in the section",
         "[shortcuts]\n# ---- Advanced\n[general]\n", section + "\n[general]\n"},
        {"a header with blanks around it", "  [shortcuts]\t\n\"cue\" = []\n", section},
        {"a header on the last line", "[general]\n[shortcuts]", "[general]\n" + section},
        {"only the first header counts", "[shortcuts]\n[other]\n[shortcuts]\n",
         section + "\n[other]\n[shortcuts]\n"},
        {"no header: before the advanced part", "[general]\n\n# --- Advanced\n[[keys]]\n",
         "[general]\n\n" + section + "\n# --- Advanced\n[[keys]]\n"},
        {"no header: before the first [[keys]]", "[general]\n [[keys]] \nkey = 'a'\n",
         "[general]\n" + section + "\n [[keys]] \nkey = 'a'\n"},
        {"no header: at the end", "[general]\nport = 1", "[general]\nport = 1\n" + section + "\n"},
        {"an empty text", "", section + "\n"},
        {"carriage returns go, lone ones stay", "[general]\r\nname = 'a\rb'\r\n[shortcuts]\r\n",
         "[general]\nname = 'a\rb'\n" + section},
    };
    for (const Case& c : cases)
        EXPECT_EQ(replace_shortcuts_section(c.base, section), c.expected) << c.what;
}

class SaveSettings : public test::EditorFixture {};

TEST_F(SaveSettings, TheFirstStartFileGetsOneLineAndLosesItAgain) {
    const std::string template_text = settings_template_text();
    EditorState state = open(template_text);
    state.model.function_keys["nudge_slower_small"] = {"ctrl+alt+shift+n"};
    ASSERT_TRUE(save_settings(state).ok());
    EXPECT_EQ(read_file(config),
              replaced(template_text, "\n[shortcuts]\n\n",
                       "\n[shortcuts]\n\"nudge_slower_small\" = [\"ctrl+alt+shift+n\"]\n\n"));
    state.model.function_keys["nudge_slower_small"] = {};
    ASSERT_TRUE(save_settings(state).ok());
    EXPECT_EQ(read_file(config), template_text);
    EXPECT_EQ(reloads, 2);
}

TEST_F(SaveSettings, EveryOtherLineStaysByteForByte) {
    const std::string before = "# my settings \xE2\x99\xAB  \n"
                               "[general]\n"
                               "mixxx_path   =   \"C:\\\\Mixxx\\\\mixxx.exe\"   # mine\n"
                               "\tport=52764\n"
                               "\n"
                               "[shortcuts]\n"
                               "# this comment goes with the section\n"
                               "\"play\" = [\"ctrl+alt+f13\"]\n"
                               "\n"
                               "[extra]   # an unknown table\n"
                               "a = 1\n"
                               "[[keys]]\n"
                               "key = 'ctrl+alt+shift+f1'   # vinyl\n"
                               "action = 'toggle'\n"
                               "control = 'passthrough'\n"
                               "\n"
                               "[[keys]]\n"
                               "key = \"ctrl+alt+p\"\n"
                               "action = \"none\"\n";
    EditorState state = open(before);
    EXPECT_EQ(state.model.function_keys.at("play"), std::vector<std::string>{"ctrl+alt+f13"});
    state.model.function_keys["play"].push_back("ctrl+alt+f14");
    state.model.function_keys["hotcue_1@deck2"] = {"ctrl+alt+shift+l"};
    ASSERT_TRUE(save_settings(state).ok());
    EXPECT_EQ(read_file(config),
              replaced(before,
                       "[shortcuts]\n# this comment goes with the section\n"
                       "\"play\" = [\"ctrl+alt+f13\"]\n\n",
                       "[shortcuts]\n\"hotcue_1@deck2\" = [\"ctrl+alt+shift+l\"]\n"
                       "\"play\" = [\"ctrl+alt+f13\", \"ctrl+alt+f14\"]\n\n"));
    // Deleting the last key of play, whose default [[keys]] switches off, drops its line.
    state.model.function_keys["play"] = {};
    state.model.function_keys["hotcue_1@deck2"] = {};
    ASSERT_TRUE(save_settings(state).ok());
    EXPECT_EQ(read_file(config), replaced(before,
                                          "[shortcuts]\n# this comment goes with the section\n"
                                          "\"play\" = [\"ctrl+alt+f13\"]\n\n",
                                          "[shortcuts]\n\n"));
}

TEST_F(SaveSettings, AMarkAndCarriageReturnsAreWrittenBackWithout) {
    EditorState state = open("\xEF\xBB\xBF[general]\r\nmixxx_path = 'C:\\m.exe'\r\n"
                             "[shortcuts]\r\n\"cue\" = []\r\n[[keys]]\r\nkey = 'ctrl+alt+shift+f1'"
                             "\r\naction = 'none'");
    ASSERT_TRUE(save_settings(state).ok());
    EXPECT_EQ(read_file(config), "[general]\nmixxx_path = 'C:\\m.exe'\n[shortcuts]\n\"cue\" = []\n"
                                 "\n[[keys]]\nkey = 'ctrl+alt+shift+f1'\naction = 'none'\n");
}

TEST_F(SaveSettings, AMissingHeaderIsAddedBeforeTheKeys) {
    EditorState state = open("[general]\nmixxx_path = 'C:\\m.exe'\n\n[[keys]]\n"
                             "key = 'ctrl+alt+shift+f1'\naction = 'none'\n");
    state.model.function_keys["nudge_slower_small"] = {"ctrl+alt+shift+n"};
    ASSERT_TRUE(save_settings(state).ok());
    EXPECT_EQ(read_file(config), "[general]\nmixxx_path = 'C:\\m.exe'\n\n[shortcuts]\n"
                                 "\"nudge_slower_small\" = [\"ctrl+alt+shift+n\"]\n\n[[keys]]\n"
                                 "key = 'ctrl+alt+shift+f1'\naction = 'none'\n");
}

TEST_F(SaveSettings, StrayAndOddIdsAndKeysAreWrittenSoThatTheyReadBack) {
    // Ids and keys that no catalogue or chord holds, but a hand-edited file can.
    const std::string file = "[general]\nmixxx_path = 'C:\\m.exe'\n[shortcuts]\n"
                             "\"say \\\"hi\\\"\" = [\"a\\\\b\"]\n"
                             "'C:\\path' = ['it\"s']\n"
                             "\"two\\nlines\\u0007\" = []\n"
                             "\"caf\\u00e9@deck1\" = [\"\\t\"]\n"
                             "\"gone\" = [\"ctrl+alt+y\"]\n";
    EditorState state = open(file);
    const FunctionKeys strays{{"say \"hi\"", {"a\\b"}},
                              {"C:\\path", {"it\"s"}},
                              {"two\nlines\a", {}},
                              {"caf\xC3\xA9@deck1", {"\t"}},
                              {"gone", {"ctrl+alt+y"}}};
    EXPECT_EQ(state.model.stray_shortcuts, strays);
    state.model.function_keys["play"] = {};
    ASSERT_TRUE(save_settings(state).ok());
    auto reread = read_settings_file(config);
    ASSERT_TRUE(reread.ok()) << reread.error();
    FunctionKeys expected = strays;
    expected["play"] = {};
    EXPECT_EQ(reread->shortcuts, expected);
    EXPECT_NE(read_file(config).find("\"C:\\\\path\" = [\"it\\\"s\"]\n"), std::string::npos)
        << read_file(config);
}

TEST_F(SaveSettings, AFileThatBecameInvalidIsLeftAlone) {
    EditorState state = open(settings_template_text());
    state.model.function_keys["play"] = {};
    const std::string broken_files[] = {
        settings_template_text() + "[general\n", // a syntax error elsewhere
        replaced(settings_template_text(), "[shortcuts]", "[ shortcuts ]"), // a second table
        replaced(settings_template_text(), "port = 52764", "port = 70000"), // the schema
    };
    for (const std::string& broken : broken_files) {
        write_file(config, broken);
        const SettingsStamp stamp = state.settings_stamp;
        auto saved = save_settings(state);
        ASSERT_FALSE(saved.ok());
        EXPECT_TRUE(saved.error().starts_with("internal error: ")) << saved.error();
        EXPECT_EQ(read_file(config), broken);
        EXPECT_EQ(state.settings_stamp, stamp);
    }
    EXPECT_EQ(reloads, 0);
    EXPECT_EQ(test::files_in(folder), std::vector<std::filesystem::path>{L"config.toml"});
}

TEST_F(SaveSettings, ADeletedFileIsWrittenAnewFromTheTemplate) {
    EditorState state = open("[general]\nmixxx_path = 'C:\\mine.exe'\n");
    state.model.function_keys["nudge_slower_small"] = {"ctrl+alt+shift+n"};
    const std::string expected =
        replaced(settings_template_text(), "\n[shortcuts]\n\n",
                 "\n[shortcuts]\n\"nudge_slower_small\" = [\"ctrl+alt+shift+n\"]\n\n");
    std::filesystem::remove(config);
    ASSERT_TRUE(save_settings(state).ok());
    EXPECT_EQ(read_file(config), expected);
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(save_settings(state).ok()) << "the folder is made again";
    EXPECT_EQ(read_file(config), expected);
    EXPECT_EQ(state.settings_stamp, settings_file_stamp(config));
}

TEST_F(SaveSettings, AFileThatCannotBeReadIsNeverReplaced) {
    const std::string text = "[general]\nmixxx_path = 'C:\\mine.exe'\n# caf\xC3\xA9\n";
    EditorState state = open(text);
    state.model.function_keys["play"] = {};
    const std::string shown = path_text(config);
    {
        // Another program holds the file open without sharing it.
        HANDLE locked = CreateFileW(config.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(locked, INVALID_HANDLE_VALUE);
        auto saved = save_settings(state);
        CloseHandle(locked);
        ASSERT_FALSE(saved.ok());
        EXPECT_TRUE(saved.error().starts_with("cannot read " + shown + ": ")) << saved.error();
        EXPECT_GT(saved.error().size(), ("cannot read " + shown + ": ").size());
        EXPECT_EQ(read_file(config), text);
    }
    const std::string not_utf8 = "[general]\nmixxx_path = 'C:\\mine.exe'\n# caf\xE9\n";
    write_file(config, not_utf8);
    auto saved = save_settings(state);
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error(), "cannot read " + shown + ": stream did not contain valid UTF-8");
    EXPECT_EQ(read_file(config), not_utf8);
    EXPECT_EQ(reloads, 0);
}

TEST_F(SaveSettings, AReadOnlyFileGivesTheWriteErrorAndLosesNothing) {
    const std::string text = settings_template_text();
    EditorState state = open(text);
    state.model.function_keys["play"] = {};
    ASSERT_TRUE(SetFileAttributesW(config.c_str(), FILE_ATTRIBUTE_READONLY));
    auto saved = save_settings(state);
    SetFileAttributesW(config.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_FALSE(saved.ok());
    const std::string prefix = "cannot write " + path_text(config) + ": ";
    EXPECT_TRUE(saved.error().starts_with(prefix)) << saved.error();
    EXPECT_GT(saved.error().size(), prefix.size());
    EXPECT_EQ(read_file(config), text);
    EXPECT_EQ(test::files_in(folder), std::vector<std::filesystem::path>{L"config.toml"});
    EXPECT_EQ(reloads, 0);
}

TEST_F(SaveSettings, ItsOwnWriteIsNoOutsideChange) {
    EditorState state = open(settings_template_text());
    state.model.function_keys["play"] = {};
    ASSERT_TRUE(save_settings(state).ok());
    ASSERT_TRUE(state.settings_stamp.has_value());
    EXPECT_EQ(state.settings_stamp, settings_file_stamp(config));
    EXPECT_EQ(check_settings_on_activation(state).outcome, SettingsCheck::unchanged);
    EXPECT_EQ(reloads, 1);
}

} // namespace
} // namespace cuevoice
