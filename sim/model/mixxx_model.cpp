#include "mixxx_model.h"

#include "model_internal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace mixxxsim {

using namespace detail;

const std::vector<std::string>& beat_size_names() {
    static const std::vector<std::string> names = {"0.03125", "0.0625", "0.125", "0.25", "0.5",
                                                   "1",       "2",      "4",     "8",    "16",
                                                   "32",      "64",     "128",   "256",  "512"};
    return names;
}

std::string MixxxModel::key_text(int key) {
    if (key < 1 || key > 24)
        return "";
    return std::to_string(kLancelot[key - 1]) + (key <= 12 ? "B" : "A");
}

std::optional<int> MixxxModel::parse_key(const std::string& text) {
    if (text.size() < 2 || text.size() > 3)
        return std::nullopt;
    char mode = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
    int number = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size() - 1, number);
    if (result.ptr != text.data() + text.size() - 1 || (mode != 'A' && mode != 'B'))
        return std::nullopt;
    for (int k = 1; k <= 24; ++k)
        if (kLancelot[k - 1] == number && (k <= 12) == (mode == 'B'))
            return k;
    return std::nullopt;
}

std::string MixxxModel::time_text(double seconds) {
    long long s = std::llround(std::max(0.0, seconds));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld", s / 60, s % 60);
    return buffer;
}

MixxxModel::MixxxModel(ModelOptions options) : options_(options), effects_(builtin_effects()) {
    options_.num_decks = std::clamp(options_.num_decks, 1, 8);
    options_.num_samplers = std::clamp(options_.num_samplers, 0, 64);

    store_.alias("[Master]", "[Main]");
    store_.define("[App]", "num_decks", options_.num_decks);
    store_.define("[App]", "num_samplers", options_.num_samplers);
    store_.define("[App]", "num_preview_decks", 1);
    readonly_.insert({"[App]", "num_samplers"});
    readonly_.insert({"[App]", "num_preview_decks"});

    for (const char* key : {"track_loaded", "duration", "file_bpm", "file_key", "visual_bpm",
                            "visual_key", "time_elapsed", "time_remaining", "end_of_track",
                            "beat_distance", "track_samplerate", "peak_indicator", "loop_enabled",
                            "loop_start_position", "loop_end_position", "key", "VuMeter"})
        readonly_player_keys_.insert(key);
    for (int n = 1; n <= kHotcues; ++n)
        readonly_player_keys_.insert("hotcue_" + std::to_string(n) + "_status");
    for (const std::string& name : beat_size_names())
        readonly_player_keys_.insert("beatloop_" + name + "_enabled");

    // Main mixer; "[Master]" reaches the same controls.
    store_.define("[Main]", "crossfader", 0.0, kBipolar);
    store_.define("[Main]", "gain", 1.0, kMainGain);
    store_.define("[Main]", "balance", 0.0, kBipolar);
    store_.define("[Main]", "headMix", 0.0, kBipolar);
    store_.define("[Main]", "headSplit", 0.0);
    store_.define("[Main]", "headGain", 1.0, kMainGain);
    store_.define("[Main]", "duckStrength", 0.5, kLinear01);
    store_.define("[Main]", "talkover_ducking", 1.0);
    store_.define("[Main]", "maximize_library", 0.0);
    store_.define("[Main]", "peak_indicator", 0.0);
    readonly_.insert({"[Main]", "peak_indicator"});
    store_.define("[Main]", "num_decks", options_.num_decks);
    readonly_.insert({"[Main]", "num_decks"});

    for (int n = 1; n <= options_.num_decks; ++n)
        define_deck(n);
    decks_defined_ = options_.num_decks;
    for (int n = 1; n <= options_.num_samplers; ++n)
        define_sampler(n);
    define_player("[PreviewDeck1]");

    for (int n = 1; n <= 4; ++n) {
        std::string mic =
            n == 1 ? std::string("[Microphone]") : "[Microphone" + std::to_string(n) + "]";
        std::string aux = "[Auxiliary" + std::to_string(n) + "]";
        for (const std::string& group : {mic, aux}) {
            store_.define(group, "volume", 1.0, kLinear01);
            store_.define(group, "pregain", 1.0, kGainKnob);
            store_.define(group, "pfl", 0.0);
            store_.define(group, "orientation", 1.0, {Kind::linear, 0.0, 1.0, 2.0});
            store_.define(group, "input_configured", 0.0);
            store_.define(group, "peak_indicator", 0.0);
            readonly_.insert({group, "input_configured"});
            readonly_.insert({group, "peak_indicator"});
        }
        store_.define(mic, "talkover", 0.0);
        store_.define(aux, "main_mix", 0.0);
    }

    store_.define("[Library]", "focused_widget", 0.0);
    for (const char* key :
         {"font_size_increment", "font_size_decrement", "font_size_knob", "MoveUp", "MoveDown",
          "MoveVertical", "AutoDjAddBottom", "AutoDjAddTop", "AutoDjAddReplace", "GoToItem"})
        store_.define("[Library]", key, 0.0);
    store_.define("[Library]", "font_size_knob", 12.0);

    for (const char* key :
         {"enabled", "fade_now", "skip_next", "shuffle_playlist", "add_random_track"})
        store_.define("[AutoDJ]", key, 0.0);

    store_.define("[Recording]", "toggle_recording", 0.0);
    store_.define("[Recording]", "status", 0.0);
    readonly_.insert({"[Recording]", "status"});
    store_.define("[Shoutcast]", "enabled", 0.0);
    store_.define("[Shoutcast]", "status", 0.0);
    readonly_.insert({"[Shoutcast]", "status"});

    define_effect_units();
    store_.take_changes();
}

void MixxxModel::set_options(const ModelOptions& options) {
    // The counts only grow, as in Mixxx; decks grow through "[App]" "num_decks".
    int decks = options_.num_decks;
    int samplers = options_.num_samplers;
    options_ = options;
    options_.num_decks = decks;
    options_.num_samplers = samplers;
    int wanted = std::min(options.num_samplers, 64);
    for (int n = samplers + 1; n <= wanted; ++n) {
        define_sampler(n);
        for (int u = 1; u <= kUnits; ++u)
            store_.define(unit_group(u), "group_" + sampler(n) + "_enable", 0.0);
    }
    if (wanted > samplers) {
        options_.num_samplers = wanted;
        store_.put("[App]", "num_samplers", wanted);
    }
}

void MixxxModel::define_player(const std::string& group) {
    Player& p = players_[group];
    p.group = group;
    bool deck = starts_with(group, "[Channel");
    for (const char* key : {"play",
                            "play_indicator",
                            "cue_default",
                            "cue_gotoandplay",
                            "cue_gotoandstop",
                            "cue_set",
                            "cue_play",
                            "cue_indicator",
                            "start_play",
                            "start_stop",
                            "start",
                            "end",
                            "stop",
                            "sync_enabled",
                            "beatsync",
                            "beatsync_tempo",
                            "beatsync_phase",
                            "sync_leader",
                            "keylock",
                            "pfl",
                            "LoadSelectedTrack",
                            "LoadSelectedTrackAndPlay",
                            "eject",
                            "quantize",
                            "slip_enabled",
                            "reverse",
                            "reverseroll",
                            "repeat",
                            "mute",
                            "rate_temp_down",
                            "rate_temp_up",
                            "rate_temp_down_small",
                            "rate_temp_up_small",
                            "rate_perm_down",
                            "rate_perm_up",
                            "rate_perm_down_small",
                            "rate_perm_up_small",
                            "rate_set_zero",
                            "back",
                            "fwd",
                            "track_loaded",
                            "duration",
                            "time_elapsed",
                            "time_remaining",
                            "end_of_track",
                            "beat_distance",
                            "track_samplerate",
                            "file_bpm",
                            "visual_bpm",
                            "file_key",
                            "visual_key",
                            "key",
                            "beatjump_backward",
                            "beatjump_forward",
                            "beatjump_size_double",
                            "beatjump_size_halve",
                            "beatloop_activate",
                            "reloop_toggle",
                            "reloop_andstop",
                            "loop_double",
                            "loop_halve",
                            "loop_in",
                            "loop_out",
                            "loop_remove",
                            "loop_enabled",
                            "beatlooproll_activate",
                            "tempo_tap",
                            "bpm_tap",
                            "pitch_up",
                            "pitch_down",
                            "pitch_up_small",
                            "pitch_down_small",
                            "reset_key",
                            "sync_key",
                            "pregain_set_default",
                            "peak_indicator",
                            "VuMeter",
                            "beats_adjust_faster",
                            "beats_adjust_slower",
                            "beats_translate_curpos",
                            "beats_translate_match_alignment",
                            "beats_translate_earlier",
                            "beats_translate_later",
                            "beats_set_halve",
                            "beats_set_double",
                            "beats_translate_move",
                            "beats_undo_adjustment",
                            "bpmlock",
                            "passthrough"})
        store_.define(group, key, 0.0);
    store_.define(group, "loop_start_position", -1.0);
    store_.define(group, "loop_end_position", -1.0);
    store_.define(group, "cue_point", 0.0);
    store_.define(group, "bpm", 0.0);
    store_.define(group, "playposition", 0.0, kLinear01);
    store_.define(group, "volume", 1.0, kLinear01);
    store_.define(group, "pregain", 1.0, kGainKnob);
    store_.define(group, "rate", 0.0, kBipolar);
    store_.define(group, "rateRange", 0.08);
    store_.define(group, "pitch_adjust", 0.0, {Kind::linear, -6.0, 0.0, 6.0});
    store_.define(group, "pitch", 0.0, {Kind::linear, -6.0, 0.0, 6.0});
    // Decks 1 and 3 start on the crossfader's left, 2 and 4 on its right; the rest in the centre.
    double side = 1.0;
    if (deck)
        side = (group[8] - '0') % 2 == 1 ? 0.0 : 2.0;
    store_.define(group, "orientation", side, {Kind::linear, 0.0, 1.0, 2.0});
    store_.define(group, "beatjump_size", 4.0, {Kind::linear, kMinBeats, 4.0, kMaxBeats});
    store_.define(group, "beatloop_size", 4.0, {Kind::linear, kMinBeats, 4.0, kMaxBeats});
    for (int n = 1; n <= kHotcues; ++n) {
        std::string h = "hotcue_" + std::to_string(n) + "_";
        for (const char* suffix : {"activate", "clear", "set", "goto", "gotoandplay", "gotoandstop",
                                   "status", "enabled"})
            store_.define(group, h + suffix, 0.0);
        store_.define(group, h + "position", -1.0);
        readonly_player_keys_.insert(h + "enabled");
    }
    for (const char* marker : kMarkers) {
        std::string m = marker;
        store_.define(group, m + "_activate", 0.0);
        store_.define(group, m + "_clear", 0.0);
        store_.define(group, m + "_set", 0.0);
        store_.define(group, m + "_enabled", 0.0);
        store_.define(group, m + "_position", -1.0);
        readonly_player_keys_.insert(m + "_enabled");
    }
    for (const std::string& name : beat_size_names()) {
        store_.define(group, "beatjump_" + name + "_forward", 0.0);
        store_.define(group, "beatjump_" + name + "_backward", 0.0);
        store_.define(group, "beatloop_" + name + "_activate", 0.0);
        store_.define(group, "beatloop_" + name + "_toggle", 0.0);
        store_.define(group, "beatloop_" + name + "_enabled", 0.0);
        store_.define(group, "beatlooproll_" + name + "_activate", 0.0);
    }
}

void MixxxModel::define_deck(int n) {
    std::string group = channel(n);
    define_player(group);
    std::string eq = "[EqualizerRack1_" + group + "_Effect1]";
    store_.define(eq, "enabled", 1.0);
    for (int i = 1; i <= 3; ++i) {
        std::string p = "parameter" + std::to_string(i);
        store_.define(eq, p, 1.0, kGainKnob);
        store_.define(eq, p + "_set_default", 0.0);
        store_.define(eq, "button_" + p, 0.0);
    }
    std::string quick = "[QuickEffectRack1_" + group + "]";
    store_.define(quick, "super1", 0.5, kLinear01);
    store_.define(quick, "enabled", 1.0);
    store_.define(quick, "super1_set_default", 0.0);
    if (decks_defined_ > 0)
        add_unit_routing(group);
}

void MixxxModel::define_sampler(int n) {
    define_player(sampler(n));
}

void MixxxModel::add_unit_routing(const std::string& target) {
    for (int u = 1; u <= kUnits; ++u)
        store_.define(unit_group(u), "group_" + target + "_enable", 0.0);
}

void MixxxModel::define_effect_units() {
    for (int u = 1; u <= kUnits; ++u) {
        std::string g = unit_group(u);
        store_.define(g, "enabled", 1.0);
        store_.define(g, "mix", 1.0, kLinear01);
        store_.define(g, "mix_mode", 0.0);
        store_.define(g, "super1", 0.0, kLinear01);
        store_.define(g, "clear", 0.0);
        store_.define(g, "focused_effect", 0.0);
        store_.define(g, "next_chain", 0.0);
        store_.define(g, "prev_chain", 0.0);
        store_.define(g, "group_[Master]_enable", 0.0);
        store_.define(g, "group_[Headphone]_enable", 0.0);
        for (int n = 1; n <= decks_defined_; ++n)
            store_.define(g, "group_" + channel(n) + "_enable", 0.0);
        for (int n = 1; n <= options_.num_samplers; ++n)
            store_.define(g, "group_" + sampler(n) + "_enable", 0.0);
        for (int n = 1; n <= 4; ++n) {
            store_.define(
                g, "group_[Microphone" + (n == 1 ? std::string() : std::to_string(n)) + "]_enable",
                0.0);
            store_.define(g, "group_[Auxiliary" + std::to_string(n) + "]_enable", 0.0);
        }
        for (int s = 1; s <= kSlots; ++s) {
            std::string slot = slot_group(u, s);
            for (const char* key : {"loaded", "loaded_effect", "enabled", "next_effect",
                                    "prev_effect", "clear", "effect_selector", "num_parameters"})
                store_.define(slot, key, 0.0);
            store_.define(slot, "meta", 0.5, kLinear01);
            for (int i = 1; i <= 8; ++i) {
                store_.define(slot, "parameter" + std::to_string(i), 0.5, kLinear01);
                store_.define(slot, "button_parameter" + std::to_string(i), 0.0);
            }
            readonly_.insert({slot, "loaded"});
        }
    }
}

void MixxxModel::grow_decks(int count) {
    count = std::min(count, 8);
    for (int n = decks_defined_ + 1; n <= count; ++n)
        define_deck(n);
    decks_defined_ = std::max(decks_defined_, count);
    options_.num_decks = std::max(options_.num_decks, count);
}

MixxxModel::Player* MixxxModel::player(const std::string& group) {
    auto it = players_.find(group);
    return it == players_.end() ? nullptr : &it->second;
}

const MixxxModel::Player* MixxxModel::player(const std::string& group) const {
    auto it = players_.find(group);
    return it == players_.end() ? nullptr : &it->second;
}

Outcome MixxxModel::get(const std::string& group, const std::string& key,
                        const std::string& prop) const {
    const Control* control = store_.find(group, key);
    if (!control)
        return std::string("unknown control");
    if (prop == "parameter")
        return control->mapping.to_parameter(control->value);
    if (prop != "value")
        return std::string("unknown property '" + prop + "'");
    return control->value;
}

Outcome MixxxModel::set(const std::string& group, const std::string& key, const std::string& prop,
                        double value) {
    return write(group, key, prop, value, false);
}

Outcome MixxxModel::set_from_outside(const std::string& group, const std::string& key,
                                     const std::string& prop, double value) {
    return write(group, key, prop, value, true);
}

Outcome MixxxModel::write(const std::string& group_name, const std::string& key,
                          const std::string& prop, double value, bool outside) {
    std::string group = store_.canonical_group(group_name);
    const Control* control = store_.find(group, key);
    if (!control)
        return std::string("unknown control");
    if (prop != "value" && prop != "parameter")
        return std::string("unknown property '" + prop + "'");
    if (!std::isfinite(value))
        return std::string("value is not a number");
    if (prop == "parameter")
        value = control->mapping.to_value(value);

    Player* p = player(group);
    bool readonly = readonly_.count({group, key}) > 0 || (p && readonly_player_keys_.count(key));
    bool handled = false;
    if (readonly && !outside) {
        handled = true; // Mixxx computes it; a write from outside the engine is ignored
    } else if (p) {
        handled = player_write(*p, key, value, outside);
    } else if (starts_with(group, "[EffectRack1_EffectUnit")) {
        handled = effect_write(group, key, value);
    } else if (group == "[Library]") {
        handled = library_write(key, value);
    } else if (group == "[AutoDJ]") {
        handled = autodj_write(key, value);
    } else if (group == "[App]" && key == "num_decks") {
        int count = static_cast<int>(std::lround(std::clamp(value, 1.0, 8.0)));
        grow_decks(count);
        store_.put("[App]", "num_decks", count);
        store_.put("[Main]", "num_decks", count);
        handled = true;
    } else if (group == "[Recording]" && key == "toggle_recording") {
        store_.put(group, key, value);
        if (value > 0) {
            if (store_.value(group, "status") == 0) {
                store_.put(group, "status", 1); // readying, then recording
                store_.put(group, "status", 2);
            } else {
                store_.put(group, "status", 0);
            }
        }
        handled = true;
    } else if (group == "[Shoutcast]" && key == "enabled") {
        bool on = value != 0;
        store_.put(group, key, on ? 1.0 : 0.0);
        if (on) {
            store_.put(group, "status", 1); // connecting
            store_.put(group, "status", options_.broadcast_connects ? 2.0 : 3.0);
        } else {
            store_.put(group, "status", 0);
        }
        handled = true;
    } else if ((starts_with(group, "[Microphone") && key == "talkover") ||
               (starts_with(group, "[Auxiliary") && key == "main_mix")) {
        // Mixxx warns that no input is set up and never confirms the request: the control
        // stays off without a change.
        if (value == 0 || store_.value(group, "input_configured") != 0)
            store_.put(group, key, value != 0 ? 1.0 : 0.0);
        handled = true;
    } else if (starts_with(group, "[EqualizerRack1_") && ends_with(key, "_set_default")) {
        store_.put(group, key, value);
        if (value > 0)
            store_.put(group, key.substr(0, key.size() - 12), 1.0);
        handled = true;
    } else if (starts_with(group, "[QuickEffectRack1_") && key == "super1_set_default") {
        store_.put(group, key, value);
        if (value > 0)
            store_.put(group, "super1", 0.5);
        handled = true;
    }
    if (!handled)
        store_.put(group, key, value);
    if (p)
        publish(*p);
    return get(group, key, prop);
}

void MixxxModel::refuse(const std::string& group, const std::string& key) {
    // The button lights up for a moment and goes back off, as Mixxx's own refusals do.
    store_.put(group, key, 1.0);
    store_.put(group, key, 0.0);
}

} // namespace mixxxsim
