#include "catalog/action.h"

#include <array>
#include <cmath>
#include <limits>

#include "catalog/debug_text.h"
#include "common/visible_controls.h"

namespace cuevoice {
namespace {

#define CUEVOICE_ACTION_NAME(name, type) #name,
constexpr std::array<std::string_view, action_kind_count> kind_names = {
    CUEVOICE_ACTION_KINDS(CUEVOICE_ACTION_NAME)};
#undef CUEVOICE_ACTION_NAME

constexpr std::array<std::string_view, 11> format_names = {
    "percent", "offset",      "balance", "cue_main", "onoff", "time",
    "bpm",     "bpm_precise", "key",     "number",   "beats",
};

constexpr std::array<std::string_view, 8> say_names = {
    "status", "track", "time", "tempo", "grid_offset", "selected_track", "hotcues", "effects",
};

// Every message about a binding starts with its key text in quotes. The key text and anything
// else of the file a message quotes show a control character as its escape.
std::string about(const Binding& binding, std::string_view rest) {
    std::string message = "'";
    message += visible_controls(binding.key);
    message += "': ";
    message += visible_controls(rest);
    return message;
}

std::string target_group(const Binding& binding) {
    return binding.group ? *binding.group : std::string("[Channel{deck}]");
}

// Halves away from zero, saturating at the 32-bit limits; not a number gives 0.
std::int32_t whole_steps(double step) {
    if (std::isnan(step))
        return 0;
    double rounded = std::round(step);
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(rounded);
}

std::string debug_optional(const std::optional<std::string>& text) {
    return text ? "Some(" + debug_quoted(*text) + ")" : std::string("None");
}

template <typename Kind> Result<Action> with_target_and_label(const Binding& binding) {
    auto target = binding_target(binding);
    if (!target)
        return Error{target.error()};
    return Action{Kind{.target = std::move(target).value(), .label = binding.label}};
}

Result<Action> press(const Binding& binding) {
    auto target = binding_target(binding);
    if (!target)
        return Error{target.error()};
    auto report = binding_report_target(binding);
    if (!report)
        return Error{report.error()};
    return Action{PressAction{.target = std::move(target).value(),
                              .report = std::move(report).value(),
                              .confirm = binding.confirm,
                              .label = binding.label}};
}

Result<Action> hold(const Binding& binding) {
    auto target = binding_target(binding);
    if (!target)
        return Error{target.error()};
    auto report = binding_report_target(binding);
    if (!report)
        return Error{report.error()};
    return Action{HoldAction{.target = std::move(target).value(),
                             .report = std::move(report).value(),
                             .label = binding.label}};
}

Result<Action> set(const Binding& binding) {
    if (!binding.value)
        return Error{about(binding, "set needs 'value'")};
    auto target = binding_target(binding);
    if (!target)
        return Error{target.error()};
    return Action{SetAction{.value = *binding.value,
                            .target = std::move(target).value(),
                            .label = binding.label,
                            .confirm = binding.confirm}};
}

Result<Action> adjust(const Binding& binding) {
    if (!binding.step)
        return Error{about(binding, "adjust needs 'step'")};
    auto target = binding_target(binding);
    if (!target)
        return Error{target.error()};
    std::string label = binding.label ? *binding.label : target->control;
    auto format = parse_value_format(binding, binding.format, ValueFormat::percent);
    if (!format)
        return Error{format.error()};
    return Action{AdjustAction{.step = *binding.step,
                               .target = std::move(target).value(),
                               .label = std::move(label),
                               .format = *format}};
}

Result<Action> say_control(const Binding& binding) {
    auto target = binding_target(binding);
    if (!target)
        return Error{target.error()};
    std::string label = binding.label ? *binding.label : target->control;
    auto format = parse_value_format(binding, binding.format, ValueFormat::number);
    if (!format)
        return Error{format.error()};
    return Action{SayControlAction{
        .target = std::move(target).value(), .label = std::move(label), .format = *format}};
}

Result<Action> say(const Binding& binding) {
    if (binding.what) {
        for (std::size_t i = 0; i < say_names.size(); ++i) {
            if (say_names[i] == *binding.what)
                return Action{SayAction{.what = static_cast<SayWhat>(i)}};
        }
    }
    return Error{about(binding, "unknown say 'what': " + debug_optional(binding.what))};
}

Result<Action> marker(const Binding& binding) {
    for (auto [field, name] :
         {std::pair{&binding.control, "control"}, std::pair{&binding.report, "report"},
          std::pair{&binding.label, "label"}}) {
        if (!*field)
            return Error{about(binding, std::string("marker needs '") + name + "'")};
    }
    return Action{MarkerAction{
        .control = *binding.control, .report = *binding.report, .label = *binding.label}};
}

} // namespace

std::string_view action_kind_name(ActionKind kind) {
    return kind_names[static_cast<std::size_t>(kind)];
}

std::string_view value_format_name(ValueFormat format) {
    return format_names[static_cast<std::size_t>(format)];
}

std::string_view say_what_name(SayWhat what) {
    return say_names[static_cast<std::size_t>(what)];
}

Result<ControlTarget> binding_target(const Binding& binding) {
    if (!binding.control)
        return Error{about(binding, "action '" + binding.action + "' needs 'control'")};
    return ControlTarget{.group = target_group(binding), .control = *binding.control};
}

Result<std::optional<ReportTarget>> binding_report_target(const Binding& binding) {
    if (!binding.report)
        return std::optional<ReportTarget>{};
    auto format = parse_value_format(binding, binding.report_format, ValueFormat::number);
    if (!format)
        return Error{format.error()};
    return std::optional<ReportTarget>{ReportTarget{
        .group = target_group(binding),
        .control = *binding.report,
        .label = binding.report_label ? *binding.report_label : *binding.report,
        .format = *format,
    }};
}

Result<ValueFormat> parse_value_format(const Binding& binding,
                                       const std::optional<std::string>& name,
                                       ValueFormat fallback) {
    if (!name)
        return fallback;
    for (std::size_t i = 0; i < format_names.size(); ++i) {
        if (format_names[i] == *name)
            return static_cast<ValueFormat>(i);
    }
    return Error{about(binding, "unknown format '" + *name + "'")};
}

Result<Action> action_from_function(const Binding& binding) {
    std::size_t kind = 0;
    while (kind < kind_names.size() && kind_names[kind] != binding.action)
        ++kind;
    if (kind == kind_names.size())
        return Error{about(binding, "unknown action '" + binding.action + "'")};

    switch (static_cast<ActionKind>(kind)) {
    case ActionKind::select_deck:
        if (!binding.deck)
            return Error{about(binding, "select_deck needs 'deck'")};
        return Action{SelectDeckAction{.deck = *binding.deck}};
    case ActionKind::toggle:
        return with_target_and_label<ToggleAction>(binding);
    case ActionKind::change_effect:
        return with_target_and_label<ChangeEffectAction>(binding);
    case ActionKind::press:
        return press(binding);
    case ActionKind::hold:
        return hold(binding);
    case ActionKind::set:
        return set(binding);
    case ActionKind::adjust:
        return adjust(binding);
    case ActionKind::say:
        return say(binding);
    case ActionKind::say_control:
        return say_control(binding);
    case ActionKind::beatgrid_move:
        if (!binding.step)
            return Error{about(binding, "beatgrid_move needs 'step'")};
        return Action{BeatgridMoveAction{.steps = whole_steps(*binding.step)}};
    case ActionKind::marker:
        return marker(binding);
    case ActionKind::stop_speech:
        return Action{StopSpeechAction{}};
    case ActionKind::toggle_announce:
        return Action{ToggleAnnounceAction{}};
    case ActionKind::dump_widgets:
        return Action{DumpWidgetsAction{}};
    case ActionKind::key_help:
        return Action{KeyHelpAction{}};
    case ActionKind::beatgrid_clicks:
        return Action{BeatgridClicksAction{}};
    case ActionKind::beatgrid_tap:
        return Action{BeatgridTapAction{}};
    case ActionKind::preview:
        return Action{PreviewAction{}};
    case ActionKind::clear_marker:
        return Action{ClearMarkerAction{}};
    case ActionKind::stop_samplers:
        return Action{StopSamplersAction{}};
    case ActionKind::beatmatch:
        return Action{BeatmatchAction{}};
    case ActionKind::beatmatch_monitor:
        return Action{BeatmatchMonitorAction{}};
    case ActionKind::key_editor:
        return Action{KeyEditorAction{}};
    }
    return Error{about(binding, "unknown action '" + binding.action + "'")};
}

} // namespace cuevoice
