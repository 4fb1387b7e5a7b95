#include "features/stop_samplers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "bridge/typed_requests.h"
#include "features/press_control.h"

namespace cuevoice {

namespace {

// Far more than Mixxx offers; a count beyond it is a broken reply, and asking about billions
// of samplers one request at a time would never end.
constexpr double most_samplers = 255;

std::uint32_t sampler_count(double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<std::uint32_t>(std::clamp(std::round(value), 0.0, most_samplers));
}

} // namespace

Result<void> stop_samplers(Context& context) {
    MixxxLink& link = *context.bridge;
    Result<double> count = get(link, "[App]", "num_samplers", "value");
    if (!count)
        return Error{count.error()};
    for (std::uint32_t n = 1, last = sampler_count(*count); n <= last; ++n) {
        const std::string group = "[Sampler" + std::to_string(n) + "]";
        Result<double> playing = get(link, group, "play", "value");
        if (!playing || *playing == 0)
            continue;
        if (Result<void> stopped = press_control(link, context.clock, group, "stop"); !stopped)
            return stopped;
    }
    say(context.speech, "Samplers stopped");
    return {};
}

} // namespace cuevoice
