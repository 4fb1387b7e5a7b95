#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "catalog/action.h"

using namespace cuevoice;

namespace {

struct ActionFault {
    const char* what;
    Binding binding;
    std::string error;
};

// Failure messages name the case, not its bytes.
void PrintTo(const ActionFault& fault, std::ostream* out) {
    *out << fault.what;
}

class ActionFaults : public testing::TestWithParam<ActionFault> {};

TEST_P(ActionFaults, GiveTheirMessageNamingTheBinding) {
    auto result = action_from_function(GetParam().binding);
    ASSERT_FALSE(result.ok()) << GetParam().what;
    EXPECT_EQ(result.error(), GetParam().error) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ActionFaults,
    testing::Values(
        ActionFault{"unknown kind",
                    {.key = "ctrl+alt+p", .action = "jump"},
                    "'ctrl+alt+p': unknown action 'jump'"},
        ActionFault{"kind with capital",
                    {.key = "k", .action = "Toggle", .control = "play"},
                    "'k': unknown action 'Toggle'"},
        ActionFault{"kind with trailing blank",
                    {.key = "k", .action = "toggle ", .control = "play"},
                    "'k': unknown action 'toggle '"},
        ActionFault{"none is no kind",
                    {.key = "ctrl+alt+x", .action = "none"},
                    "'ctrl+alt+x': unknown action 'none'"},
        ActionFault{"toggle without control, with group",
                    {.key = "play", .action = "toggle", .group = "[Master]"},
                    "'play': action 'toggle' needs 'control'"},
        ActionFault{"press without control",
                    {.key = "k", .action = "press"},
                    "'k': action 'press' needs 'control'"},
        ActionFault{"hold without control",
                    {.key = "k", .action = "hold"},
                    "'k': action 'hold' needs 'control'"},
        ActionFault{"say_control without control",
                    {.key = "k", .action = "say_control"},
                    "'k': action 'say_control' needs 'control'"},
        ActionFault{"change_effect without control",
                    {.key = "k", .action = "change_effect"},
                    "'k': action 'change_effect' needs 'control'"},
        ActionFault{"select_deck without deck",
                    {.key = "k", .action = "select_deck"},
                    "'k': select_deck needs 'deck'"},
        // The missing value is named before the missing control.
        ActionFault{"set without value or control",
                    {.key = "k", .action = "set"},
                    "'k': set needs 'value'"},
        ActionFault{"set without control",
                    {.key = "k", .action = "set", .value = 1.0},
                    "'k': action 'set' needs 'control'"},
        ActionFault{"adjust without step",
                    {.key = "k", .action = "adjust", .control = "volume"},
                    "'k': adjust needs 'step'"},
        ActionFault{"adjust without control",
                    {.key = "k", .action = "adjust", .step = 0.1},
                    "'k': action 'adjust' needs 'control'"},
        ActionFault{
            "adjust format with capital",
            {.key = "k", .action = "adjust", .control = "volume", .step = 0.1, .format = "Percent"},
            "'k': unknown format 'Percent'"},
        ActionFault{"say_control bad format",
                    {.key = "k", .action = "say_control", .control = "bpm", .format = "bmp"},
                    "'k': unknown format 'bmp'"},
        ActionFault{"press bad report format",
                    {.key = "k",
                     .action = "press",
                     .control = "rate_perm_up",
                     .report = "bpm",
                     .report_format = "tempo"},
                    "'k': unknown format 'tempo'"},
        ActionFault{"hold bad report format",
                    {.key = "k",
                     .action = "hold",
                     .control = "back",
                     .report = "time_elapsed",
                     .report_format = ""},
                    "'k': unknown format ''"},
        // The target is checked before the report.
        ActionFault{"press without control and bad report",
                    {.key = "k", .action = "press", .report = "bpm", .report_format = "x"},
                    "'k': action 'press' needs 'control'"},
        ActionFault{"beatgrid_move without step",
                    {.key = "k", .action = "beatgrid_move"},
                    "'k': beatgrid_move needs 'step'"},
        ActionFault{
            "say without what", {.key = "k", .action = "say"}, "'k': unknown say 'what': None"},
        ActionFault{"say of unknown what",
                    {.key = "k", .action = "say", .what = "volume"},
                    "'k': unknown say 'what': Some(\"volume\")"},
        ActionFault{"say what with capital",
                    {.key = "k", .action = "say", .what = "Status"},
                    "'k': unknown say 'what': Some(\"Status\")"},
        ActionFault{"say what with quote and backslash",
                    {.key = "k", .action = "say", .what = "a\"b\\c"},
                    "'k': unknown say 'what': Some(\"a\\\"b\\\\c\")"},
        ActionFault{"marker without anything",
                    {.key = "k", .action = "marker"},
                    "'k': marker needs 'control'"},
        ActionFault{"marker without report",
                    {.key = "k",
                     .action = "marker",
                     .control = "intro_start_activate",
                     .label = "intro start"},
                    "'k': marker needs 'report'"},
        ActionFault{
            "marker without label",
            {.key = "k", .action = "marker", .control = "loop_in", .report = "loop_start_position"},
            "'k': marker needs 'label'"},
        ActionFault{
            "empty key text", {.action = "toggle"}, "'': action 'toggle' needs 'control'"}));

struct ActionCase {
    const char* what;
    Binding binding;
    Action expected;
};

void PrintTo(const ActionCase& c, std::ostream* out) {
    *out << c.what;
}

class ActionsBuilt : public testing::TestWithParam<ActionCase> {};

TEST_P(ActionsBuilt, CarryTheirFieldsAndDefaults) {
    auto result = action_from_function(GetParam().binding);
    ASSERT_TRUE(result.ok()) << GetParam().what << ": " << result.error();
    EXPECT_EQ(result->index(), GetParam().expected.index()) << GetParam().what;
    EXPECT_TRUE(*result == GetParam().expected) << GetParam().what;
}

const ControlTarget deck_play{"[Channel{deck}]", "play"};

INSTANTIATE_TEST_SUITE_P(
    Cases, ActionsBuilt,
    testing::Values(
        ActionCase{"select_deck takes any number",
                   {.action = "select_deck", .deck = 7},
                   SelectDeckAction{7}},
        ActionCase{"toggle on the deck's group",
                   {.action = "toggle", .control = "play"},
                   ToggleAction{deck_play, std::nullopt}},
        ActionCase{"toggle on a given group",
                   {.action = "toggle", .group = "[Master]", .control = "play", .label = "mute"},
                   ToggleAction{{"[Master]", "play"}, "mute"}},
        ActionCase{"an empty group stays empty",
                   {.action = "toggle", .group = "", .control = "play"},
                   ToggleAction{{"", "play"}, std::nullopt}},
        ActionCase{"press with a bare report",
                   {.action = "press", .control = "rate_perm_up", .report = "visual_bpm"},
                   PressAction{{"[Channel{deck}]", "rate_perm_up"},
                               ReportTarget{"[Channel{deck}]", "visual_bpm", "visual_bpm",
                                            ValueFormat::number},
                               std::nullopt,
                               std::nullopt}},
        ActionCase{
            "press with every field",
            {.action = "press",
             .group = "[Sampler1]",
             .control = "eject",
             .label = "eject sampler 1",
             .report = "track_loaded",
             .report_label = "loaded",
             .report_format = "onoff",
             .confirm = "ejected"},
            PressAction{{"[Sampler1]", "eject"},
                        ReportTarget{"[Sampler1]", "track_loaded", "loaded", ValueFormat::onoff},
                        "ejected",
                        "eject sampler 1"}},
        ActionCase{
            "report format unread without report",
            {.action = "press", .control = "cue_set", .report_format = "nonsense"},
            PressAction{{"[Channel{deck}]", "cue_set"}, std::nullopt, std::nullopt, std::nullopt}},
        ActionCase{
            "hold with a timed report",
            {.action = "hold",
             .control = "back",
             .report = "time_elapsed",
             .report_label = "at",
             .report_format = "time"},
            HoldAction{{"[Channel{deck}]", "back"},
                       ReportTarget{"[Channel{deck}]", "time_elapsed", "at", ValueFormat::time},
                       std::nullopt}},
        ActionCase{"set",
                   {.action = "set",
                    .group = "[Master]",
                    .control = "crossfader",
                    .value = -1.0,
                    .confirm = "left"},
                   SetAction{-1.0, {"[Master]", "crossfader"}, std::nullopt, "left"}},
        ActionCase{
            "adjust labelled by its control, in percent",
            {.action = "adjust", .control = "volume", .step = 0.05},
            AdjustAction{0.05, {"[Channel{deck}]", "volume"}, "volume", ValueFormat::percent}},
        ActionCase{"adjust with an empty label and a format",
                   {.action = "adjust",
                    .control = "pregain",
                    .step = -0.05,
                    .label = "",
                    .format = "offset"},
                   AdjustAction{-0.05, {"[Channel{deck}]", "pregain"}, "", ValueFormat::offset}},
        ActionCase{"say_control as a number by default",
                   {.action = "say_control", .control = "bpm"},
                   SayControlAction{{"[Channel{deck}]", "bpm"}, "bpm", ValueFormat::number}},
        ActionCase{"say_control with label and format",
                   {.action = "say_control",
                    .group = "[Channel2]",
                    .control = "bpm",
                    .label = "",
                    .format = "bpm_precise"},
                   SayControlAction{{"[Channel2]", "bpm"}, "", ValueFormat::bpm_precise}},
        ActionCase{
            "say", {.action = "say", .what = "grid_offset"}, SayAction{SayWhat::grid_offset}},
        ActionCase{"marker copies its keys",
                   {.action = "marker",
                    .group = "[Master]",
                    .control = "loop_in",
                    .label = "loop in",
                    .report = "loop_start_position"},
                   MarkerAction{"loop_in", "loop_start_position", "loop in"}},
        ActionCase{
            "change_effect",
            {.action = "change_effect",
             .group = "[EffectRack1_EffectUnit1_Effect1]",
             .control = "next_effect"},
            ChangeEffectAction{{"[EffectRack1_EffectUnit1_Effect1]", "next_effect"}, std::nullopt}},
        ActionCase{"kinds without data ignore other fields",
                   {.action = "preview", .control = "play", .format = "nonsense"},
                   PreviewAction{}},
        ActionCase{"stop_speech", {.action = "stop_speech"}, StopSpeechAction{}},
        ActionCase{"toggle_announce", {.action = "toggle_announce"}, ToggleAnnounceAction{}},
        ActionCase{"dump_widgets", {.action = "dump_widgets"}, DumpWidgetsAction{}},
        ActionCase{"key_help", {.action = "key_help"}, KeyHelpAction{}},
        ActionCase{"beatgrid_clicks", {.action = "beatgrid_clicks"}, BeatgridClicksAction{}},
        ActionCase{"beatgrid_tap", {.action = "beatgrid_tap"}, BeatgridTapAction{}},
        ActionCase{"clear_marker", {.action = "clear_marker"}, ClearMarkerAction{}},
        ActionCase{"stop_samplers", {.action = "stop_samplers"}, StopSamplersAction{}},
        ActionCase{"beatmatch", {.action = "beatmatch"}, BeatmatchAction{}},
        ActionCase{"beatmatch_monitor", {.action = "beatmatch_monitor"}, BeatmatchMonitorAction{}},
        ActionCase{"key_editor", {.action = "key_editor"}, KeyEditorAction{}}));

TEST(BeatgridMove, RoundsHalvesAwayFromZeroAndSaturates) {
    struct Case {
        double step;
        std::int32_t steps;
    };
    for (const Case& c : {
             Case{1.0, 1},
             Case{-1.0, -1},
             Case{1.5, 2},
             Case{2.5, 3},
             Case{-2.5, -3},
             Case{-0.5, -1},
             Case{0.49, 0},
             Case{1e12, 2147483647},
             Case{-1e12, -2147483648},
             Case{2147483647.4, 2147483647},
             Case{std::numeric_limits<double>::infinity(), 2147483647},
             Case{std::nan(""), 0},
         }) {
        auto result = action_from_function({.action = "beatgrid_move", .step = c.step});
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(std::get<BeatgridMoveAction>(*result).steps, c.steps) << c.step;
    }
}

TEST(ActionKinds, AreNumberedAndNamedInOrder) {
    const char* names[] = {"select_deck",
                           "toggle",
                           "press",
                           "hold",
                           "set",
                           "adjust",
                           "say",
                           "say_control",
                           "stop_speech",
                           "toggle_announce",
                           "dump_widgets",
                           "key_help",
                           "beatgrid_clicks",
                           "beatgrid_move",
                           "beatgrid_tap",
                           "preview",
                           "marker",
                           "clear_marker",
                           "change_effect",
                           "stop_samplers",
                           "beatmatch",
                           "beatmatch_monitor",
                           "key_editor"};
    ASSERT_EQ(std::size(names), action_kind_count);
    for (std::size_t i = 0; i < action_kind_count; ++i) {
        EXPECT_EQ(action_kind_name(static_cast<ActionKind>(i)), names[i]);
        // Every field a kind may need is given, so each name builds its own kind.
        Binding binding{.key = "k",
                        .action = names[i],
                        .deck = 1,
                        .control = "play",
                        .value = 1,
                        .step = 1,
                        .what = "status",
                        .label = "label",
                        .report = "play"};
        Result<Action> built = action_from_function(binding);
        ASSERT_TRUE(built) << names[i] << ": " << built.error();
        EXPECT_EQ(built->index(), i) << names[i];
    }
    EXPECT_EQ(action_kind(Action{KeyEditorAction{}}), ActionKind::key_editor);
    EXPECT_EQ(action_kind(Action{SayAction{}}), ActionKind::say);
}

TEST(ValueFormats, ParseEveryNameToItsNumberAndFallBackWhenAbsent) {
    const char* names[] = {"percent", "offset",      "balance", "cue_main", "onoff", "time",
                           "bpm",     "bpm_precise", "key",     "number",   "beats"};
    Binding binding{.key = "k", .action = "adjust"};
    for (int i = 0; i < 11; ++i) {
        auto format = parse_value_format(binding, std::string(names[i]), ValueFormat::percent);
        ASSERT_TRUE(format.ok()) << format.error();
        EXPECT_EQ(static_cast<int>(*format), i) << names[i];
        EXPECT_EQ(value_format_name(*format), names[i]);
    }
    auto fallback = parse_value_format(binding, std::nullopt, ValueFormat::beats);
    ASSERT_TRUE(fallback.ok());
    EXPECT_EQ(*fallback, ValueFormat::beats);
    auto unknown = parse_value_format(binding, std::string("BPM"), ValueFormat::number);
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error(), "'k': unknown format 'BPM'");
}

TEST(SayKinds, EveryNameGivesItsMember) {
    const char* names[] = {"status",      "track",          "time",    "tempo",
                           "grid_offset", "selected_track", "hotcues", "effects"};
    for (int i = 0; i < 8; ++i) {
        auto result = action_from_function({.action = "say", .what = names[i]});
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(static_cast<int>(std::get<SayAction>(*result).what), i) << names[i];
        EXPECT_EQ(say_what_name(static_cast<SayWhat>(i)), names[i]);
    }
}

TEST(Targets, ReportTargetIsAbsentWithoutReportAndSharesTheGroup) {
    auto none = binding_report_target({.key = "k", .action = "press", .control = "x"});
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(none->has_value());

    auto fixed = binding_report_target(
        {.key = "k", .action = "press", .group = "[Channel2]", .control = "x", .report = "bpm"});
    ASSERT_TRUE(fixed.ok());
    ASSERT_TRUE(fixed->has_value());
    EXPECT_EQ(**fixed, (ReportTarget{"[Channel2]", "bpm", "bpm", ValueFormat::number}));

    auto target = binding_target({.key = "k", .action = "hold", .control = "{deck}x"});
    ASSERT_TRUE(target.ok());
    EXPECT_EQ(*target, (ControlTarget{"[Channel{deck}]", "{deck}x"}));
}

} // namespace
