#pragma once
// The library's selected track in words: "Night Drive, by Aurora Lane. 124 BPM, key 8A, 5:12.
// Track 3 of 250".
#include <optional>
#include <string>
#include <string_view>

#include "bridge/typed_requests.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

Result<void> say_selected_track(Context& context);

// The text of the words above for a track the plug-in gave.
std::string selected_track_text(const SelectedTrack& track);

// The field's text without white space at its ends; none when it is missing, empty or "-".
std::optional<std::string> track_field(const SelectedTrack& track, std::string_view name);

} // namespace cuevoice
