#include <gtest/gtest.h>

#include "common/capitalize.h"
#include "context/announced_controls.h"
#include "context/deck_filling.h"

namespace cuevoice {
namespace {

TEST(ControlForDeck, FillsEveryDeckPlaceholderInGroupAndControl) {
    struct Case {
        ControlTarget target;
        std::uint8_t deck;
        ControlTarget filled;
    };
    const Case cases[] = {
        {{"[Channel{deck}]", "play"}, 2, {"[Channel2]", "play"}},
        {{"[EqualizerRack1_[Channel{deck}]_Effect1]", "parameter{deck}"},
         3,
         {"[EqualizerRack1_[Channel3]_Effect1]", "parameter3"}},
        {{"[EffectRack1_EffectUnit1]", "group_[Channel{deck}]_enable"},
         4,
         {"[EffectRack1_EffectUnit1]", "group_[Channel4]_enable"}},
        {{"[Channel{deck}]", "{deck}{deck}"}, 1, {"[Channel1]", "11"}},
        {{"[Main]", "gain"}, 2, {"[Main]", "gain"}},
        {{"[Channel{Deck}]", "{deck"}, 2, {"[Channel{Deck}]", "{deck"}},
        {{"[Sampler{deck}]", "play"}, 255, {"[Sampler255]", "play"}},
        {{"", ""}, 1, {"", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(control_for_deck(c.target, c.deck), c.filled)
            << c.target.group << " " << c.target.control;
}

TEST(ControlForDeck, FillsAReportedControlAlike) {
    ReportTarget report{.group = "[Channel{deck}]",
                        .control = "rate",
                        .label = "tempo {deck}",
                        .format = ValueFormat::offset};
    EXPECT_EQ(control_for_deck(report, 3), (ControlTarget{"[Channel3]", "rate"}));
}

TEST(CapitalizeFirst, RaisesTheFirstCharacterOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"headphones on", "Headphones on"},
        {"Empty", "Empty"},
        {"no hotcues", "No hotcues"},
        {"3 decks", "3 decks"},
        {" playing", " playing"},
        {"x", "X"},
        {"élan vital", "Élan vital"},
        {"ñ", "Ñ"},
        {"ärger über", "Ärger über"},
        {"ω", "Ω"},
        {"ж", "Ж"},
        {"ß und ß", "SS und ß"},     // one character becomes two
        {"ﬁne", "FIne"},             // a ligature becomes its two letters
        {"ŉ", "\u02bcN"},            // apostrophe and N
        {"ΐ", "\u0399\u0308\u0301"}, // three characters
        {"日本", "日本"},            // no case
        {"\xe2\x82", "\xe2\x82"},    // cut-off character
        {"\xff"
         "abc",
         "\xff"
         "abc"}, // not UTF-8
    };
    for (const auto& [text, raised] : cases)
        EXPECT_EQ(capitalize_first(text), raised) << text;
}

TEST(CapitalizeFirst, CharactersOutsideTheBasicPlaneKeepTheRestIntact) {
    // A musical symbol has no case; what follows it must survive.
    EXPECT_EQ(capitalize_first("\U0001D11E clef"), "\U0001D11E clef");
}

TEST(DeckPhrase, CurrentDeckRaisesTheTextOtherDecksAreNamed) {
    struct Case {
        std::uint8_t current;
        std::uint8_t deck;
        const char* text;
        const char* phrase;
    };
    const Case cases[] = {
        {1, 2, "headphones on", "Deck 2 headphones on"},
        {1, 1, "headphones on", "Headphones on"},
        {1, 1, "empty", "Empty"},
        {1, 3, "empty", "Deck 3 empty"},
        {4, 4, "no hotcues", "No hotcues"},
        {2, 1, "no hotcues", "Deck 1 no hotcues"},
        {1, 1, "", ""},
        {2, 1, "", "Deck 1 "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(deck_phrase(c.current, c.deck, c.text), c.phrase)
            << int(c.current) << " " << int(c.deck) << " " << c.text;
}

TEST(AnnouncerReports, ExactlyTheControlsTheAnnouncerSpeaks) {
    struct Case {
        const char* group;
        const char* key;
        bool reported;
    };
    const Case cases[] = {
        {"[Channel1]", "pfl", true},
        {"[Channel3]", "play", true},
        {"[Channel2]", "keylock", true},
        {"[Channel4]", "sync_enabled", true},
        {"[Channel1]", "loop_enabled", true},
        {"[Channel1]", "track_loaded", true},
        {"[Channel12]", "peak_indicator", true},
        {"[Channel1]", "hotcue_1_status", true},
        {"[Channel2]", "hotcue_16_status", true},
        {"[Sampler12]", "play", true},
        {"[Sampler1]", "play", true},
        {"[Main]", "peak_indicator", true},
        {"[AutoDJ]", "enabled", true},
        {"[Recording]", "status", true},
        {"[Shoutcast]", "enabled", true},
        {"[Shoutcast]", "status", true},
        {"[Microphone]", "talkover", true},

        {"[Channel1]", "volume", false},
        {"[Master]", "peak_indicator", false},
        {"[Sampler1]", "peak_indicator", false}, // spoken, but only [Main]'s is watched
        {"[Channel{deck}]", "play", false},      // compared after deck filling
        {"[Channel]", "play", false},
        {"[ChannelX]", "play", false},
        {"[Channel1", "play", false},
        {"[channel1]", "play", false},
        {"[Channel1]", "Play", false},
        {"[Channel1]", "hotcue_status", false},
        {"[Channel1]", "hotcue__status", false},
        {"[Channel1]", "hotcue_x_status", false},
        {"[Channel1]", "hotcue_1_position", false},
        {"[Channel1]", "hotcue_1_enabled", false},
        {"[Sampler1]", "pfl", false},
        {"[Sampler]", "play", false},
        {"[PreviewDeck1]", "play", false},
        {"[Main]", "volume", false},
        {"[AutoDJ]", "fade_now", false},
        {"[Recording]", "toggle_recording", false},
        {"[Microphone1]", "talkover", false},
        {"[Microphone]", "enabled", false},
        {"[Shoutcast]", "talkover", false},
        {"", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(announcer_reports(c.group, c.key), c.reported) << c.group << " " << c.key;
}

} // namespace
} // namespace cuevoice
