#include "catalog/describe.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

#include "common/float_text.h"
#include "common/rounding.h"

namespace cuevoice {
namespace {

struct ControlPhrase {
    std::string_view control;
    std::string_view phrase;
};

constexpr std::array<ControlPhrase, 43> control_phrases{{
    {"fwd", "fast forward"},
    {"back", "fast rewind"},
    {"pfl", "headphones"},
    {"play", "play"},
    {"eject", "eject"},
    {"keylock", "key lock"},
    {"bpmlock", "grid lock"},
    {"quantize", "quantize"},
    {"pitch_up", "key up"},
    {"pitch_down", "key down"},
    {"sync_key", "match the key to the other deck"},
    {"reset_key", "reset the key"},
    {"talkover", "microphone"},
    {"fade_now", "Auto DJ: fade to the next track now"},
    {"skip_next", "Auto DJ: skip the next track"},
    {"AutoDjAddBottom", "add the selected track to the Auto DJ queue"},
    {"loop_halve", "halve loop size"},
    {"loop_double", "double loop size"},
    {"reloop_toggle", "reloop"},
    {"beatloop_activate", "loop"},
    {"beatlooproll_activate", "loop roll"},
    {"reverseroll", "reverse roll"},
    {"cue_default", "cue"},
    {"cue_gotoandplay", "play from the start"},
    {"rate_temp_up", "nudge faster"},
    {"rate_temp_down", "nudge slower"},
    {"rate_perm_up_small", "tempo up"},
    {"rate_perm_down_small", "tempo down"},
    {"rate_set_zero", "reset the tempo"},
    {"sync_enabled", "sync"},
    {"slip_enabled", "slip mode"},
    {"beatjump_forward", "beat jump forward"},
    {"beatjump_backward", "beat jump back"},
    {"beatjump_size_double", "double the beat jump size"},
    {"beatjump_size_halve", "halve the beat jump size"},
    {"beats_set_double", "double the BPM"},
    {"beats_set_halve", "halve the BPM"},
    {"beats_adjust_faster", "beat grid tempo faster"},
    {"beats_adjust_slower", "beat grid tempo slower"},
    {"beats_undo_adjustment", "undo the last beat grid change"},
    {"beats_translate_curpos", "set a beat at the current position"},
    {"LoadSelectedTrack", "load selected track"},
    {"toggle_recording", "recording"},
}};

bool starts_with(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The text between a prefix and a suffix that the caller has checked.
std::string_view between(std::string_view text, std::size_t prefix, std::size_t suffix) {
    return text.substr(prefix, text.size() - prefix - suffix);
}

std::string join(std::string_view first, std::string_view second) {
    std::string text(first);
    text += second;
    return text;
}

std::string_view say_text(SayWhat what) {
    switch (what) {
    case SayWhat::status:
        return "say deck status";
    case SayWhat::track:
        return "say track title and artist";
    case SayWhat::time:
        return "say elapsed and remaining time";
    case SayWhat::tempo:
        return "say tempo and key";
    case SayWhat::grid_offset:
        return "say how far the playhead is from the beat grid on the current deck";
    case SayWhat::selected_track:
        return "say the track selected in the library";
    case SayWhat::hotcues:
        return "say the hotcues of the current deck";
    case SayWhat::effects:
        return "say what is in the effect units";
    }
    return "";
}

// A step that is zero or not a number counts as not above zero.
std::string_view direction_word(ValueFormat format, double step) {
    const bool above = step > 0;
    switch (format) {
    case ValueFormat::balance:
        return above ? "right" : "left";
    case ValueFormat::cue_main:
        return above ? "toward main" : "toward cue";
    default:
        return above ? "up" : "down";
    }
}

std::string label_or_phrase(const std::optional<std::string>& label, const ControlTarget& target) {
    return label ? *label : describe_control(target.control);
}

// One overload per kind and no catch-all: a kind without its words does not build.
struct Describer {
    std::string operator()(const SelectDeckAction& a) const {
        return "select deck " + std::to_string(a.deck);
    }
    std::string operator()(const ToggleAction& a) const {
        return add_deck_phrase(label_or_phrase(a.label, a.target) + " on or off", a.target);
    }
    std::string operator()(const PressAction& a) const {
        return add_deck_phrase(label_or_phrase(a.label, a.target), a.target);
    }
    std::string operator()(const HoldAction& a) const {
        return add_deck_phrase(a.label ? *a.label : describe_hold(a.target.control), a.target);
    }
    std::string operator()(const SetAction& a) const {
        std::string text =
            a.label ? *a.label
                    : "set " + describe_control(a.target.control) + " to " + format_number(a.value);
        return add_deck_phrase(std::move(text), a.target);
    }
    std::string operator()(const AdjustAction& a) const {
        return add_deck_phrase(a.label + " " + std::string(direction_word(a.format, a.step)),
                               a.target);
    }
    std::string operator()(const SayAction& a) const { return std::string(say_text(a.what)); }
    std::string operator()(const SayControlAction& a) const {
        return "say " + (a.label.empty() ? a.target.control : a.label);
    }
    std::string operator()(const StopSpeechAction&) const { return "stop speech"; }
    std::string operator()(const ToggleAnnounceAction&) const { return "announcements on or off"; }
    std::string operator()(const DumpWidgetsAction&) const {
        return "write the Mixxx widget list to the plugin log";
    }
    std::string operator()(const KeyHelpAction&) const { return "key help on or off"; }
    std::string operator()(const BeatgridClicksAction&) const {
        return "beat grid clicks on or off for the current deck";
    }
    std::string operator()(const BeatgridMoveAction& a) const {
        // Widened first: five times the most negative 32-bit count does not fit in 32 bits.
        const std::int64_t milliseconds = 5 * std::llabs(static_cast<std::int64_t>(a.steps));
        return "move the beat grid " + std::to_string(milliseconds) + " milliseconds " +
               (a.steps > 0 ? "later" : "earlier") + " on the current deck";
    }
    std::string operator()(const BeatgridTapAction&) const {
        return "tap the tempo of the current deck";
    }
    std::string operator()(const PreviewAction&) const {
        return "preview the selected library track, or stop the preview";
    }
    std::string operator()(const MarkerAction& a) const { return a.label + " on the current deck"; }
    std::string operator()(const ClearMarkerAction&) const {
        return "clear the marker last set or jumped to";
    }
    std::string operator()(const ChangeEffectAction& a) const {
        return add_deck_phrase(label_or_phrase(a.label, a.target), a.target);
    }
    std::string operator()(const StopSamplersAction&) const { return "stop all samplers"; }
    std::string operator()(const BeatmatchAction&) const {
        return "compare the tempo and beats of the current deck with the other deck";
    }
    std::string operator()(const BeatmatchMonitorAction&) const {
        return "beatmatch monitor on or off for the current deck";
    }
    std::string operator()(const KeyEditorAction&) const { return "open the key editor"; }
};

} // namespace

Result<BoundAction> describe_binding(const Binding& binding) {
    Result<Action> action = action_from_function(binding);
    if (!action)
        return Error{action.error()};
    std::string name = describe_action(*action);
    return BoundAction{std::move(name), std::move(action).value(), std::nullopt};
}

std::string describe_action(const Action& action) {
    return std::visit(Describer{}, action);
}

std::string describe_control(std::string_view control) {
    for (const ControlPhrase& entry : control_phrases)
        if (entry.control == control)
            return std::string(entry.phrase);
    constexpr std::string_view hotcue = "hotcue_";
    constexpr std::string_view activate = "_activate";
    constexpr std::string_view clear = "_clear";
    if (starts_with(control, hotcue) && control.size() >= hotcue.size() + activate.size() &&
        ends_with(control, activate))
        return join("hotcue ", between(control, hotcue.size(), activate.size())) + ", set or jump";
    if (starts_with(control, hotcue) && control.size() >= hotcue.size() + clear.size() &&
        ends_with(control, clear))
        return join("clear hotcue ", between(control, hotcue.size(), clear.size()));
    std::string words(control);
    for (char& c : words)
        if (c == '_')
            c = ' ';
    return words;
}

std::string describe_hold(std::string_view control) {
    return describe_control(control) + " while held";
}

std::string add_deck_phrase(std::string description, const ControlTarget& target) {
    const std::string_view group = target.group;
    if (contains(group, "{deck}"))
        return description + " on the current deck";
    if (contains(target.control, "{deck}"))
        return description + " for the current deck";
    constexpr std::string_view channel = "[Channel";
    constexpr std::string_view sampler = "[Sampler";
    if (group.size() > channel.size() && starts_with(group, channel) && ends_with(group, "]")) {
        const std::string_view number = between(group, channel.size(), 1);
        if (contains(description, join("deck ", number)))
            return description;
        return description + join(" on deck ", number);
    }
    if (group.size() > sampler.size() && starts_with(group, sampler) && ends_with(group, "]")) {
        const std::string_view number = between(group, sampler.size(), 1);
        if (contains(description, join("sampler ", number)))
            return description;
        return description + join(", sampler ", number);
    }
    return description;
}

std::string format_number(double value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "inf" : "-inf";
    // A value so large that multiplying it by 1000 overflows is whole already; rounding it that
    // way would turn it into an infinity.
    const double scaled = value * 1000;
    const double rounded = std::isfinite(scaled) ? std::round(scaled) / 1000 : value;
    if (rounded == std::trunc(rounded)) {
        return std::to_string(rounded_integer(rounded)); // a negative zero becomes 0
    }
    return float_text(rounded); // fractional, so no ".0" is added
}

} // namespace cuevoice
