#include "context/value_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "catalog/describe.h"
#include "common/rounding.h"

namespace cuevoice {
namespace {

struct KeyName {
    std::string_view major_name;
    int major_number;
    std::string_view minor_name;
    int minor_number;
};

// Row r names Mixxx key r (major) and key 12 + r (minor), with their wheel positions.
constexpr std::array<KeyName, 12> keys = {{
    {"C", 8, "C", 5},
    {"D flat", 3, "C sharp", 12},
    {"D", 10, "D", 7},
    {"E flat", 5, "E flat", 2},
    {"E", 12, "E", 9},
    {"F", 7, "F", 4},
    {"F sharp", 2, "F sharp", 11},
    {"G", 9, "G", 6},
    {"A flat", 4, "G sharp", 1},
    {"A", 11, "A", 8},
    {"B flat", 6, "B flat", 3},
    {"B", 1, "B", 10},
}};

// Large enough for every finite double written out in full with two decimals.
using NumberBuffer = std::array<char, 400>;

// "{:+}": the sign always, except for NaN, which has none.
std::string signed_number_text(double x) {
    std::string text = number_text(x);
    return std::isnan(x) || std::signbit(x) ? text : "+" + text;
}

std::string percent_text(double x) {
    return number_text(std::round(x * 100)) + "%";
}

// Distance from the centre of a 0 to 1 position, in percent of either half.
double from_centre(double x) {
    return std::round((x - 0.5) * 200);
}

std::string offset_text(double x) {
    const double v = from_centre(x);
    if (v == 0)
        return "center";
    return signed_number_text(v) + "%";
}

std::string balance_text(double x) {
    const double v = from_centre(x);
    if (v == 0)
        return "center";
    if (v < 0)
        return "left " + number_text(-v) + "%";
    return "right " + number_text(v) + "%";
}

std::string cue_main_text(double x) {
    const double c = std::round(x * 100);
    if (c == 50)
        return "center";
    return "cue " + number_text(100 - c) + "%, main " + number_text(c) + "%";
}

std::string bpm_precise_text(double x) {
    if (x <= 0)
        return "no BPM";
    return fixed_text(x, 2) + " BPM";
}

} // namespace

std::string fixed_text(double x, int decimals) {
    if (std::isnan(x))
        return "NaN";
    if (std::isinf(x))
        return x > 0 ? "inf" : "-inf";
    NumberBuffer buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                      std::chars_format::fixed, decimals);
    if (error != std::errc{})
        return "NaN"; // cannot happen: the buffer holds every finite double
    return std::string(buffer.data(), end);
}

std::string number_text(double x) {
    if (std::isnan(x))
        return "NaN";
    if (std::isinf(x))
        return x > 0 ? "inf" : "-inf";
    NumberBuffer buffer{};
    auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed);
    if (error != std::errc{})
        return "NaN"; // cannot happen: the buffer holds every finite double
    return std::string(buffer.data(), end);
}

std::string time_text(double seconds) {
    std::uint64_t s = 0;
    if (!std::isnan(seconds) && seconds >= 0) {
        const double r = std::round(seconds);
        constexpr double two_to_64 = 18446744073709551616.0;
        s = r >= two_to_64 ? std::numeric_limits<std::uint64_t>::max()
                           : static_cast<std::uint64_t>(r);
    }
    const std::uint64_t rest = s % 60;
    return std::to_string(s / 60) + (rest < 10 ? ":0" : ":") + std::to_string(rest);
}

std::string bpm_text(double bpm) {
    // A tempo too large to scale by ten is whole already; scaling it would give an infinity.
    const double scaled = bpm * 10;
    const double b = std::isfinite(scaled) ? std::round(scaled) / 10 : bpm;
    return format_number(b) + " BPM";
}

std::string key_text(double key) {
    const std::int64_t k = rounded_integer(key);
    if (k >= 1 && k <= 12) {
        const KeyName& row = keys[static_cast<std::size_t>(k - 1)];
        return std::string(row.major_name) + " major, " + std::to_string(row.major_number) + "B";
    }
    if (k >= 13 && k <= 24) {
        const KeyName& row = keys[static_cast<std::size_t>(k - 13)];
        return std::string(row.minor_name) + " minor, " + std::to_string(row.minor_number) + "A";
    }
    return "no key";
}

std::string beats_text(double beats) {
    std::string t = format_number(beats);
    if (t == "1")
        return "1 beat";
    return t + " beats";
}

std::string_view property_for_format(ValueFormat format) {
    switch (format) {
    case ValueFormat::percent:
    case ValueFormat::offset:
    case ValueFormat::balance:
    case ValueFormat::cue_main:
        return "parameter";
    case ValueFormat::onoff:
    case ValueFormat::time:
    case ValueFormat::bpm:
    case ValueFormat::bpm_precise:
    case ValueFormat::key:
    case ValueFormat::number:
    case ValueFormat::beats:
        break;
    }
    return "value";
}

std::string format_value(ValueFormat format, double x) {
    switch (format) {
    case ValueFormat::percent:
        return percent_text(x);
    case ValueFormat::offset:
        return offset_text(x);
    case ValueFormat::balance:
        return balance_text(x);
    case ValueFormat::cue_main:
        return cue_main_text(x);
    case ValueFormat::onoff:
        return x == 0 ? "off" : "on";
    case ValueFormat::time:
        return time_text(x);
    case ValueFormat::bpm:
        return bpm_text(x);
    case ValueFormat::bpm_precise:
        return bpm_precise_text(x);
    case ValueFormat::key:
        return key_text(x);
    case ValueFormat::number:
        return format_number(x);
    case ValueFormat::beats:
        return beats_text(x);
    }
    return format_number(x); // not reached: every member is handled above
}

} // namespace cuevoice
