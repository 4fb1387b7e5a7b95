#include "mixxx_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace mixxxsim {

namespace {

using Kind = Mapping::Kind;

const Mapping kLinear01{Kind::linear, 0.0, 0.0, 1.0};
const Mapping kBipolar{Kind::linear, -1.0, 0.0, 1.0};
const Mapping kGainKnob{Kind::centered, 0.0, 1.0, 4.0};
const Mapping kMainGain{Kind::centered, 0.0, 1.0, 5.0};

bool starts_with(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool ends_with(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "hotcue_12_activate" with prefix "hotcue_" gives 12 and "activate".
std::optional<std::pair<int, std::string>> numbered(const std::string& key,
                                                    const std::string& prefix) {
    if (!starts_with(key, prefix))
        return std::nullopt;
    std::size_t end = key.find('_', prefix.size());
    if (end == std::string::npos || end == prefix.size())
        return std::nullopt;
    int n = 0;
    for (std::size_t i = prefix.size(); i < end; ++i) {
        if (key[i] < '0' || key[i] > '9' || n > 1000)
            return std::nullopt;
        n = n * 10 + (key[i] - '0');
    }
    return std::pair{n, key.substr(end + 1)};
}

std::string number_text(double x) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, result.ptr);
}

// Beat size names ("0.125", "4") and their sizes.
std::optional<std::pair<double, std::string>> beat_size_prefix(const std::string& key,
                                                               const std::string& prefix) {
    if (!starts_with(key, prefix))
        return std::nullopt;
    for (const std::string& name : beat_size_names()) {
        std::string head = prefix + name + "_";
        if (starts_with(key, head))
            return std::pair{std::stod(name), key.substr(head.size())};
    }
    return std::nullopt;
}

const char* const kMarkers[] = {"intro_start", "intro_end", "outro_start", "outro_end"};
constexpr int kHotcues = 16;
constexpr int kUnits = 4;
constexpr int kSlots = 3;
constexpr double kMinBeats = 0.03125;
constexpr double kMaxBeats = 512.0;

// Lancelot numbers of Mixxx keys 1..24 (major C, D flat ... B, then minor C ... B).
const int kLancelot[24] = {8, 3,  10, 5, 12, 7, 2,  9, 4, 11, 6, 1,
                           5, 12, 7,  2, 9,  4, 11, 6, 1, 8,  3, 10};

int shift_key(int key, int semitones) {
    if (key < 1 || key > 24)
        return key;
    int base = key <= 12 ? 1 : 13;
    int tone = ((key - base + semitones) % 12 + 12) % 12;
    return base + tone;
}

std::string cut_off(const std::string& text, int width) {
    // Count code points, never cutting a UTF-8 sequence apart.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    if (width < 2 || static_cast<int>(starts.size()) <= width)
        return text;
    std::string kept = text.substr(0, starts[width - 1]);
    while (!kept.empty() && kept.back() == ' ')
        kept.pop_back();
    return kept + "\xE2\x80\xA6";
}

std::vector<EffectInfo> builtin_effects() {
    return {{"org.mixxx.effects.autopan", "Auto Pan"},
            {"org.mixxx.effects.balance", "Stereo Balance"},
            {"org.mixxx.effects.bitcrusher", "Bitcrusher"},
            {"org.mixxx.effects.compressor", "Compressor"},
            {"org.mixxx.effects.distortion", "Distortion"},
            {"org.mixxx.effects.echo", "Echo"},
            {"org.mixxx.effects.filter", "Filter"},
            {"org.mixxx.effects.flanger", "Flanger"},
            {"org.mixxx.effects.glitch", "Glitch"},
            {"org.mixxx.effects.loudnesscontour", "Loudness Contour"},
            {"org.mixxx.effects.metronome", "Metronome"},
            {"org.mixxx.effects.moogladder4filter", "Moog Ladder 4 Filter"},
            {"org.mixxx.effects.parametriceq", "Parametric Equalizer"},
            {"org.mixxx.effects.phaser", "Phaser"},
            {"org.mixxx.effects.pitchshift", "Pitch Shift"},
            {"org.mixxx.effects.reverb", "Reverb"},
            {"org.mixxx.effects.tremolo", "Tremolo"},
            {"org.mixxx.effects.whitenoise", "White Noise"}};
}

std::string channel(int n) {
    return "[Channel" + std::to_string(n) + "]";
}
std::string sampler(int n) {
    return "[Sampler" + std::to_string(n) + "]";
}
std::string unit_group(int u) {
    return "[EffectRack1_EffectUnit" + std::to_string(u) + "]";
}
std::string slot_group(int u, int s) {
    return "[EffectRack1_EffectUnit" + std::to_string(u) + "_Effect" + std::to_string(s) + "]";
}

} // namespace

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
            store_.define(group, "orientation", group == mic ? 1.0 : 1.0);
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
    store_.define(group, "orientation", deck ? 1.0 : 1.0, {Kind::linear, 0.0, 1.0, 2.0});
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
        if (value != 0 && store_.value(group, "input_configured") == 0)
            refuse(group, key); // Mixxx warns that no input is set up and leaves it off
        else
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

double MixxxModel::tempo(const Player& p) const {
    return 1.0 + store_.value(p.group, "rate") * store_.value(p.group, "rateRange");
}

double MixxxModel::beat_length(const Player& p) const {
    double bpm = store_.value(p.group, "file_bpm");
    return bpm > 0 ? 60.0 / bpm : 0.0;
}

double MixxxModel::samples(const Player& p, double seconds) const {
    // Positions count the samples of both stereo channels.
    return seconds * (p.track ? p.track->samplerate : 44100.0) * 2.0;
}

bool MixxxModel::load(Player& p, const Track& track) {
    if (!options_.load_into_playing && store_.value(p.group, "play") != 0)
        return false;
    p.track = track;
    p.position = 0.0;
    p.cue_point = 0.0;
    p.cue_previewing = false;
    p.loop_start = p.loop_end = -1.0;
    p.loop_enabled = false;
    p.grid_offset = 0.0;
    p.grid_undo.clear();
    p.roll = {};
    store_.put(p.group, "play", 0);
    store_.put(p.group, "file_bpm", track.bpm);
    store_.put(p.group, "file_key", track.key);
    store_.put(p.group, "track_samplerate", track.samplerate);
    store_.put(p.group, "pitch_adjust", 0);
    for (int n = 1; n <= kHotcues; ++n) {
        auto it = track.hotcues.find(n);
        std::string h = "hotcue_" + std::to_string(n) + "_";
        double pos = it == track.hotcues.end() ? -1.0 : samples(p, it->second);
        store_.put(p.group, h + "position", pos);
    }
    for (const char* marker : kMarkers) {
        auto it = track.markers.find(marker);
        double pos = it == track.markers.end() ? -1.0 : samples(p, it->second);
        store_.put(p.group, std::string(marker) + "_position", pos);
    }
    store_.put(p.group, "track_loaded", 1);
    return true;
}

void MixxxModel::eject(Player& p) {
    if (!p.track || store_.value(p.group, "play") != 0)
        return; // Mixxx does not eject a playing deck
    p.track.reset();
    p.position = 0.0;
    p.loop_start = p.loop_end = -1.0;
    p.loop_enabled = false;
    p.roll = {};
    for (int n = 1; n <= kHotcues; ++n)
        store_.put(p.group, "hotcue_" + std::to_string(n) + "_position", -1.0);
    for (const char* marker : kMarkers)
        store_.put(p.group, std::string(marker) + "_position", -1.0);
    store_.put(p.group, "file_bpm", 0);
    store_.put(p.group, "file_key", 0);
    store_.put(p.group, "track_samplerate", 0);
    store_.put(p.group, "track_loaded", 0);
}

void MixxxModel::play(Player& p, bool on) {
    if (on && !p.track) {
        refuse(p.group, "play");
        return;
    }
    if (on && p.position >= p.track->duration && store_.value(p.group, "repeat") == 0)
        p.position = 0.0;
    store_.put(p.group, "play", on ? 1.0 : 0.0);
}

void MixxxModel::seek(Player& p, double seconds) {
    if (!p.track)
        return;
    p.position = std::clamp(seconds, 0.0, p.track->duration);
}

void MixxxModel::set_beat_loop(Player& p, double beats) {
    double length = beat_length(p);
    if (!p.track || length <= 0)
        return;
    p.loop_start = p.position;
    p.loop_end = std::min(p.position + beats * length, p.track->duration);
    p.loop_enabled = p.loop_end > p.loop_start;
    store_.put(p.group, "beatloop_size", beats);
}

void MixxxModel::grid_change(Player& p, double new_bpm, double new_offset) {
    if (!p.track || store_.value(p.group, "bpmlock") != 0)
        return;
    p.grid_undo.emplace_back(store_.value(p.group, "file_bpm"), p.grid_offset);
    p.grid_offset = new_offset;
    store_.put(p.group, "file_bpm", std::max(0.0, new_bpm));
}

const MixxxModel::Player* MixxxModel::other_deck(const Player& p) const {
    // The deck to follow: a playing one before a paused one, in deck order.
    const Player* best = nullptr;
    for (int n = 1; n <= decks_defined_; ++n) {
        const Player* other = player(channel(n));
        if (!other || other == &p || !other->track || store_.value(other->group, "bpm") <= 0)
            continue;
        bool playing = store_.value(other->group, "play") != 0;
        if (!best || (playing && store_.value(best->group, "play") == 0))
            best = other;
    }
    return best;
}

void MixxxModel::beat_sync(Player& p) {
    const Player* other = other_deck(p);
    double file_bpm = store_.value(p.group, "file_bpm");
    if (!other || !p.track || file_bpm <= 0)
        return;
    double range = store_.value(p.group, "rateRange");
    double wanted = store_.value(other->group, "bpm");
    if (range > 0)
        store_.put(p.group, "rate", std::clamp((wanted / file_bpm - 1.0) / range, -1.0, 1.0));
    double length = beat_length(p);
    if (length > 0) {
        double here = store_.value(p.group, "beat_distance");
        double there = store_.value(other->group, "beat_distance");
        double shift = there - here;
        shift -= std::round(shift);
        seek(p, p.position + shift * length);
    }
}

bool MixxxModel::player_write(Player& p, const std::string& key, double value, bool outside) {
    const std::string& g = p.group;
    bool down = value > 0;
    bool loaded = p.track.has_value();
    double length = beat_length(p);
    auto press = [&](auto&& action) {
        store_.put(g, key, value);
        if (down)
            action();
        return true;
    };

    if (key == "play") {
        play(p, value != 0);
        return true;
    }
    if (key == "LoadSelectedTrack" || key == "LoadSelectedTrackAndPlay") {
        return press([&] {
            if (selected_row_ == 0 || selected_row_ > library_.size())
                return;
            if (load(p, library_[selected_row_ - 1]) && key == "LoadSelectedTrackAndPlay")
                play(p, true);
        });
    }
    if (key == "eject")
        return press([&] { eject(p); });
    if (key == "stop")
        return press([&] { store_.put(g, "play", 0); });
    if (key == "start")
        return press([&] { seek(p, 0); });
    if (key == "end")
        return press([&] {
            if (loaded)
                seek(p, p.track->duration);
        });
    if (key == "start_play")
        return press([&] {
            seek(p, 0);
            play(p, true);
        });
    if (key == "start_stop")
        return press([&] {
            seek(p, 0);
            store_.put(g, "play", 0);
        });
    if (key == "cue_set")
        return press([&] {
            if (loaded)
                p.cue_point = p.position;
        });
    if (key == "cue_point") {
        p.cue_point = std::max(0.0, value) / (samples(p, 1.0));
        store_.put(g, key, value);
        return true;
    }
    if (key == "cue_gotoandplay" || key == "cue_play")
        return press([&] {
            seek(p, p.cue_point);
            play(p, true);
        });
    if (key == "cue_gotoandstop")
        return press([&] {
            seek(p, p.cue_point);
            store_.put(g, "play", 0);
        });
    if (key == "cue_default") {
        store_.put(g, key, value);
        if (!loaded)
            return true;
        if (down) {
            if (store_.value(g, "play") != 0) {
                store_.put(g, "play", 0);
                seek(p, p.cue_point);
            } else if (std::abs(p.position - p.cue_point) < 0.001) {
                p.cue_previewing = true; // plays from the cue point while held
                store_.put(g, "play", 1);
            } else {
                p.cue_point = p.position;
            }
        } else if (p.cue_previewing) {
            p.cue_previewing = false;
            store_.put(g, "play", 0);
            seek(p, p.cue_point);
        }
        return true;
    }
    if (key == "playposition") {
        if (loaded)
            seek(p, std::clamp(value, 0.0, 1.0) * p.track->duration);
        return true;
    }
    if (key == "bpm") {
        double file_bpm = store_.value(g, "file_bpm");
        double range = store_.value(g, "rateRange");
        if (loaded && file_bpm > 0 && range > 0 && value > 0)
            store_.put(g, "rate", std::clamp((value / file_bpm - 1.0) / range, -1.0, 1.0));
        return true;
    }
    if (key == "rate_perm_up" || key == "rate_perm_down" || key == "rate_perm_up_small" ||
        key == "rate_perm_down_small") {
        return press([&] {
            // Mixxx's default permanent steps: 0.5 % and 0.05 % of the tempo.
            double step = key.find("small") != std::string::npos ? 0.0005 : 0.005;
            double range = store_.value(g, "rateRange");
            if (range <= 0)
                return;
            double sign = key.find("_up") != std::string::npos ? 1.0 : -1.0;
            store_.put(g, "rate",
                       std::clamp(store_.value(g, "rate") + sign * step / range, -1.0, 1.0));
        });
    }
    if (key == "rate_set_zero")
        return press([&] { store_.put(g, "rate", 0); });
    if (key == "pitch_up" || key == "pitch_down" || key == "pitch_up_small" ||
        key == "pitch_down_small") {
        return press([&] {
            double step = key.find("small") != std::string::npos ? 0.1 : 1.0;
            double sign = key.find("_up") != std::string::npos ? 1.0 : -1.0;
            store_.put(g, "pitch_adjust", store_.value(g, "pitch_adjust") + sign * step);
        });
    }
    if (key == "reset_key")
        return press([&] { store_.put(g, "pitch_adjust", 0); });
    if (key == "sync_key") {
        return press([&] {
            const Player* other = other_deck(p);
            int mine = static_cast<int>(store_.value(g, "file_key"));
            int theirs = other ? static_cast<int>(store_.value(other->group, "visual_key")) : 0;
            if (!loaded || mine < 1 || theirs < 1)
                return;
            int diff = ((theirs - 1) % 12 - (mine - 1) % 12 + 12) % 12;
            if (diff > 6)
                diff -= 12;
            store_.put(g, "pitch_adjust", diff);
        });
    }
    if (key == "pregain_set_default")
        return press([&] { store_.put(g, "pregain", 1.0); });
    if (key == "beatsync" || key == "beatsync_tempo" || key == "beatsync_phase")
        return press([&] { beat_sync(p); });
    if (key == "sync_enabled") {
        store_.put(g, key, value != 0 ? 1.0 : 0.0);
        if (value != 0)
            beat_sync(p);
        return true;
    }
    if (key == "sync_leader") {
        if (value != 0)
            for (auto& [name, other] : players_)
                if (&other != &p)
                    store_.put(name, "sync_leader", 0);
        store_.put(g, key, value != 0 ? 1.0 : 0.0);
        return true;
    }
    if (key == "beatjump_forward" || key == "beatjump_backward") {
        return press([&] {
            double sign = key == "beatjump_forward" ? 1.0 : -1.0;
            if (loaded && length > 0)
                seek(p, p.position + sign * store_.value(g, "beatjump_size") * length);
        });
    }
    if (key == "beatjump_size_double" || key == "beatjump_size_halve" || key == "loop_double" ||
        key == "loop_halve") {
        return press([&] {
            bool jump = starts_with(key, "beatjump");
            std::string size_key = jump ? "beatjump_size" : "beatloop_size";
            double factor = ends_with(key, "double") ? 2.0 : 0.5;
            double size = std::clamp(store_.value(g, size_key) * factor, kMinBeats, kMaxBeats);
            store_.put(g, size_key, size);
            if (!jump && p.loop_enabled && length > 0 && loaded)
                p.loop_end = std::min(p.loop_start + size * length, p.track->duration);
        });
    }
    if (auto jump = beat_size_prefix(key, "beatjump_")) {
        if (jump->second == "forward" || jump->second == "backward")
            return press([&] {
                double sign = jump->second == "forward" ? 1.0 : -1.0;
                if (loaded && length > 0)
                    seek(p, p.position + sign * jump->first * length);
            });
    }
    if (key == "beatloop_activate")
        return press([&] { set_beat_loop(p, store_.value(g, "beatloop_size")); });
    if (auto loop = beat_size_prefix(key, "beatloop_")) {
        if (loop->second == "activate")
            return press([&] { set_beat_loop(p, loop->first); });
        if (loop->second == "toggle")
            return press([&] {
                if (p.loop_enabled && store_.value(g, "beatloop_size") == loop->first)
                    p.loop_enabled = false;
                else
                    set_beat_loop(p, loop->first);
            });
    }
    if (key == "beatloop_size") {
        double size = std::clamp(value, kMinBeats, kMaxBeats);
        store_.put(g, key, size);
        if (p.loop_enabled && loaded && length > 0)
            p.loop_end = std::min(p.loop_start + size * length, p.track->duration);
        return true;
    }
    if (key == "beatlooproll_activate" || key == "reverseroll" ||
        beat_size_prefix(key, "beatlooproll_")) {
        store_.put(g, key, value);
        if (!loaded)
            return true;
        if (down && !p.roll.active) {
            p.roll = {true, p.position, key == "reverseroll", key};
            if (key == "reverseroll") {
                store_.put(g, "reverse", 1);
            } else {
                double beats = key == "beatlooproll_activate"
                                   ? store_.value(g, "beatloop_size")
                                   : beat_size_prefix(key, "beatlooproll_")->first;
                double before = store_.value(g, "beatloop_size");
                set_beat_loop(p, beats);
                store_.put(g, "beatloop_size", before);
            }
        } else if (!down && p.roll.active && p.roll.key == key) {
            if (p.roll.reverse)
                store_.put(g, "reverse", 0);
            else
                p.loop_enabled = false;
            seek(p, p.roll.shadow);
            p.roll = {};
        }
        return true;
    }
    if (key == "reloop_toggle" || key == "reloop_andstop") {
        return press([&] {
            if (p.loop_start < 0 || p.loop_end <= p.loop_start)
                return;
            if (key == "reloop_andstop") {
                store_.put(g, "play", 0);
                seek(p, p.loop_start);
                p.loop_enabled = true;
                return;
            }
            p.loop_enabled = !p.loop_enabled;
            if (p.loop_enabled && p.position > p.loop_end)
                seek(p, p.loop_start);
        });
    }
    if (key == "loop_in")
        return press([&] {
            if (!loaded)
                return;
            p.loop_start = p.position;
            if (p.loop_end <= p.loop_start)
                p.loop_end = -1.0, p.loop_enabled = false;
        });
    if (key == "loop_out")
        return press([&] {
            if (!loaded || p.loop_start < 0 || p.position <= p.loop_start)
                return;
            p.loop_end = p.position;
            p.loop_enabled = true;
        });
    if (key == "loop_remove")
        return press([&] {
            p.loop_start = p.loop_end = -1.0;
            p.loop_enabled = false;
        });
    if (key == "loop_enabled") {
        if (!outside)
            return true;
        p.loop_enabled = value != 0 && p.loop_start >= 0 && p.loop_end > p.loop_start;
        return true;
    }
    if (auto hotcue = numbered(key, "hotcue_");
        hotcue && hotcue->first >= 1 && hotcue->first <= kHotcues) {
        std::string h = "hotcue_" + std::to_string(hotcue->first) + "_";
        const std::string& what = hotcue->second;
        bool set = store_.value(g, h + "position") >= 0;
        store_.put(g, key, value);
        if (!loaded)
            return true;
        if (what == "position") {
            store_.put(g, key, value < 0 ? -1.0 : value);
        } else if (what == "activate") {
            if (down && !set) {
                store_.put(g, h + "position", samples(p, p.position));
            } else if (down) {
                p.hotcue_held = hotcue->first;
                seek(p, store_.value(g, h + "position") / samples(p, 1.0));
            } else if (p.hotcue_held == hotcue->first) {
                p.hotcue_held = 0;
            }
        } else if (down && what == "set") {
            store_.put(g, h + "position", samples(p, p.position));
        } else if (down && what == "clear") {
            store_.put(g, h + "position", -1.0);
        } else if (down && set &&
                   (what == "goto" || what == "gotoandplay" || what == "gotoandstop")) {
            seek(p, store_.value(g, h + "position") / samples(p, 1.0));
            if (what == "gotoandplay")
                play(p, true);
            if (what == "gotoandstop")
                store_.put(g, "play", 0);
        }
        return true;
    }
    for (const char* marker : kMarkers) {
        std::string m = marker;
        if (!starts_with(key, m + "_"))
            continue;
        std::string what = key.substr(m.size() + 1);
        std::string position = m + "_position";
        store_.put(g, key, value);
        if (!loaded)
            return true;
        bool set = store_.value(g, position) >= 0;
        if (what == "position")
            store_.put(g, key, value < 0 ? -1.0 : value);
        else if (down && what == "activate" && set)
            seek(p, store_.value(g, position) / samples(p, 1.0));
        else if (down && (what == "activate" || what == "set"))
            store_.put(g, position, samples(p, p.position));
        else if (down && what == "clear")
            store_.put(g, position, -1.0);
        return true;
    }
    if (key == "beats_adjust_faster" || key == "beats_adjust_slower")
        return press([&] {
            double step = key == "beats_adjust_faster" ? 0.01 : -0.01;
            grid_change(p, store_.value(g, "file_bpm") + step, p.grid_offset);
        });
    if (key == "beats_set_halve" || key == "beats_set_double")
        return press([&] {
            double factor = key == "beats_set_double" ? 2.0 : 0.5;
            grid_change(p, store_.value(g, "file_bpm") * factor, p.grid_offset);
        });
    if (key == "beats_translate_curpos")
        return press([&] { grid_change(p, store_.value(g, "file_bpm"), p.position); });
    if (key == "beats_translate_earlier" || key == "beats_translate_later")
        return press([&] {
            double step = key == "beats_translate_later" ? 0.01 : -0.01;
            grid_change(p, store_.value(g, "file_bpm"), p.grid_offset + step);
        });
    if (key == "beats_translate_move") {
        store_.put(g, key, value);
        if (value != 0) // each unit moves the grid by 5 ms
            grid_change(p, store_.value(g, "file_bpm"), p.grid_offset + value * 0.005);
        return true;
    }
    if (key == "beats_translate_match_alignment")
        return press([&] {
            const Player* other = other_deck(p);
            if (!other || length <= 0)
                return;
            double wanted = store_.value(other->group, "beat_distance");
            double here = store_.value(g, "beat_distance");
            grid_change(p, store_.value(g, "file_bpm"), p.grid_offset + (here - wanted) * length);
        });
    if (key == "beats_undo_adjustment")
        return press([&] {
            if (p.grid_undo.empty() || store_.value(g, "bpmlock") != 0)
                return;
            auto [bpm, offset] = p.grid_undo.back();
            p.grid_undo.pop_back();
            p.grid_offset = offset;
            store_.put(g, "file_bpm", bpm);
        });
    if (key == "bpm_tap" || key == "tempo_tap") {
        return press([&] {
            if (!loaded)
                return;
            auto& taps = key == "bpm_tap" ? p.bpm_taps : p.tempo_taps;
            if (!taps.empty() && clock_ - taps.back() > 2.0)
                taps.clear();
            taps.push_back(clock_);
            if (taps.size() > 8)
                taps.erase(taps.begin());
            if (taps.size() < 2 || taps.back() <= taps.front())
                return;
            double tapped =
                60.0 * static_cast<double>(taps.size() - 1) / (taps.back() - taps.front());
            if (key == "bpm_tap") {
                grid_change(p, tapped, p.grid_offset);
            } else {
                double file_bpm = store_.value(g, "file_bpm");
                double range = store_.value(g, "rateRange");
                if (file_bpm > 0 && range > 0)
                    store_.put(g, "rate", std::clamp((tapped / file_bpm - 1.0) / range, -1.0, 1.0));
            }
        });
    }
    if (key == "keylock" || key == "quantize" || key == "slip_enabled" || key == "repeat" ||
        key == "mute" || key == "pfl" || key == "reverse" || key == "bpmlock") {
        store_.put(g, key, value != 0 ? 1.0 : 0.0);
        return true;
    }
    return false;
}

void MixxxModel::publish(Player& p) {
    const std::string& g = p.group;
    if (!p.track) {
        for (const char* key :
             {"duration", "bpm", "visual_bpm", "key", "visual_key", "time_elapsed",
              "time_remaining", "end_of_track", "beat_distance", "playposition", "loop_enabled"})
            store_.put(g, key, 0.0);
        store_.put(g, "loop_start_position", -1.0);
        store_.put(g, "loop_end_position", -1.0);
        for (int n = 1; n <= kHotcues; ++n) {
            store_.put(g, "hotcue_" + std::to_string(n) + "_status", 0.0);
            store_.put(g, "hotcue_" + std::to_string(n) + "_enabled", 0.0);
        }
        for (const char* marker : kMarkers)
            store_.put(g, std::string(marker) + "_enabled", 0.0);
        for (const std::string& name : beat_size_names())
            store_.put(g, "beatloop_" + name + "_enabled", 0.0);
        return;
    }
    const Track& t = *p.track;
    double file_bpm = store_.value(g, "file_bpm");
    double bpm = file_bpm * tempo(p);
    store_.put(g, "duration", t.duration);
    store_.put(g, "bpm", bpm);
    store_.put(g, "visual_bpm", bpm);
    int semitones = static_cast<int>(std::lround(store_.value(g, "pitch_adjust")));
    if (store_.value(g, "keylock") == 0 && tempo(p) > 0)
        semitones += static_cast<int>(std::lround(12.0 * std::log2(tempo(p))));
    int key = shift_key(static_cast<int>(store_.value(g, "file_key")), semitones);
    store_.put(g, "pitch", store_.value(g, "pitch_adjust"));
    store_.put(g, "key", key);
    store_.put(g, "visual_key", key);
    store_.put(g, "cue_point", samples(p, p.cue_point));
    store_.put(g, "time_elapsed", p.position);
    double remaining = std::max(0.0, t.duration - p.position);
    store_.put(g, "time_remaining", remaining);
    store_.put(g, "end_of_track",
               t.duration > 0 && remaining <= options_.end_of_track_seconds ? 1.0 : 0.0);
    store_.put(g, "playposition", t.duration > 0 ? p.position / t.duration : 0.0);
    double length = beat_length(p);
    double distance = 0.0;
    if (length > 0) {
        double beats = (p.position - p.grid_offset) / length;
        distance = beats - std::floor(beats);
    }
    store_.put(g, "beat_distance", distance);
    store_.put(g, "loop_start_position", p.loop_start < 0 ? -1.0 : samples(p, p.loop_start));
    store_.put(g, "loop_end_position", p.loop_end < 0 ? -1.0 : samples(p, p.loop_end));
    store_.put(g, "loop_enabled", p.loop_enabled ? 1.0 : 0.0);
    double loop_beats = length > 0 && p.loop_enabled ? (p.loop_end - p.loop_start) / length : 0.0;
    for (const std::string& name : beat_size_names())
        store_.put(g, "beatloop_" + name + "_enabled",
                   p.loop_enabled && std::abs(loop_beats - std::stod(name)) < 1e-6 ? 1.0 : 0.0);
    for (int n = 1; n <= kHotcues; ++n) {
        std::string h = "hotcue_" + std::to_string(n) + "_";
        bool set = store_.value(g, h + "position") >= 0;
        // 1: set; 2: set and held down (Mixxx's "active" state).
        double status = !set ? 0.0 : (p.hotcue_held == n ? 2.0 : 1.0);
        store_.put(g, h + "status", status);
        store_.put(g, h + "enabled", set ? 1.0 : 0.0);
    }
    for (const char* marker : kMarkers) {
        std::string m = marker;
        store_.put(g, m + "_enabled", store_.value(g, m + "_position") >= 0 ? 1.0 : 0.0);
    }
}

bool MixxxModel::effect_write(const std::string& group, const std::string& key, double value) {
    int count = static_cast<int>(effects_.size());
    bool slot = group.find("_Effect", 23) != std::string::npos;
    auto load_effect = [&](int index) {
        if (index < 0 || index > count)
            return;
        store_.put(group, "loaded_effect", index);
        store_.put(group, "loaded", index != 0 ? 1.0 : 0.0);
        store_.put(group, "num_parameters", index != 0 ? 4.0 : 0.0);
    };
    if (slot) {
        int current = static_cast<int>(store_.value(group, "loaded_effect"));
        if (key == "loaded_effect") {
            load_effect(static_cast<int>(std::lround(value)));
            return true;
        }
        if (key == "next_effect" || key == "prev_effect" || key == "effect_selector") {
            store_.put(group, key, value);
            bool next = key == "next_effect" || (key == "effect_selector" && value > 0);
            bool prev = key == "prev_effect" || (key == "effect_selector" && value < 0);
            if (count > 0 && (key == "effect_selector" ? value != 0 : value > 0)) {
                if (next)
                    load_effect(current % count + 1);
                else if (prev)
                    load_effect(current <= 1 ? count : current - 1);
            }
            return true;
        }
        if (key == "clear") {
            store_.put(group, key, value);
            if (value > 0)
                load_effect(0);
            return true;
        }
        return false;
    }
    if (key == "clear") {
        store_.put(group, key, value);
        if (value > 0) {
            std::string base = group.substr(0, group.size() - 1);
            for (int s = 1; s <= kSlots; ++s) {
                std::string slot_name = base + "_Effect" + std::to_string(s) + "]";
                store_.put(slot_name, "loaded_effect", 0);
                store_.put(slot_name, "loaded", 0);
                store_.put(slot_name, "num_parameters", 0);
            }
        }
        return true;
    }
    return false;
}

bool MixxxModel::library_write(const std::string& key, double value) {
    store_.put("[Library]", key, value);
    std::uint64_t rows = library_.size();
    if ((key == "MoveDown" || key == "MoveUp") && value > 0 && rows > 0) {
        if (key == "MoveDown")
            selected_row_ = selected_row_ == 0 ? 1 : std::min(rows, selected_row_ + 1);
        else
            selected_row_ = selected_row_ <= 1 ? 1 : selected_row_ - 1;
    } else if (key == "MoveVertical" && value != 0 && rows > 0) {
        long long row = static_cast<long long>(selected_row_) + std::llround(value);
        selected_row_ = static_cast<std::uint64_t>(std::clamp<long long>(row, 1, rows));
        store_.put("[Library]", key, 0);
    } else if (starts_with(key, "AutoDjAdd") && value > 0 && selected_row_ > 0) {
        if (key == "AutoDjAddBottom")
            autodj_queue_.push_back(selected_row_);
        else if (key == "AutoDjAddTop")
            autodj_queue_.insert(autodj_queue_.begin(), selected_row_);
        else
            autodj_queue_ = {selected_row_};
    } else if (key == "font_size_increment" && value > 0) {
        store_.put("[Library]", "font_size_knob", store_.value("[Library]", "font_size_knob") + 1);
    } else if (key == "font_size_decrement" && value > 0) {
        store_.put("[Library]", "font_size_knob",
                   std::max(1.0, store_.value("[Library]", "font_size_knob") - 1));
    }
    return true;
}

void MixxxModel::autodj_start() {
    // Auto DJ fills deck 1 from the queue and plays it when no deck is playing yet.
    Player* first = player(channel(1));
    if (!first || autodj_queue_.empty())
        return;
    if (store_.value(first->group, "play") == 0) {
        std::uint64_t row = autodj_queue_.front();
        autodj_queue_.erase(autodj_queue_.begin());
        if (row >= 1 && row <= library_.size() && load(*first, library_[row - 1]))
            play(*first, true);
        publish(*first);
    }
}

bool MixxxModel::autodj_write(const std::string& key, double value) {
    const std::string g = "[AutoDJ]";
    if (key == "enabled") {
        if (value != 0 && store_.value(g, "enabled") == 0 && autodj_queue_.empty()) {
            refuse(g, key); // Mixxx will not start Auto DJ with an empty queue
            return true;
        }
        store_.put(g, key, value != 0 ? 1.0 : 0.0);
        if (value != 0)
            autodj_start();
        return true;
    }
    store_.put(g, key, value);
    if (value <= 0)
        return true;
    if (key == "skip_next" && !autodj_queue_.empty()) {
        autodj_queue_.erase(autodj_queue_.begin());
    } else if (key == "shuffle_playlist") {
        std::reverse(autodj_queue_.begin(), autodj_queue_.end());
    } else if (key == "add_random_track" && !library_.empty()) {
        autodj_queue_.push_back(autodj_queue_.size() % library_.size() + 1);
    } else if (key == "fade_now" && store_.value(g, "enabled") != 0 && !autodj_queue_.empty()) {
        Player* a = player(channel(1));
        Player* b = player(channel(2));
        if (!a || !b)
            return true;
        bool a_playing = store_.value(a->group, "play") != 0;
        Player& from = a_playing ? *a : *b;
        Player& to = a_playing ? *b : *a;
        std::uint64_t row = autodj_queue_.front();
        store_.put(to.group, "play", 0);
        if (row >= 1 && row <= library_.size() && load(to, library_[row - 1])) {
            autodj_queue_.erase(autodj_queue_.begin());
            play(to, true);
            store_.put(from.group, "play", 0);
        }
        publish(from);
        publish(to);
    }
    return true;
}

void MixxxModel::set_library(std::vector<Track> tracks) {
    library_ = std::move(tracks);
    autodj_queue_.clear();
    selected_row_ = library_.empty() ? 0 : 1;
}

bool MixxxModel::select_row(std::uint64_t row) {
    if (row > library_.size())
        return false;
    selected_row_ = row;
    return true;
}

SelectedTrack MixxxModel::selected_track() const {
    SelectedTrack out;
    out.rows = library_.size();
    if (selected_row_ == 0 || selected_row_ > library_.size())
        return out;
    const Track& t = library_[selected_row_ - 1];
    out.row = selected_row_;
    out.selected = 1;
    out.fields["title"] = t.title;
    out.fields["artist"] = t.artist;
    out.fields["album"] = t.album;
    out.fields["genre"] = t.genre;
    out.fields["comment"] = t.comment;
    out.fields["bpm"] = t.bpm > 0 ? number_text(std::round(t.bpm * 100) / 100) : "";
    out.fields["key"] = key_text(t.key);
    out.fields["duration"] = time_text(t.duration);
    return out;
}

std::optional<std::string> MixxxModel::load_row(const std::string& group, std::uint64_t row) {
    Player* p = player(store_.canonical_group(group));
    if (!p)
        return "no such player";
    if (row == 0 || row > library_.size())
        return "no such library row";
    if (!load(*p, library_[row - 1])) {
        publish(*p);
        return "the deck is playing";
    }
    publish(*p);
    return std::nullopt;
}

void MixxxModel::set_effects(std::vector<EffectInfo> effects) {
    effects_ = std::move(effects);
}

std::optional<std::string> MixxxModel::effect_name(std::int64_t index) const {
    if (index < 1 || index > static_cast<std::int64_t>(effects_.size()))
        return std::nullopt;
    return effects_[static_cast<std::size_t>(index - 1)].name;
}

std::int64_t MixxxModel::effect_index(const std::string& id) const {
    for (std::size_t i = 0; i < effects_.size(); ++i)
        if (effects_[i].id == id)
            return static_cast<std::int64_t>(i + 1);
    return 0;
}

std::variant<std::vector<std::pair<std::string, std::string>>, std::string>
MixxxModel::deck_labels(std::int64_t deck) const {
    if (deck < 1 || deck > decks_defined_)
        return std::string("no deck " + std::to_string(deck));
    const Player* p = player(channel(static_cast<int>(deck)));
    std::vector<std::pair<std::string, std::string>> labels;
    if (!p->track) {
        labels = {{"title", ""}, {"artist", ""}, {"bpm", ""}, {"time", ""}};
        return labels;
    }
    char bpm[32];
    std::snprintf(bpm, sizeof bpm, "%.2f", store_.value(p->group, "visual_bpm"));
    labels.emplace_back("title", cut_off(p->track->title, options_.title_width));
    labels.emplace_back("artist", cut_off(p->track->artist, options_.title_width));
    labels.emplace_back("bpm", bpm);
    labels.emplace_back("time", time_text(p->position));
    return labels;
}

std::vector<std::string> MixxxModel::widget_names() const {
    std::vector<std::string> names = {"MainWindow", "Library",    "LibrarySidebar", "LibraryTracks",
                                      "SearchBox",  "Crossfader", "MainGain",       "HeadMix"};
    for (int n = 1; n <= decks_defined_; ++n)
        for (const char* part : {"title", "artist", "bpm", "time", "play", "cue", "waveform"})
            names.push_back(channel(n) + " " + part);
    for (int n = 1; n <= options_.num_samplers; ++n)
        names.push_back(sampler(n) + " play");
    return names;
}

void MixxxModel::advance(double seconds) {
    if (!(seconds > 0))
        return;
    clock_ += seconds;
    for (auto& [group, p] : players_) {
        if (!p.track) {
            publish(p);
            continue;
        }
        bool playing = store_.value(group, "play") != 0;
        double fwd = store_.value(group, "fwd");
        double back = store_.value(group, "back");
        double speed = 0.0;
        if (fwd > 0 || back > 0) {
            speed = fwd > 0 ? 4.0 : -4.0; // fast search, also while paused
        } else if (playing) {
            speed = tempo(p);
            // Mixxx's default temporary steps: 4 % and 1 %.
            if (store_.value(group, "rate_temp_up") > 0)
                speed += 0.04;
            if (store_.value(group, "rate_temp_down") > 0)
                speed -= 0.04;
            if (store_.value(group, "rate_temp_up_small") > 0)
                speed += 0.01;
            if (store_.value(group, "rate_temp_down_small") > 0)
                speed -= 0.01;
            if (store_.value(group, "reverse") != 0)
                speed = -speed;
        }
        if (p.roll.active && playing)
            p.roll.shadow = std::min(p.roll.shadow + seconds * tempo(p), p.track->duration);
        double duration = p.track->duration;
        double next = p.position + seconds * speed;
        if (p.loop_enabled && speed > 0 && p.position < p.loop_end && next >= p.loop_end &&
            p.loop_end > p.loop_start) {
            double length = p.loop_end - p.loop_start;
            next = p.loop_start + std::fmod(next - p.loop_end, length);
        }
        if (next >= duration) {
            if (playing && store_.value(group, "repeat") != 0 && duration > 0) {
                next = std::fmod(next, duration);
            } else {
                next = duration;
                if (playing)
                    store_.put(group, "play", 0);
            }
        }
        p.position = std::max(0.0, next);
        publish(p);
    }
}

} // namespace mixxxsim
