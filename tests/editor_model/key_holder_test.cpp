#include <gtest/gtest.h>

#include "config/key_chord.h"
#include "editor/key_holder.h"

namespace cuevoice {
namespace {

KeyChord chord(std::string_view text) {
    auto parsed = parse_key_chord(text);
    EXPECT_TRUE(parsed.ok()) << text;
    return parsed.ok() ? *parsed : KeyChord{};
}

EditorModel sample_model() {
    EditorModel model;
    model.function_keys = {{"play", {"ctrl+alt+p"}},
                           {"cue", {"ctrl+alt+c", "ctrl+alt+shift+y"}},
                           {"beta", {"ctrl+alt+shift+y"}},
                           {"play@deck2", {"ctrl+alt+shift+l"}},
                           {"lost", {"ctrl+alt+n"}}};
    model.custom_keys = {{modifier_ctrl | modifier_alt, 'G', "switched off"},
                         {modifier_ctrl | modifier_alt, 'P', "toggle vinyl passthrough"},
                         {modifier_ctrl | modifier_alt, 'G', "a later entry of the same chord"},
                         {modifier_alt, 0x73, "alt+f4 in [[keys]]"}};
    return model;
}

TEST(KeyHolder, FirstMatchWins) {
    const EditorModel model = sample_model();
    const std::pair<std::string, KeyHolder> cases[] = {
        {"alt+f4", KeyReserved{}}, // before the [[keys]] entry of the same chord
        {"Win+L", KeyReserved{}},
        {"ctrl+alt+n", KeyReserved{}}, // before the function that holds it
        {"alt+shift+tab", KeyReserved{}},
        {"ctrl+alt+g", KeyCustom{"switched off"}},
        {"ctrl+alt+p", KeyCustom{"toggle vinyl passthrough"}}, // before the function
        {"control+alt+c", KeyUsed{"cue"}},
        {"ctrl+alt+shift+y", KeyUsed{"beta"}}, // byte order of the ids
        {"ctrl+alt+shift+l", KeyUsed{"play@deck2"}},
        {"ctrl+alt+shift+x", KeyFree{}},
        {"shift+f5", KeyFree{}},
    };
    for (const auto& [text, holder] : cases) {
        KeyChord c = chord(text);
        EXPECT_EQ(who_holds_key(model, c.modifiers, c.vk), holder) << text;
    }
    // Every reserved chord parses.
    for (std::string_view reserved : reserved_chords) {
        KeyChord c = chord(reserved);
        EXPECT_EQ(who_holds_key({}, c.modifiers, c.vk), KeyHolder(KeyReserved{})) << reserved;
    }
}

TEST(KeyHolder, StatusTexts) {
    const EditorModel model = sample_model();
    struct Case {
        std::string key;
        std::string target;
        std::string status;
    };
    const Case cases[] = {
        {"win+tab", "play", "reserved for Windows or the screen reader"},
        {"ctrl+alt+g", "play", "custom key in the settings file: switched off"},
        {"ctrl+alt+c", "cue", "already a shortcut of this function"},
        {"ctrl+alt+c", "cue@deck2", "used by Cue; hold to play from the cue point"},
        {"ctrl+alt+shift+l", "play", "used by Play / pause, deck 2"},
        {"ctrl+alt+shift+y", "cue", "used by beta"},
        {"ctrl+alt+shift+x", "play", "free"},
    };
    for (const Case& c : cases) {
        KeyChord k = chord(c.key);
        EXPECT_EQ(key_status_text(model, k.modifiers, k.vk, c.target), c.status) << c.key;
    }
}

TEST(KeyHolder, SpokenTexts) {
    const std::pair<std::string, std::string> cases[] = {
        {"ctrl+alt+p", "Ctrl Alt P"},
        {"ctrl+alt+shift+pageup", "Ctrl Alt Shift Page Up"},
        {"win+f5", "Windows F5"},
        {"shift+openbracket", "Shift Open Bracket"},
    };
    for (const auto& [text, spoken] : cases)
        EXPECT_EQ(key_chord_spoken_text(text), spoken);
}

} // namespace
} // namespace cuevoice
