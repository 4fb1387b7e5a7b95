#include "beatgrid/grid_offset.h"

#include <algorithm>
#include <cmath>

#include "beatgrid/track_check.h"
#include "bridge/typed_requests.h"
#include "speech/speech.h"

namespace cuevoice {
namespace {

std::string whole_milliseconds(double ms) {
    return std::to_string(static_cast<long long>(std::round(ms)));
}

} // namespace

std::string grid_offset_text(double bpm, double beat_distance) {
    if (!(bpm > 0) || !std::isfinite(bpm))
        return "This track has no beat grid";
    // Mixxx keeps the distance within 0 to 1; anything else is read as its place within a beat.
    if (!std::isfinite(beat_distance))
        beat_distance = 0;
    else if (beat_distance < 0 || beat_distance > 1)
        beat_distance -= std::floor(beat_distance);
    const double beat_ms = 60000 / bpm;
    const double after = beat_distance * beat_ms;
    const double before = (1 - beat_distance) * beat_ms;
    if (std::min(after, before) <= 2)
        return "On the beat";
    if (after <= before)
        return whole_milliseconds(after) + " milliseconds after the beat";
    return whole_milliseconds(before) + " milliseconds before the beat";
}

Result<void> say_grid_offset(Context& context, std::uint8_t deck) {
    MixxxLink& bridge = *context.bridge;
    const std::string group = channel_group(deck);
    if (Result<void> loaded = require_track_loaded(bridge, group); !loaded)
        return loaded;
    Result<double> bpm = get(bridge, group, "file_bpm", "value");
    if (!bpm)
        return Error{bpm.error()};
    Result<double> distance = get(bridge, group, "beat_distance", "value");
    if (!distance)
        return Error{distance.error()};
    say(context.speech, grid_offset_text(*bpm, *distance));
    return {};
}

} // namespace cuevoice
