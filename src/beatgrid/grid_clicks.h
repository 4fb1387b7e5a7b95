#pragma once
// Grid clicks: Mixxx's metronome on effect unit 4, routed to one deck, clicks on that deck's beat
// grid, so a DJ who cannot see the waveform hears whether the grid sits on the music.
#include <cstdint>

#include "bridge/mixxx_link.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Switches the clicks on for the deck, or off when they are on for it already; clicks on another
// deck are switched off first, with the unit put back as it was.
Result<void> beatgrid_clicks(Context& context, std::uint8_t deck);

// Whether slot 1 to 4 of effect unit 4 holds the effect with this index. A slot that cannot be
// read counts as not holding it.
bool slot_holds_effect(MixxxLink& bridge, int slot, std::int64_t effect_index);

// At start: a metronome left routed to a deck by an earlier run is switched off for every deck.
void turn_off_leftover_grid_clicks(MixxxLink& bridge);

} // namespace cuevoice
