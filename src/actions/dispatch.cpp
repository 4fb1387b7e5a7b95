#include "actions/dispatch.h"

#include <variant>

#include "actions/control_actions.h"
#include "actions/deck_actions.h"
#include "actions/hold.h"
#include "actions/not_built.h"
#include "features/change_effect.h"
#include "features/markers.h"
#include "features/preview.h"
#include "features/stop_samplers.h"

namespace cuevoice {
namespace {

// One overload per kind and no catch-all: a kind added to Action without a line here does not
// compile.
struct Dispatch {
    Context& context;
    std::uint8_t deck;

    Result<void> operator()(const SelectDeckAction& a) const { return select_deck(context, a); }
    Result<void> operator()(const ToggleAction& a) const { return toggle(context, a, deck); }
    Result<void> operator()(const PressAction&) const { return not_built_yet(ActionKind::press); }
    // Presses reach this only without a key to watch: pressed and released at once.
    Result<void> operator()(const HoldAction& a) const { return hold(context, "", a, deck); }
    Result<void> operator()(const SetAction&) const { return not_built_yet(ActionKind::set); }
    Result<void> operator()(const AdjustAction&) const { return not_built_yet(ActionKind::adjust); }
    Result<void> operator()(const SayAction&) const { return not_built_yet(ActionKind::say); }
    Result<void> operator()(const SayControlAction&) const {
        return not_built_yet(ActionKind::say_control);
    }
    Result<void> operator()(const StopSpeechAction&) const {
        return not_built_yet(ActionKind::stop_speech);
    }
    Result<void> operator()(const ToggleAnnounceAction&) const {
        return not_built_yet(ActionKind::toggle_announce);
    }
    Result<void> operator()(const DumpWidgetsAction&) const {
        return not_built_yet(ActionKind::dump_widgets);
    }
    Result<void> operator()(const KeyHelpAction&) const {
        return not_built_yet(ActionKind::key_help);
    }
    Result<void> operator()(const BeatgridClicksAction&) const {
        return not_built_yet(ActionKind::beatgrid_clicks);
    }
    Result<void> operator()(const BeatgridMoveAction&) const {
        return not_built_yet(ActionKind::beatgrid_move);
    }
    Result<void> operator()(const BeatgridTapAction&) const {
        return not_built_yet(ActionKind::beatgrid_tap);
    }
    Result<void> operator()(const PreviewAction&) const { return preview(context); }
    Result<void> operator()(const MarkerAction& a) const { return marker(context, a, deck); }
    Result<void> operator()(const ClearMarkerAction&) const { return clear_marker(context); }
    Result<void> operator()(const ChangeEffectAction& a) const {
        return change_effect(context, a, deck);
    }
    Result<void> operator()(const StopSamplersAction&) const { return stop_samplers(context); }
    Result<void> operator()(const BeatmatchAction&) const {
        return not_built_yet(ActionKind::beatmatch);
    }
    Result<void> operator()(const BeatmatchMonitorAction&) const {
        return not_built_yet(ActionKind::beatmatch_monitor);
    }
    Result<void> operator()(const KeyEditorAction&) const {
        return not_built_yet(ActionKind::key_editor);
    }
};

} // namespace

Result<void> dispatch_action(Context& context, const Action& action, std::uint8_t deck) {
    return std::visit(Dispatch{context, deck}, action);
}

} // namespace cuevoice
