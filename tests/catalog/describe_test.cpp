#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "catalog/describe.h"

using namespace cuevoice;

namespace {

Binding binding(std::string action, std::string control = {}) {
    Binding b;
    b.key = "ctrl+alt+shift+f1";
    b.action = std::move(action);
    if (!control.empty())
        b.control = std::move(control);
    return b;
}

Binding with_group(Binding b, std::string group) {
    b.group = std::move(group);
    return b;
}

Binding with_label(Binding b, std::string label) {
    b.label = std::move(label);
    return b;
}

struct DescriptionCase {
    std::string title;
    Binding binding;
    std::string description;
};

std::vector<DescriptionCase> description_cases() {
    auto set_rate = [](double value) {
        Binding b = binding("set", "rate");
        b.value = value;
        return b;
    };
    auto adjust_volume = [](double step, std::optional<std::string> format = std::nullopt) {
        Binding b = binding("adjust", "volume");
        b.step = step;
        b.format = std::move(format);
        return b;
    };
    auto beatgrid_move = [](double step) {
        Binding b = binding("beatgrid_move");
        b.step = step;
        return b;
    };
    auto say = [](std::string what) {
        Binding b = binding("say");
        b.what = std::move(what);
        return b;
    };
    auto marker = [] {
        Binding b = binding("marker", "loop_in");
        b.report = "loop_start_position";
        b.label = "loop in";
        return b;
    };
    Binding select = binding("select_deck");
    select.deck = 3;
    Binding say_rate = with_label(binding("say_control", "rate"), "");
    return {
        {"toggle with label, default group",
         with_label(binding("toggle", "passthrough"), "vinyl passthrough"),
         "vinyl passthrough on or off on the current deck"},
        {"toggle without label", binding("toggle", "passthrough"),
         "passthrough on or off on the current deck"},
        {"empty label is kept", with_label(binding("toggle", "passthrough"), ""),
         " on or off on the current deck"},
        {"toggle in [Master] gets no deck phrase",
         with_group(binding("toggle", "talkover"), "[Master]"), "microphone on or off"},
        {"press on a fixed channel", with_group(binding("press", "play"), "[Channel2]"),
         "play on deck 2"},
        {"label already names the deck",
         with_label(with_group(binding("press", "play"), "[Channel2]"), "deck 2 play"),
         "deck 2 play"},
        {"the deck words must match exactly",
         with_label(with_group(binding("press", "play"), "[Channel2]"), "Deck 2 play"),
         "Deck 2 play on deck 2"},
        {"press on a sampler", with_group(binding("press", "play"), "[Sampler3]"),
         "play, sampler 3"},
        {"label already names the sampler",
         with_label(with_group(binding("press", "play"), "[Sampler3]"), "sampler 3 start"),
         "sampler 3 start"},
        {"group too short to carry a number", with_group(binding("press", "play"), "[Channel"),
         "play"},
        {"control with {deck} in a fixed group",
         with_group(binding("toggle", "group_[Channel{deck}]_enable"), "[Master]"),
         "group [Channel{deck}] enable on or off for the current deck"},
        {"group with {deck} wins over control with {deck}",
         with_group(binding("press", "x{deck}"), "[Foo{deck}]"), "x{deck} on the current deck"},
        {"set of a half", set_rate(0.5), "set rate to 0.5 on the current deck"},
        {"set of a whole number", set_rate(1), "set rate to 1 on the current deck"},
        {"set rounds to three decimals", set_rate(0.12345),
         "set rate to 0.123 on the current deck"},
        {"set with label", with_label(set_rate(3), "go to the track list"),
         "go to the track list on the current deck"},
        {"adjust up", adjust_volume(0.05), "volume up on the current deck"},
        {"adjust down", adjust_volume(-0.05), "volume down on the current deck"},
        {"adjust of zero is down", adjust_volume(0), "volume down on the current deck"},
        {"adjust not a number is down", adjust_volume(std::nan("")),
         "volume down on the current deck"},
        {"balance right", adjust_volume(0.05, "balance"), "volume right on the current deck"},
        {"balance left", adjust_volume(-0.05, "balance"), "volume left on the current deck"},
        {"cue_main toward main", adjust_volume(0.1, "cue_main"),
         "volume toward main on the current deck"},
        {"cue_main toward cue", adjust_volume(-0.1, "cue_main"),
         "volume toward cue on the current deck"},
        {"adjust with label", with_label(adjust_volume(0.1, "bpm"), "gain"),
         "gain up on the current deck"},
        {"beatgrid_move earlier", beatgrid_move(-3),
         "move the beat grid 15 milliseconds earlier on the current deck"},
        {"beatgrid_move of zero", beatgrid_move(0),
         "move the beat grid 0 milliseconds earlier on the current deck"},
        {"beatgrid_move later", beatgrid_move(2),
         "move the beat grid 10 milliseconds later on the current deck"},
        {"beatgrid_move at the 32-bit limit", beatgrid_move(-1e12),
         "move the beat grid 10737418240 milliseconds earlier on the current deck"},
        {"hold without label", binding("hold", "cue_default"),
         "cue while held on the current deck"},
        {"hold with label", with_label(binding("hold", "fwd"), "search"),
         "search on the current deck"},
        {"say_control with empty label speaks the key, not its phrase", say_rate, "say rate"},
        {"say_control default label",
         with_group(binding("say_control", "rate_temp_up"), "[Channel1]"), "say rate_temp_up"},
        {"change_effect",
         with_group(binding("change_effect", "next_effect"), "[EffectRack1_EffectUnit1_Effect1]"),
         "next effect"},
        {"select_deck", select, "select deck 3"},
        {"say status", say("status"), "say deck status"},
        {"say track", say("track"), "say track title and artist"},
        {"say time", say("time"), "say elapsed and remaining time"},
        {"say tempo", say("tempo"), "say tempo and key"},
        {"say grid_offset", say("grid_offset"),
         "say how far the playhead is from the beat grid on the current deck"},
        {"say selected_track", say("selected_track"), "say the track selected in the library"},
        {"say hotcues", say("hotcues"), "say the hotcues of the current deck"},
        {"say effects", say("effects"), "say what is in the effect units"},
        {"marker", marker(), "loop in on the current deck"},
        {"stop_speech", binding("stop_speech"), "stop speech"},
        {"toggle_announce", binding("toggle_announce"), "announcements on or off"},
        {"dump_widgets", binding("dump_widgets"), "write the Mixxx widget list to the plugin log"},
        {"key_help", binding("key_help"), "key help on or off"},
        {"beatgrid_clicks", binding("beatgrid_clicks"),
         "beat grid clicks on or off for the current deck"},
        {"beatgrid_tap", binding("beatgrid_tap"), "tap the tempo of the current deck"},
        {"preview", binding("preview", "ignored"),
         "preview the selected library track, or stop the preview"},
        {"clear_marker", binding("clear_marker"), "clear the marker last set or jumped to"},
        {"stop_samplers", binding("stop_samplers"), "stop all samplers"},
        {"beatmatch", binding("beatmatch"),
         "compare the tempo and beats of the current deck with the other deck"},
        {"beatmatch_monitor", binding("beatmatch_monitor"),
         "beatmatch monitor on or off for the current deck"},
        {"key_editor", binding("key_editor"), "open the key editor"},
    };
}

} // namespace

TEST(DescribeBinding, DescribesEveryKindInWords) {
    for (const DescriptionCase& c : description_cases()) {
        Result<BoundAction> described = describe_binding(c.binding);
        ASSERT_TRUE(described.ok()) << c.title << ": " << described.error();
        EXPECT_EQ(described->name, c.description) << c.title;
        EXPECT_FALSE(described->fixed_deck.has_value()) << c.title;
    }
}

TEST(DescribeBinding, KeepsTheBuiltActionAndPassesItsErrorOn) {
    Binding toggle = with_group(binding("toggle", "play"), "[Master]");
    Result<BoundAction> described = describe_binding(toggle);
    ASSERT_TRUE(described.ok());
    EXPECT_EQ(described->action, action_from_function(toggle).value());

    Binding no_control = binding("toggle");
    Result<BoundAction> failed = describe_binding(no_control);
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(), "'ctrl+alt+shift+f1': action 'toggle' needs 'control'");

    Binding unknown = binding("Toggle", "play");
    EXPECT_EQ(describe_binding(unknown).error(), "'ctrl+alt+shift+f1': unknown action 'Toggle'");
}

TEST(DescribeControl, UsesTheTableThenTheHotcuePatternsThenTheKeyItself) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"rate_temp_up", "nudge faster"},
        {"fwd", "fast forward"},
        {"AutoDjAddBottom", "add the selected track to the Auto DJ queue"},
        {"toggle_recording", "recording"},
        {"fade_now", "Auto DJ: fade to the next track now"},
        {"beats_translate_curpos", "set a beat at the current position"},
        {"Play", "Play"}, // matching is case-sensitive
        {"hotcue_3_activate", "hotcue 3, set or jump"},
        {"hotcue_12_activate", "hotcue 12, set or jump"},
        {"hotcue_12_clear", "clear hotcue 12"},
        {"hotcue_activate", "hotcue activate"}, // 15 bytes: too short for the pattern
        {"hotcue_clear", "hotcue clear"},       // 12 bytes: too short for the pattern
        {"hotcue_3_set", "hotcue 3 set"},
        {"beats_translate_later", "beats translate later"},
        {"passthrough", "passthrough"},
        {"", ""},
    };
    for (const auto& [control, phrase] : cases)
        EXPECT_EQ(describe_control(control), phrase) << control;
    EXPECT_EQ(describe_hold("back"), "fast rewind while held");
    EXPECT_EQ(describe_hold("beatlooproll_activate"), "loop roll while held");
}

TEST(FormatNumber, RoundsToThreeDecimalsAndWritesTheShortestText) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, std::string>> cases = {
        {0, "0"},
        {-0.0, "0"},
        {-0.0004, "0"},
        {1, "1"},
        {-3, "-3"},
        {0.5, "0.5"},
        {1.235, "1.235"},
        {-0.125, "-0.125"},
        {0.12345, "0.123"},
        {0.0005, "0.001"}, // halves away from zero
        {-0.0005, "-0.001"},
        {0.9996, "1"},
        {2.5e-7, "0"},
        {0.001, "0.001"},
        {123456.789, "123456.789"},
        {1e15, "1000000000000000"},
        {1e20, "9223372036854775807"},
        {-1e20, "-9223372036854775808"},
        {1e300, "9223372036854775807"}, // too large to scale by 1000
        {-1e308, "-9223372036854775808"},
        {nan, "NaN"},
        {inf, "inf"},
        {-inf, "-inf"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(format_number(value), text) << value;
}
