#pragma once
// Helpers shared by the model's source files: key and group names, sizes and small texts.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "mixxx_model.h"

namespace mixxxsim::detail {

using Kind = Mapping::Kind;

inline const Mapping kLinear01{Kind::linear, 0.0, 0.0, 1.0};
inline const Mapping kBipolar{Kind::linear, -1.0, 0.0, 1.0};
inline const Mapping kGainKnob{Kind::centered, 0.0, 1.0, 4.0};
inline const Mapping kMainGain{Kind::centered, 0.0, 1.0, 5.0};

inline bool starts_with(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

inline bool ends_with(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "hotcue_12_activate" with prefix "hotcue_" gives 12 and "activate".
inline std::optional<std::pair<int, std::string>> numbered(const std::string& key,
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

inline std::string number_text(double x) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, result.ptr);
}

// Beat size names ("0.125", "4") and their sizes.
inline std::optional<std::pair<double, std::string>> beat_size_prefix(const std::string& key,
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

inline const char* const kMarkers[] = {"intro_start", "intro_end", "outro_start", "outro_end"};
constexpr int kHotcues = 16;
constexpr int kUnits = 4;
constexpr int kSlots = 3;
constexpr double kMinBeats = 0.03125;
constexpr double kMaxBeats = 512.0;

// Lancelot numbers of Mixxx keys 1..24 (major C, D flat ... B, then minor C ... B).
inline const int kLancelot[24] = {8, 3,  10, 5, 12, 7, 2,  9, 4, 11, 6, 1,
                                  5, 12, 7,  2, 9,  4, 11, 6, 1, 8,  3, 10};

inline int shift_key(int key, int semitones) {
    if (key < 1 || key > 24)
        return key;
    int base = key <= 12 ? 1 : 13;
    int tone = ((key - base + semitones) % 12 + 12) % 12;
    return base + tone;
}

inline std::string cut_off(const std::string& text, int width) {
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

inline std::vector<EffectInfo> builtin_effects() {
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

inline std::string channel(int n) {
    return "[Channel" + std::to_string(n) + "]";
}
inline std::string sampler(int n) {
    return "[Sampler" + std::to_string(n) + "]";
}
inline std::string unit_group(int u) {
    return "[EffectRack1_EffectUnit" + std::to_string(u) + "]";
}
inline std::string slot_group(int u, int s) {
    return "[EffectRack1_EffectUnit" + std::to_string(u) + "_Effect" + std::to_string(s) + "]";
}

} // namespace mixxxsim::detail
