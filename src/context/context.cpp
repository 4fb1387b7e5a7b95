#include "context/context.h"

#include <utility>

#include "common/clock.h"

namespace cuevoice {

std::shared_ptr<SharedBeatGrid> new_beat_grid_state() {
    return std::make_shared<SharedBeatGrid>();
}

Context::Context(Speech speech_handle, std::shared_ptr<MixxxLink> link, Clock& run_clock)
    : speech(std::move(speech_handle)), bridge(std::move(link)), clock(run_clock),
      beat_grid(new_beat_grid_state()) {
    play_quiet_until.value = clock.now();
}

} // namespace cuevoice
