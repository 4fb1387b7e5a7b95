#include "main/context.h"

#include "bridge/mixxx_link.h"
#include "common/clock.h"

namespace cuevoice {

std::shared_ptr<SharedBeatGrid> new_beat_grid_state() {
    return std::make_shared<SharedBeatGrid>();
}

Context::Context(Speech speech, std::shared_ptr<MixxxLink> bridge, Clock& clock)
    : speech(std::move(speech)), bridge(std::move(bridge)), clock(clock),
      beat_grid(new_beat_grid_state()) {
    // No play event is held back at first: the deadline is the moment of building.
    play_quiet_until.value = clock.now();
}

} // namespace cuevoice
