#include "actions/say_actions.h"

#include <string>
#include <vector>

#include "actions/say_effects.h"
#include "actions/say_hotcues.h"
#include "actions/say_selected_track.h"
#include "beatgrid/grid_offset.h"
#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "context/deck_filling.h"
#include "context/track_text.h"
#include "context/value_format.h"

namespace cuevoice {
namespace {

// Reads the deck's controls in the order given; the first error ends the reading.
class DeckReader {
public:
    DeckReader(Context& context, std::uint8_t deck)
        : link_(*context.bridge), group_("[Channel" + std::to_string(deck) + "]") {}

    Result<double> operator()(const char* key) { return get(link_, group_, key, "value"); }

    // Controls that are spoken only all together: asked for at once, so the answer waits for
    // one round trip instead of one per control. The values, or the first error in that order.
    Result<std::vector<double>> all(const std::vector<std::string>& keys) {
        return get_each(link_, group_, keys, "value");
    }

private:
    MixxxLink& link_;
    std::string group_;
};

Result<void> say_status(Context& context, std::uint8_t deck) {
    Result<std::vector<double>> values =
        DeckReader(context, deck).all({"play", "time_remaining", "visual_bpm", "visual_key"});
    if (!values)
        return Error{values.error()};
    const double play = (*values)[0], remaining = (*values)[1], bpm = (*values)[2],
                 key = (*values)[3];
    const std::string text = std::string(play != 0 ? "playing" : "paused") + ", " +
                             time_text(remaining) + " remaining, " + bpm_text(bpm) + ", " +
                             key_text(key);
    say(context.speech, deck_phrase(context, deck, text));
    return {};
}

Result<void> say_track(Context& context, std::uint8_t deck) {
    std::optional<std::string> text = track_text(context, deck);
    say(context.speech,
        text && !text->empty() ? *text : "No track information visible in the current skin");
    return {};
}

Result<void> say_time(Context& context, std::uint8_t deck) {
    Result<std::vector<double>> values =
        DeckReader(context, deck).all({"time_elapsed", "time_remaining"});
    if (!values)
        return Error{values.error()};
    say(context.speech,
        time_text((*values)[0]) + " elapsed, " + time_text((*values)[1]) + " remaining");
    return {};
}

Result<void> say_tempo(Context& context, std::uint8_t deck) {
    Result<std::vector<double>> values =
        DeckReader(context, deck).all({"visual_bpm", "visual_key"});
    if (!values)
        return Error{values.error()};
    say(context.speech, bpm_text((*values)[0]) + ", " + key_text((*values)[1]));
    return {};
}

} // namespace

Result<void> say_what(Context& context, SayWhat what, std::uint8_t deck) {
    if (what == SayWhat::selected_track)
        return say_selected_track(context);
    if (what == SayWhat::effects)
        return say_effects(context);

    Result<double> loaded = DeckReader(context, deck)("track_loaded");
    if (!loaded)
        return Error{loaded.error()};
    if (*loaded == 0) {
        say(context.speech, deck_phrase(context, deck, "empty"));
        return {};
    }
    switch (what) {
    case SayWhat::status:
        return say_status(context, deck);
    case SayWhat::track:
        return say_track(context, deck);
    case SayWhat::time:
        return say_time(context, deck);
    case SayWhat::tempo:
        return say_tempo(context, deck);
    case SayWhat::hotcues:
        return say_hotcues(context, deck);
    case SayWhat::grid_offset:
        return say_grid_offset(context, deck);
    case SayWhat::selected_track:
    case SayWhat::effects:
        break;
    }
    return {};
}

} // namespace cuevoice
