#include "features/preview.h"

#include <string>

#include "bridge/typed_requests.h"
#include "features/press_control.h"

namespace cuevoice {

namespace {

const std::string preview_deck = "[PreviewDeck1]";

} // namespace

Result<void> preview(Context& context) {
    MixxxLink& link = *context.bridge;
    Result<double> playing = get(link, preview_deck, "play", "value");
    if (!playing)
        return Error{playing.error()};
    if (*playing != 0) {
        if (Result<double> stopped = set(link, preview_deck, "play", "value", 0.0); !stopped)
            return Error{stopped.error()};
        say(context.speech, "Preview stopped");
        return {};
    }

    Result<SelectedTrack> track = selected_track(link);
    // A reply without fields means nothing is selected: pressing load would load nothing, and
    // "Preview" would announce a preview that never starts.
    if (!track || track->fields.empty())
        return Error{"no track selected in the library"};
    if (Result<void> pressed =
            press_control(link, context.clock, preview_deck, "LoadSelectedTrackAndPlay");
        !pressed)
        return pressed;
    auto title = track->fields.find("title");
    say(context.speech,
        "Preview " + (title != track->fields.end() ? title->second : std::string()));
    return {};
}

} // namespace cuevoice
