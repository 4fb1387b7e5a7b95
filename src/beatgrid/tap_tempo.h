#pragma once
// Tap tempo: each tap presses Mixxx's "bpm_tap"; the tapped tempo is spoken once, 1.5 s after the
// last tap of a run of taps.
#include <cstdint>
#include <memory>
#include <string>

#include "bridge/mixxx_link.h"
#include "common/clock.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Taps once and starts the delayed report; nothing is spoken now.
Result<void> beatgrid_tap(Context& context, std::uint8_t deck);

// Body of the report's thread: after 1.5 s, says "tapped {bpm}" unless a later tap (on any deck)
// replaced `tap` as the last one.
void report_tapped_bpm(Speech speech, std::shared_ptr<MixxxLink> bridge,
                       std::shared_ptr<SharedBeatGrid> beat_grid, Clock& clock, std::string group,
                       Instant tap);

} // namespace cuevoice
