#include <deque>

#include <gtest/gtest.h>

#include <windows.h>

#include "common/files.h"
#include "config/key_chord.h"
#include "config/settings.h"
#include "editor/editor_commands.h"
#include "editor_fixture.h"
#include "test_support.h"

namespace cuevoice {
namespace {

using test::read_file;
using test::write_file;

const std::string cue_name = "Cue; hold to play from the cue point";

// Answers the questions in order and records every prompt shown.
struct ScriptedAnswers {
    std::deque<bool> answers;
    std::vector<Prompt> shown;

    Ask ask() {
        return [this](const Prompt& prompt) {
            shown.push_back(prompt);
            if (prompt.kind != PromptKind::question)
                return false;
            EXPECT_FALSE(answers.empty()) << "unexpected question: " << prompt.text;
            if (answers.empty())
                return false;
            bool answer = answers.front();
            answers.pop_front();
            return answer;
        };
    }
};

KeyChord chord(std::string_view text) {
    auto parsed = parse_key_chord(text);
    EXPECT_TRUE(parsed.ok()) << text;
    return parsed.ok() ? *parsed : KeyChord{};
}

class Commands : public test::EditorFixture {
protected:
    std::string file = settings_template_text() + "\n[[keys]]\nkey = 'ctrl+alt+f13'\n"
                                                  "action = 'none'\n";
    EditorState state = open(file);

    const FunctionRow& row(std::string_view id) {
        state.rows = filter_function_rows({}, state.model.function_keys, state.per_deck_ids);
        for (const FunctionRow& r : state.rows) {
            if (r.id == id)
                return r;
        }
        ADD_FAILURE() << "no row " << id;
        return state.rows.front();
    }

    CommandOutcome assign(std::string_view target, std::string_view key, ScriptedAnswers& script) {
        KeyChord c = chord(key);
        return assign_shortcut(state, target, c.modifiers, c.vk, script.ask());
    }

    std::vector<std::string> keys(const std::string& id) {
        auto found = state.model.function_keys.find(id);
        return found == state.model.function_keys.end() ? std::vector<std::string>{}
                                                        : found->second;
    }
};

TEST_F(Commands, RefusedKeysAskNothingAndWriteNothing) {
    const std::pair<std::string, std::string> cases[] = {
        {"alt+f4", "Alt+F4 is needed by Windows or the screen reader. Choose another key."},
        {"win+l", "Windows+L is needed by Windows or the screen reader. Choose another key."},
        {"ctrl+alt+f13", "Ctrl+Alt+F13 is a custom key in the settings file (switched off). "
                         "Change it there, or choose another key."},
    };
    for (const auto& [key, text] : cases) {
        ScriptedAnswers script;
        EXPECT_EQ(assign("play", key, script), CommandOutcome{}) << key;
        EXPECT_EQ(script.shown, (std::vector<Prompt>{{PromptKind::information, text}}));
    }
    EXPECT_EQ(read_file(config), file);
    EXPECT_EQ(keys("play"), std::vector<std::string>{"ctrl+alt+p"});
    EXPECT_EQ(reloads, 0);
}

// Numpad 5 has no name: written down it would never read back, so the key would be lost.
TEST_F(Commands, AKeyWithoutANameIsRefusedAndNothingIsWritten) {
    ScriptedAnswers script;
    CommandOutcome outcome =
        assign_shortcut(state, "play", MOD_CONTROL | MOD_SHIFT, VK_NUMPAD5, script.ask());
    CommandOutcome expected;
    expected.speech = EditorSpeech{"This key can't be used.", SpeechTiming::interrupting};
    EXPECT_EQ(outcome, expected);
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(read_file(config), file);
    EXPECT_EQ(keys("play"), std::vector<std::string>{"ctrl+alt+p"});
}

TEST_F(Commands, TheFunctionsOwnKeyClosesTheDialogWithoutSaving) {
    ScriptedAnswers script;
    CommandOutcome outcome = assign("play", "ctrl+alt+p", script);
    EXPECT_TRUE(outcome.close_dialog);
    EXPECT_EQ(outcome.list_update, ListUpdate::none);
    EXPECT_EQ(outcome.speech, (EditorSpeech{"Ctrl Alt P is already a shortcut of Play / pause",
                                            SpeechTiming::delayed_queued}));
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(read_file(config), file);
    EXPECT_EQ(reloads, 0);
}

TEST_F(Commands, AKeyWithoutCtrlAltOrWindowsIsAskedAboutFirstAndNoKeepsEverything) {
    const std::string question = "Shift+F5 has no Ctrl, Alt or Windows key. While Mixxx is in "
                                 "front it will do only this, so it no longer types or works in "
                                 "Mixxx itself (for example in the library search).\n\nUse it "
                                 "anyway?";
    ScriptedAnswers no{{false}};
    EXPECT_EQ(assign("play", "shift+f5", no), CommandOutcome{});
    EXPECT_EQ(no.shown, (std::vector<Prompt>{{PromptKind::question, question}}));
    EXPECT_EQ(keys("play"), std::vector<std::string>{"ctrl+alt+p"});
    EXPECT_EQ(read_file(config), file);

    ScriptedAnswers yes{{true}};
    CommandOutcome outcome = assign("play", "shift+f5", yes);
    EXPECT_TRUE(outcome.close_dialog);
    EXPECT_EQ(outcome.list_update, ListUpdate::refresh_row);
    EXPECT_EQ(outcome.keep_id, "play");
    EXPECT_EQ(outcome.select_key, "shift+f5");
    EXPECT_EQ(outcome.speech,
              (EditorSpeech{"Shift F5 added to Play / pause", SpeechTiming::delayed_queued}));
    EXPECT_EQ(keys("play"), (std::vector<std::string>{"ctrl+alt+p", "shift+f5"}));
    EXPECT_NE(
        read_file(config).find("\n[shortcuts]\n\"play\" = [\"ctrl+alt+p\", \"shift+f5\"]\n\n"),
        std::string::npos);
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(state.settings_stamp, settings_file_stamp(config));

    // A chord with Ctrl skips that question.
    ScriptedAnswers none;
    EXPECT_TRUE(assign("cue", "ctrl+f5", none).close_dialog);
    EXPECT_TRUE(none.shown.empty());
}

TEST_F(Commands, MovingAKeyIsAskedSecondAndTheOtherFunctionKeepsItsEntry) {
    ScriptedAnswers first{{true}};
    ASSERT_TRUE(assign("play", "f5", first).close_dialog);

    const std::string move = "F5 is the shortcut of Play / pause.\n\nMove it to " + cue_name + "?";
    ScriptedAnswers refuse{{true, false}};
    EXPECT_EQ(assign("cue", "f5", refuse), CommandOutcome{});
    ASSERT_EQ(refuse.shown.size(), 2u);
    EXPECT_TRUE(refuse.shown[0].text.starts_with("F5 has no Ctrl, Alt or Windows key."));
    EXPECT_EQ(refuse.shown[1], (Prompt{PromptKind::question, move}));
    EXPECT_EQ(keys("play"), (std::vector<std::string>{"ctrl+alt+p", "f5"}));

    ScriptedAnswers accept{{true, true}};
    CommandOutcome outcome = assign("cue", "f5", accept);
    EXPECT_TRUE(outcome.close_dialog);
    EXPECT_EQ(outcome.speech,
              (EditorSpeech{"F5 added to " + cue_name + ", removed from Play / pause",
                            SpeechTiming::delayed_queued}));
    EXPECT_EQ(keys("play"), std::vector<std::string>{"ctrl+alt+p"});
    EXPECT_EQ(keys("cue"), (std::vector<std::string>{"ctrl+alt+c", "f5"}));

    // Taking play's only key leaves play an empty entry, written as an empty list.
    ScriptedAnswers take{{true}};
    ASSERT_TRUE(assign("cue", "ctrl+alt+p", take).close_dialog);
    EXPECT_EQ(take.shown.size(), 1u) << "Ctrl and Alt: only the move question";
    EXPECT_TRUE(state.model.function_keys.count("play"));
    EXPECT_EQ(keys("play"), std::vector<std::string>{});
    const std::string text = read_file(config);
    EXPECT_NE(text.find("\"cue\" = [\"ctrl+alt+c\", \"f5\", \"ctrl+alt+p\"]\n\"play\" = []\n"),
              std::string::npos)
        << text;
}

TEST_F(Commands, AKeyForDeckTwoMakesItsRowAppear) {
    EXPECT_FALSE(std::any_of(state.rows.begin(), state.rows.end(),
                             [](const FunctionRow& r) { return r.id == "play@deck2"; }));
    ScriptedAnswers script;
    CommandOutcome outcome = assign("play@deck2", "ctrl+alt+f14", script);
    EXPECT_EQ(outcome.speech, (EditorSpeech{"Ctrl Alt F14 added to Play / pause, deck 2",
                                            SpeechTiming::delayed_queued}));
    EXPECT_EQ(row("play@deck2").fixed_deck, std::optional<std::uint8_t>(2));
    EXPECT_NE(read_file(config).find("\"play@deck2\" = [\"ctrl+alt+f14\"]\n"), std::string::npos);
}

TEST_F(Commands, AFailedSaveIsShownAndTheDialogStaysOpen) {
    ASSERT_TRUE(SetFileAttributesW(config.c_str(), FILE_ATTRIBUTE_READONLY));
    ScriptedAnswers script;
    CommandOutcome outcome = assign("play", "ctrl+alt+f14", script);
    SetFileAttributesW(config.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(outcome.close_dialog);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].kind, PromptKind::error);
    EXPECT_TRUE(script.shown[0].text.starts_with("cannot write " + path_text(config) + ": "));
    EXPECT_EQ(keys("play"), (std::vector<std::string>{"ctrl+alt+p", "ctrl+alt+f14"}))
        << "the model is ahead of the file";
    EXPECT_EQ(read_file(config), file);
    EXPECT_EQ(reloads, 0);
}

TEST_F(Commands, DeletingChoosesTheKeyAndTheNextSelection) {
    state.model.function_keys["cue"] = {"ctrl+alt+c", "ctrl+alt+f14", "ctrl+alt+f15"};
    struct Case {
        std::string id;
        std::optional<std::size_t> chosen;
        std::vector<std::string> left;
        std::optional<std::string> select;
        std::string said;
    };
    const Case cases[] = {
        {"nudge_slower_small", std::nullopt, {}, std::nullopt, "No shortcut to delete."},
        {"cue",
         std::nullopt,
         {"ctrl+alt+c", "ctrl+alt+f14", "ctrl+alt+f15"},
         std::nullopt,
         "Choose the shortcut in the shortcuts list first."},
        {"cue",
         std::size_t{3},
         {"ctrl+alt+c", "ctrl+alt+f14", "ctrl+alt+f15"},
         std::nullopt,
         "Choose the shortcut in the shortcuts list first."},
        {"cue",
         std::size_t{1},
         {"ctrl+alt+c", "ctrl+alt+f15"},
         "ctrl+alt+f15",
         "Ctrl Alt F14 removed from " + cue_name},
        {"cue",
         std::size_t{1},
         {"ctrl+alt+c"},
         "ctrl+alt+c",
         "Ctrl Alt F15 removed from " + cue_name},
        {"cue", std::nullopt, {}, std::nullopt, "Ctrl Alt C removed from " + cue_name},
        {"cue", std::nullopt, {}, std::nullopt, "No shortcut to delete."},
    };
    for (const Case& c : cases) {
        CommandOutcome outcome = delete_shortcut(state, row(c.id), c.chosen);
        EXPECT_EQ(keys(c.id), c.left) << c.said;
        ASSERT_TRUE(outcome.speech) << c.said;
        EXPECT_EQ(*outcome.speech, (EditorSpeech{c.said, SpeechTiming::interrupting}));
        EXPECT_EQ(outcome.select_key, c.select) << c.said;
        bool deleted = c.said.find(" removed from ") != std::string::npos;
        EXPECT_EQ(outcome.list_update, deleted ? ListUpdate::refresh_row : ListUpdate::none);
    }
    EXPECT_NE(read_file(config).find("\n\"cue\" = []\n"), std::string::npos);
    EXPECT_EQ(reloads, 3);
}

TEST_F(Commands, AFailedSaveAfterDeletingIsSpoken) {
    ASSERT_TRUE(SetFileAttributesW(config.c_str(), FILE_ATTRIBUTE_READONLY));
    CommandOutcome outcome = delete_shortcut(state, row("play"), std::nullopt);
    SetFileAttributesW(config.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(outcome.speech);
    EXPECT_TRUE(outcome.speech->text.starts_with("cannot write "));
    EXPECT_EQ(outcome.speech->timing, SpeechTiming::interrupting);
    EXPECT_EQ(outcome.list_update, ListUpdate::none);
    EXPECT_EQ(read_file(config), file);
}

TEST_F(Commands, ResetAsksBeforeTakingDefaultsBack) {
    ScriptedAnswers moved{{true}};
    ASSERT_TRUE(assign("cue", "ctrl+alt+p", moved).close_dialog);
    const std::string question = "Default keys of this function are used by other functions now: "
                                 "Ctrl+Alt+P (" +
                                 cue_name + ").\n\nMove them back here?";
    EXPECT_EQ(
        default_keys_taken(state.model,
                           {"ctrl+alt+p", "ctrl+alt+f16", "alt+f4", "ctrl+alt+f13", "nonsense",
                            "ctrl+alt+shift+f12"},
                           "cue"),
        (std::vector<std::pair<std::string, std::string>>{{"ctrl+alt+shift+f12", "key_editor"}}))
        << "own, free, reserved and custom keys are not taken by others";
    EXPECT_EQ(default_keys_taken(state.model, {"ctrl+alt+p"}, "play"),
              (std::vector<std::pair<std::string, std::string>>{{"ctrl+alt+p", "cue"}}));

    ScriptedAnswers no{{false}};
    CommandOutcome kept = reset_function_keys(state, row("play"), no.ask());
    EXPECT_EQ(no.shown, (std::vector<Prompt>{{PromptKind::question, question}}));
    EXPECT_EQ(kept.speech,
              (EditorSpeech{"Play / pause: no shortcuts", SpeechTiming::interrupting}));
    EXPECT_EQ(keys("cue"), (std::vector<std::string>{"ctrl+alt+c", "ctrl+alt+p"}));

    ScriptedAnswers yes{{true}};
    CommandOutcome back = reset_function_keys(state, row("play"), yes.ask());
    EXPECT_EQ(back.speech, (EditorSpeech{"Play / pause: Ctrl Alt P", SpeechTiming::interrupting}));
    EXPECT_EQ(back.list_update, ListUpdate::refresh_row);
    EXPECT_EQ(back.keep_id, "play");
    EXPECT_EQ(keys("play"), std::vector<std::string>{"ctrl+alt+p"});
    EXPECT_EQ(keys("cue"), std::vector<std::string>{"ctrl+alt+c"});
    EXPECT_EQ(read_file(config), file) << "everything is at its defaults again";
}

TEST_F(Commands, ResetLeavesOutADefaultThatKeysTakeWithoutAsking) {
    EditorState own = open(settings_template_text() + "\n[[keys]]\nkey = 'ctrl+alt+p'\n"
                                                      "action = 'none'\n");
    state = std::move(own);
    state.model.function_keys["play"] = {"ctrl+alt+f14"};
    ScriptedAnswers script;
    CommandOutcome outcome = reset_function_keys(state, row("play"), script.ask());
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(outcome.speech,
              (EditorSpeech{"Play / pause: no shortcuts", SpeechTiming::interrupting}));
    EXPECT_EQ(keys("play"), std::vector<std::string>{});
}

TEST_F(Commands, ResetAllKeepsTheKeysAndDropsEveryShortcutEntry) {
    const std::string with_entries =
        replaced(file, "\n[shortcuts]\n",
                 "\n[shortcuts]\n\"play\" = []\n\"hotcue_1@deck2\" = ['ctrl+alt+f15']\n"
                 "\"gone\" = ['ctrl+alt+f16']\n");
    state = open(with_entries);
    const std::string question = "Remove all your shortcut changes and use the default keys "
                                 "again?\n\nCustom keys in the advanced part of the settings file "
                                 "stay.";
    ScriptedAnswers no{{false}};
    EXPECT_EQ(reset_all_shortcuts(state, no.ask()), CommandOutcome{});
    EXPECT_EQ(no.shown, (std::vector<Prompt>{{PromptKind::question, question}}));
    EXPECT_EQ(read_file(config), with_entries);

    ScriptedAnswers yes{{true}};
    CommandOutcome outcome = reset_all_shortcuts(state, yes.ask());
    EXPECT_EQ(outcome.list_update, ListUpdate::rebuild);
    EXPECT_EQ(outcome.keep_id, std::nullopt);
    EXPECT_EQ(outcome.speech, (EditorSpeech{"All shortcuts are back to the defaults.",
                                            SpeechTiming::interrupting}));
    EXPECT_EQ(read_file(config), file);
    EXPECT_TRUE(state.model.stray_shortcuts.empty());
    EXPECT_EQ(keys("play"), std::vector<std::string>{"ctrl+alt+p"});
    EXPECT_EQ(state.model.custom_keys.size(), 1u);
    EXPECT_TRUE(state.per_deck_ids.count("hotcue_1@deck2")) << "left alone";
}

TEST_F(Commands, ResetAllOfABrokenFileChangesNothing) {
    state.model.function_keys["play"] = {"ctrl+alt+f14"};
    const EditorModel before = state.model;
    write_file(config, "[general\n");
    ScriptedAnswers yes{{true}};
    EXPECT_EQ(reset_all_shortcuts(state, yes.ask()), CommandOutcome{});
    ASSERT_EQ(yes.shown.size(), 2u);
    EXPECT_EQ(yes.shown[1].kind, PromptKind::error);
    EXPECT_TRUE(yes.shown[1].text.starts_with("error in " + path_text(config) + ": "))
        << yes.shown[1].text;
    EXPECT_EQ(state.model, before);
    EXPECT_EQ(read_file(config), "[general\n");
}

TEST_F(Commands, RunPassesTheRowIdWithItsDeck) {
    state.per_deck_ids.insert("play@deck3");
    run_selected_function(state, row("play@deck3"));
    run_selected_function(state, row("play"));
    EXPECT_EQ(ran, (std::vector<std::string>{"play@deck3", "play"}));
    state.hooks->run.reset();
    run_selected_function(state, row("play"));
    state.hooks.reset();
    run_selected_function(state, row("play"));
    EXPECT_EQ(ran.size(), 2u);
}

TEST_F(Commands, AnOutsideChangeIsReadOnActivation) {
    EXPECT_EQ(check_settings_on_activation(state).outcome, SettingsCheck::unchanged);
    const std::string changed =
        replaced(file, "\n[shortcuts]\n", "\n[shortcuts]\n\"cue@deck4\" = ['ctrl+alt+f14']\n");
    write_file(config, changed);
    std::filesystem::last_write_time(config, *state.settings_stamp + std::chrono::seconds(2));
    SettingsCheckResult result = check_settings_on_activation(state);
    EXPECT_EQ(result.outcome, SettingsCheck::reloaded);
    EXPECT_EQ(keys("cue@deck4"), std::vector<std::string>{"ctrl+alt+f14"});
    EXPECT_TRUE(state.per_deck_ids.count("cue@deck4"));
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(check_settings_on_activation(state).outcome, SettingsCheck::unchanged);

    // A bad file: the error is shown and the model stays.
    const EditorModel good = state.model;
    write_file(config, "[general\n");
    std::filesystem::last_write_time(config, *state.settings_stamp + std::chrono::seconds(2));
    result = check_settings_on_activation(state);
    EXPECT_EQ(result.outcome, SettingsCheck::failed);
    EXPECT_TRUE(result.error.starts_with("The settings file has an error:\n\nerror in "))
        << result.error;
    EXPECT_EQ(state.model, good);

    // A deleted file is reported once.
    std::filesystem::remove(config);
    EXPECT_EQ(check_settings_on_activation(state).outcome, SettingsCheck::failed);
    EXPECT_EQ(check_settings_on_activation(state).outcome, SettingsCheck::unchanged);
    EXPECT_EQ(reloads, 1);
}

} // namespace
} // namespace cuevoice
