#include "actions/dispatch.h"

#include <variant>

#include "actions/control_actions.h"
#include "actions/deck_actions.h"
#include "actions/dump_widgets.h"
#include "actions/hold.h"
#include "actions/own_switches.h"
#include "actions/press.h"
#include "actions/say_actions.h"
#include "actions/value_actions.h"
#include "beatgrid/grid_clicks.h"
#include "beatgrid/grid_move.h"
#include "beatgrid/tap_tempo.h"
#include "beatmatch/beatmatch.h"
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
    Result<void> operator()(const PressAction& a) const { return press(context, a, deck); }
    // Presses reach this only without a key to watch: pressed and released at once.
    Result<void> operator()(const HoldAction& a) const { return hold(context, "", a, deck); }
    Result<void> operator()(const SetAction& a) const { return set_control(context, a, deck); }
    Result<void> operator()(const AdjustAction& a) const { return adjust(context, a, deck); }
    Result<void> operator()(const SayAction& a) const { return say_what(context, a.what, deck); }
    Result<void> operator()(const SayControlAction& a) const {
        return say_control(context, a, deck);
    }
    Result<void> operator()(const StopSpeechAction&) const { return stop_speech(context); }
    Result<void> operator()(const ToggleAnnounceAction&) const { return toggle_announce(context); }
    Result<void> operator()(const DumpWidgetsAction&) const { return dump_widgets(context); }
    Result<void> operator()(const KeyHelpAction&) const { return key_help(context); }
    Result<void> operator()(const BeatgridClicksAction&) const {
        return beatgrid_clicks(context, deck);
    }
    Result<void> operator()(const BeatgridMoveAction& a) const {
        return beatgrid_move(context, deck, a.steps);
    }
    Result<void> operator()(const BeatgridTapAction&) const { return beatgrid_tap(context, deck); }
    Result<void> operator()(const PreviewAction&) const { return preview(context); }
    Result<void> operator()(const MarkerAction& a) const { return marker(context, a, deck); }
    Result<void> operator()(const ClearMarkerAction&) const { return clear_marker(context); }
    Result<void> operator()(const ChangeEffectAction& a) const {
        return change_effect(context, a, deck);
    }
    Result<void> operator()(const StopSamplersAction&) const { return stop_samplers(context); }
    Result<void> operator()(const BeatmatchAction&) const { return beatmatch(context, deck); }
    Result<void> operator()(const BeatmatchMonitorAction&) const {
        return beatmatch_monitor(context, deck);
    }
    Result<void> operator()(const KeyEditorAction&) const { return key_editor(context); }
};

} // namespace

Result<void> dispatch_action(Context& context, const Action& action, std::uint8_t deck) {
    return std::visit(Dispatch{context, deck}, action);
}

} // namespace cuevoice
