#include "beatgrid/grid_move.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "beatgrid/track_check.h"
#include "bridge/typed_requests.h"
#include "speech/speech.h"

namespace cuevoice {

std::int32_t add_step(std::int32_t total, std::int32_t step) {
    const std::int64_t sum = std::int64_t{total} + step;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::string grid_move_text(std::int32_t step, std::int32_t total) {
    const std::string direction = step > 0 ? "later" : "earlier";
    const std::int64_t ms = std::int64_t{total} * 5;
    std::string total_text;
    if (ms == 0)
        total_text = "back where it was";
    else if (ms > 0)
        total_text = "total plus " + std::to_string(ms) + " milliseconds";
    else
        total_text = "total minus " + std::to_string(-ms) + " milliseconds";
    return direction + ", " + total_text;
}

Result<void> beatgrid_move(Context& context, std::uint8_t deck, std::int32_t step) {
    MixxxLink& bridge = *context.bridge;
    const std::string group = channel_group(deck);
    if (Result<void> loaded = require_track_loaded(bridge, group); !loaded)
        return loaded;
    Result<double> moved = set(bridge, group, "beats_translate_move", "value", step);
    if (!moved)
        return Error{moved.error()};
    // The grid has moved once the first write went through, so the total counts it even when
    // the control cannot be put back to 0.
    std::int32_t total = 0;
    {
        std::lock_guard lock(context.beat_grid->mutex);
        std::int32_t& deck_total = context.beat_grid->state.move_totals[deck];
        deck_total = add_step(deck_total, step);
        total = deck_total;
    }
    Result<double> reset = set(bridge, group, "beats_translate_move", "value", 0.0);
    if (!reset)
        return Error{reset.error()};
    say(context.speech, grid_move_text(step, total));
    return {};
}

} // namespace cuevoice
