#pragma once
// The beat-grid tools work only on a deck with a track.
#include <string>

#include "bridge/mixxx_link.h"
#include "common/result.h"

namespace cuevoice {

// The deck's "track_loaded": its read error, "no track loaded" for 0, else success.
Result<void> require_track_loaded(MixxxLink& bridge, const std::string& group);

// "[Channel2]" for deck 2.
std::string channel_group(unsigned deck);

} // namespace cuevoice
