#pragma once
// The controls the announcer listens to, subscribed through the plug-in at start and whenever
// Mixxx gains decks.
#include <cstdint>
#include <string>
#include <vector>

#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"

namespace cuevoice {

// The 23 keys watched on every deck, in the order they are subscribed.
const std::vector<std::string>& deck_watch_keys();

// Watches the deck keys of decks `first` to `last` (inclusive, ascending); an empty range does
// nothing. Each watched control's current value lands in `table`.
void build_watch_list(MixxxLink& link, unsigned first, unsigned last, WatchedValues& table);

// Subscribes the whole watch list: the deck count, every deck, every sampler, then Auto DJ,
// recording, broadcasting, the microphone and the main output. Returns the values read.
WatchedValues watch_startup_controls(MixxxLink& link);

} // namespace cuevoice
