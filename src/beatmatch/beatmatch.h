#pragma once
// Beat matching by ear: one spoken comparison of a deck with the best other deck, and a monitor
// that repeats a short form of it every 1.5 s while it is on.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "beatmatch/compare.h"
#include "common/clock.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Says the comparison once: "Against deck 2: 2.00 BPM slower, speed up. Beats aligned".
Result<void> beatmatch(Context& context, std::uint8_t deck);

// Switches the monitor on for the deck, or off when one runs (for any deck).
Result<void> beatmatch_monitor(Context& context, std::uint8_t deck);

// Body of the monitor's thread: compares every 1.5 s until `running` is cleared or a request
// fails, speaking a text only when it differs from the last one it spoke.
void monitor_beatmatch(Speech speech, std::shared_ptr<MixxxLink> bridge,
                       std::shared_ptr<std::atomic<bool>> running, Clock& clock, std::uint8_t deck);

// The one-off report of a comparison of `deck`.
std::string beatmatch_text(const Comparison& comparison, std::uint8_t deck);

// The monitor's short form: "slow down 0.12", "ahead 25", "in sync", "Deck 1 paused".
std::string monitor_text(const Comparison& comparison, std::uint8_t deck);

} // namespace cuevoice
