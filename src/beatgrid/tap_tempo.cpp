#include "beatgrid/tap_tempo.h"

#include <chrono>
#include <mutex>
#include <utility>

#include "beatgrid/track_check.h"
#include "bridge/typed_requests.h"
#include "common/threads.h"
#include "context/value_format.h"
#include "speech/speech.h"

namespace cuevoice {

using namespace std::chrono_literals;

Result<void> beatgrid_tap(Context& context, std::uint8_t deck) {
    MixxxLink& bridge = *context.bridge;
    const std::string group = channel_group(deck);
    if (Result<void> loaded = require_track_loaded(bridge, group); !loaded)
        return loaded;
    for (double value : {1.0, 0.0})
        if (Result<double> r = set(bridge, group, "bpm_tap", "value", value); !r)
            return Error{r.error()};
    const Instant tap = context.clock.now();
    {
        std::lock_guard lock(context.beat_grid->mutex);
        context.beat_grid->state.last_tap = tap;
    }
    spawn_detached([speech = context.speech, bridge = context.bridge, beat_grid = context.beat_grid,
                    &clock = context.clock, group, tap]() mutable {
        report_tapped_bpm(std::move(speech), std::move(bridge), std::move(beat_grid), clock,
                          std::move(group), tap);
    });
    return {};
}

void report_tapped_bpm(Speech speech, std::shared_ptr<MixxxLink> bridge,
                       std::shared_ptr<SharedBeatGrid> beat_grid, Clock& clock, std::string group,
                       Instant tap) {
    clock.sleep_for(1500ms);
    std::lock_guard lock(beat_grid->mutex);
    if (beat_grid->state.last_tap != tap)
        return; // a later tap reports instead
    Result<double> bpm = get(*bridge, group, "file_bpm", "value");
    if (!bpm)
        return;
    say(speech, "tapped " + (*bpm > 0 ? fixed_text(*bpm, 2) + " BPM" : std::string("no BPM")));
}

} // namespace cuevoice
