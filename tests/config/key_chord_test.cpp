#include <gtest/gtest.h>

#include "config/key_chord.h"

namespace cuevoice {
namespace {

struct ParseCase {
    std::string text;
    std::uint32_t modifiers;
    std::uint32_t vk;
    std::string canonical;
};

TEST(KeyChord, ParsesAndWritesBackCanonically) {
    const ParseCase cases[] = {
        {"Ctrl + Alt + P", 3, 0x50, "ctrl+alt+p"},
        {"shift+control+pagedown", 6, 34, "ctrl+shift+pagedown"},
        {"p+ctrl", 2, 0x50, "ctrl+p"},
        {"ctrl+ctrl+a", 2, 0x41, "ctrl+a"},
        {"win+shift+alt+ctrl+z", 15, 0x5A, "ctrl+alt+shift+win+z"},
        {"f", 0, 0x46, "f"},
        {"f1", 0, 0x70, "f1"},
        {"f24", 0, 0x87, "f24"},
        {"f001", 0, 0x70, "f1"},
        {"ctrl+F12", 2, 0x7B, "ctrl+f12"},
        {"alt+7", 1, 0x37, "alt+7"},
        {"ctrl+alt+plus", 3, 187, "ctrl+alt+plus"},
        {"ENTER", 0, 13, "enter"},
        // Blanks of every Unicode kind around a part: tab, no-break space, ideographic space.
        {"\tctrl\xC2\xA0+\xE3\x80\x80"
         "a ",
         2, 0x41, "ctrl+a"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        auto chord = parse_key_chord(c.text);
        ASSERT_TRUE(chord.ok()) << chord.error();
        EXPECT_EQ(chord->modifiers, c.modifiers);
        EXPECT_EQ(chord->vk, c.vk);
        EXPECT_EQ(format_key_chord(chord->modifiers, chord->vk), c.canonical);
    }
}

TEST(KeyChord, RefusesWithTheUntrimmedTextInEveryMessage) {
    const std::pair<std::string, std::string> cases[] = {
        {"ctrl+alt", "'ctrl+alt': no key given"},
        {" ctrl ", "' ctrl ': no key given"},
        {"ctrl+a+b", "'ctrl+a+b': more than one key"},
        {"ctrl+a+zz", "'ctrl+a+zz': more than one key"},
        {"ctrl+a+", "'ctrl+a+': more than one key"},
        {"+a", "'+a': unknown key ''"},
        {"", "'': unknown key ''"},
        {"ctrl++", "'ctrl++': unknown key ''"},
        {"f0", "'f0': unknown key 'f0'"},
        {"f25", "'f25': unknown key 'f25'"},
        {"f1x", "'f1x': unknown key 'f1x'"},
        {"Ctrl+ PgUp ", "'Ctrl+ PgUp ': unknown key 'pgup'"},
        {"ctrl+\xC3\x84", "'ctrl+\xC3\x84': unknown key '\xC3\x84'"},
        {"f99999999999999999999", "'f99999999999999999999': unknown key 'f99999999999999999999'"},
        // Overlong forms of a blank and of a line break are malformed bytes, not white space.
        {"\xC0\xA0"
         "a",
         "'\xC0\xA0"
         "a': unknown key '\xC0\xA0"
         "a'"},
        {"ctrl+a\xE0\x82\x85", "'ctrl+a\xE0\x82\x85': unknown key 'a\xE0\x82\x85'"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        auto chord = parse_key_chord(text);
        ASSERT_FALSE(chord.ok());
        EXPECT_EQ(chord.error(), message);
    }
}

TEST(KeyChord, EveryKeyNameRoundTripsThroughItsCode) {
    const auto& names = all_key_names();
    ASSERT_EQ(names.size(), 89u);
    EXPECT_EQ(names[0], "a");
    EXPECT_EQ(names[25], "z");
    EXPECT_EQ(names[26], "0");
    EXPECT_EQ(names[36], "f1");
    EXPECT_EQ(names[59], "f24");
    EXPECT_EQ(names[60], "up");
    EXPECT_EQ(names[88], "printscreen");
    for (const std::string& name : names) {
        auto chord = parse_key_chord(name);
        ASSERT_TRUE(chord.ok()) << chord.error();
        EXPECT_EQ(key_name_of_vk(chord->vk), name);
    }
    const std::pair<std::string, std::uint32_t> named[] = {
        {"backspace", 8}, {"tab", 9},          {"space", 32},        {"semicolon", 186},
        {"minus", 189},   {"backquote", 192},  {"openbracket", 219}, {"quote", 222},
        {"pause", 19},    {"scrolllock", 145}, {"printscreen", 44},
    };
    for (const auto& [name, vk] : named)
        EXPECT_EQ(parse_key_chord(name)->vk, vk) << name;
}

TEST(KeyChord, CodesWithoutANameAreWrittenAsAQuestionMark) {
    EXPECT_EQ(key_name_of_vk(0x60), std::nullopt);
    EXPECT_EQ(key_name_of_vk(0x88), std::nullopt);
    EXPECT_EQ(format_key_chord(15, 0x41), "ctrl+alt+shift+win+a");
    EXPECT_EQ(format_key_chord(2, 0x60), "ctrl+?");
    EXPECT_EQ(format_key_chord(0, 0x60), "?");
}

TEST(KeyChord, DisplayTextKeepsThePartsAsWritten) {
    const std::pair<std::string, std::string> cases[] = {
        {"ctrl+alt+pageup", "Ctrl+Alt+Page Up"},
        {"shift+control+pagedown", "Shift+Ctrl+Page Down"},
        {"win+f5", "Windows+F5"},
        {"ctrl+alt+shift+openbracket", "Ctrl+Alt+Shift+Open Bracket"},
        {"ctrl+foo", "Ctrl+Foo"},
        {" CTRL + scrolllock ", "Ctrl+Scroll Lock"},
        {"alt+7+space", "Alt+7+Space"},
        {"ctrl++", "Ctrl++"},
        {"printscreen+closebracket+backslash", "Print Screen+Close Bracket+Backslash"},
        {"\xC3\xA4pfel", "\xC3\x84pfel"},
    };
    for (const auto& [text, display] : cases)
        EXPECT_EQ(key_chord_display_text(text), display) << text;
    EXPECT_EQ(key_part_display_name("escape"), "Escape");
    EXPECT_EQ(key_part_display_name("control"), "Ctrl");
}

} // namespace
} // namespace cuevoice
