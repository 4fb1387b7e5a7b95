#pragma once
// What a binding does: the parsed action kinds with their parameters and defaults.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "catalog/binding.h"
#include "common/result.h"

namespace cuevoice {

// How a control value is spoken. The numbering is stored and compared: 0 to 3 are spoken from
// the control's normalised "parameter", the others from its "value".
enum class ValueFormat : std::uint8_t {
    percent,
    offset,
    balance,
    cue_main,
    onoff,
    time,
    bpm,
    bpm_precise,
    key,
    number,
    beats,
};

// What a say action speaks.
enum class SayWhat : std::uint8_t {
    status,
    track,
    time,
    tempo,
    grid_offset,
    selected_track,
    hotcues,
    effects,
};

// The control an action works on; "{deck}" stays unfilled until the action runs.
struct ControlTarget {
    std::string group;
    std::string control;
    bool operator==(const ControlTarget&) const = default;
};

// A control read and spoken after a press or a hold.
struct ReportTarget {
    std::string group;
    std::string control;
    std::string label;
    ValueFormat format = ValueFormat::number;
    bool operator==(const ReportTarget&) const = default;
};

struct SelectDeckAction {
    std::uint8_t deck = 0;
    bool operator==(const SelectDeckAction&) const = default;
};
struct ToggleAction {
    ControlTarget target;
    std::optional<std::string> label;
    bool operator==(const ToggleAction&) const = default;
};
struct PressAction {
    ControlTarget target;
    std::optional<ReportTarget> report;
    std::optional<std::string> confirm;
    std::optional<std::string> label;
    bool operator==(const PressAction&) const = default;
};
struct HoldAction {
    ControlTarget target;
    std::optional<ReportTarget> report;
    std::optional<std::string> label;
    bool operator==(const HoldAction&) const = default;
};
struct SetAction {
    double value = 0;
    ControlTarget target;
    std::optional<std::string> label;
    std::optional<std::string> confirm;
    bool operator==(const SetAction&) const = default;
};
struct AdjustAction {
    double step = 0;
    ControlTarget target;
    std::string label;
    ValueFormat format = ValueFormat::percent;
    bool operator==(const AdjustAction&) const = default;
};
struct SayAction {
    SayWhat what = SayWhat::status;
    bool operator==(const SayAction&) const = default;
};
struct SayControlAction {
    ControlTarget target;
    std::string label;
    ValueFormat format = ValueFormat::number;
    bool operator==(const SayControlAction&) const = default;
};
struct StopSpeechAction {
    bool operator==(const StopSpeechAction&) const = default;
};
struct ToggleAnnounceAction {
    bool operator==(const ToggleAnnounceAction&) const = default;
};
struct DumpWidgetsAction {
    bool operator==(const DumpWidgetsAction&) const = default;
};
struct KeyHelpAction {
    bool operator==(const KeyHelpAction&) const = default;
};
struct BeatgridClicksAction {
    bool operator==(const BeatgridClicksAction&) const = default;
};
struct BeatgridMoveAction {
    std::int32_t steps = 0;
    bool operator==(const BeatgridMoveAction&) const = default;
};
struct BeatgridTapAction {
    bool operator==(const BeatgridTapAction&) const = default;
};
struct PreviewAction {
    bool operator==(const PreviewAction&) const = default;
};
// Plain control keys of the deck; a marker names no group.
struct MarkerAction {
    std::string control;
    std::string report;
    std::string label;
    bool operator==(const MarkerAction&) const = default;
};
struct ClearMarkerAction {
    bool operator==(const ClearMarkerAction&) const = default;
};
struct ChangeEffectAction {
    ControlTarget target;
    std::optional<std::string> label;
    bool operator==(const ChangeEffectAction&) const = default;
};
struct StopSamplersAction {
    bool operator==(const StopSamplersAction&) const = default;
};
struct BeatmatchAction {
    bool operator==(const BeatmatchAction&) const = default;
};
struct BeatmatchMonitorAction {
    bool operator==(const BeatmatchMonitorAction&) const = default;
};
struct KeyEditorAction {
    bool operator==(const KeyEditorAction&) const = default;
};

// The action kinds in the order of their numbers, each as X(name, type): the name is the
// binding's action text and the enumerator, the type the variant's alternative. The numbering is
// stored and compared; add or move a kind only here.
#define CUEVOICE_ACTION_KINDS(X)                                                                   \
    X(select_deck, SelectDeckAction)                                                               \
    X(toggle, ToggleAction)                                                                        \
    X(press, PressAction)                                                                          \
    X(hold, HoldAction)                                                                            \
    X(set, SetAction)                                                                              \
    X(adjust, AdjustAction)                                                                        \
    X(say, SayAction)                                                                              \
    X(say_control, SayControlAction)                                                               \
    X(stop_speech, StopSpeechAction)                                                               \
    X(toggle_announce, ToggleAnnounceAction)                                                       \
    X(dump_widgets, DumpWidgetsAction)                                                             \
    X(key_help, KeyHelpAction)                                                                     \
    X(beatgrid_clicks, BeatgridClicksAction)                                                       \
    X(beatgrid_move, BeatgridMoveAction)                                                           \
    X(beatgrid_tap, BeatgridTapAction)                                                             \
    X(preview, PreviewAction)                                                                      \
    X(marker, MarkerAction)                                                                        \
    X(clear_marker, ClearMarkerAction)                                                             \
    X(change_effect, ChangeEffectAction)                                                           \
    X(stop_samplers, StopSamplersAction)                                                           \
    X(beatmatch, BeatmatchAction)                                                                  \
    X(beatmatch_monitor, BeatmatchMonitorAction)                                                   \
    X(key_editor, KeyEditorAction)

namespace detail {
// The variant of the types after the first, so that the list can put a comma before each.
template <typename Ignored, typename... Kinds> struct VariantOfRest {
    using type = std::variant<Kinds...>;
};
} // namespace detail

#define CUEVOICE_ACTION_TYPE_AFTER_COMMA(name, type) , type
using Action =
    detail::VariantOfRest<void CUEVOICE_ACTION_KINDS(CUEVOICE_ACTION_TYPE_AFTER_COMMA)>::type;
#undef CUEVOICE_ACTION_TYPE_AFTER_COMMA

#define CUEVOICE_ACTION_ENUMERATOR(name, type) name,
enum class ActionKind : std::uint8_t { CUEVOICE_ACTION_KINDS(CUEVOICE_ACTION_ENUMERATOR) };
#undef CUEVOICE_ACTION_ENUMERATOR

#define CUEVOICE_ACTION_ONE(name, type) +1
inline constexpr std::size_t action_kind_count = 0 CUEVOICE_ACTION_KINDS(CUEVOICE_ACTION_ONE);
#undef CUEVOICE_ACTION_ONE
static_assert(action_kind_count == 23);
static_assert(std::variant_size_v<Action> == action_kind_count);

// Each kind's number picks its own alternative.
#define CUEVOICE_ACTION_CHECK(name, type)                                                          \
    static_assert(std::is_same_v<                                                                  \
                  std::variant_alternative_t<static_cast<std::size_t>(ActionKind::name), Action>,  \
                  type>);
CUEVOICE_ACTION_KINDS(CUEVOICE_ACTION_CHECK)
#undef CUEVOICE_ACTION_CHECK

// For the last branch of an `if constexpr` chain over the kinds: a kind that no branch names
// stops the build there.
template <typename Kind> inline constexpr bool unhandled_action_kind = false;

inline ActionKind action_kind(const Action& action) {
    return static_cast<ActionKind>(action.index());
}

// The action text of a kind ("select_deck", "toggle", ...).
std::string_view action_kind_name(ActionKind kind);
// The name of a format in a binding ("percent", "bpm_precise", ...).
std::string_view value_format_name(ValueFormat format);
// The name of a say kind in a binding ("status", "selected_track", ...).
std::string_view say_what_name(SayWhat what);

// Builds the action of a binding, or the error text that names the binding by its key text.
Result<Action> action_from_function(const Binding& binding);

// The control a targeted kind works on; the group defaults to "[Channel{deck}]".
Result<ControlTarget> binding_target(const Binding& binding);

// The reported control, none when the binding has no `report`.
Result<std::optional<ReportTarget>> binding_report_target(const Binding& binding);

// A format name, or `fallback` when there is none; the binding only names itself in the error.
Result<ValueFormat> parse_value_format(const Binding& binding,
                                       const std::optional<std::string>& name,
                                       ValueFormat fallback);

} // namespace cuevoice
