#include "actions/say_hotcues.h"

#include <string>
#include <vector>

#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "common/capitalize.h"
#include "context/deck_filling.h"
#include "context/value_format.h"

namespace cuevoice {
namespace {

constexpr int hotcue_count = 16;

// Mixxx gives no position for a hotcue it has not placed.
constexpr double no_position = -1;

} // namespace

Result<void> say_hotcues(Context& context, std::uint8_t deck) {
    MixxxLink& link = *context.bridge;
    const std::string number = std::to_string(deck);
    const std::string group = "[Channel" + number + "]";

    Result<double> loaded = get(link, group, "track_loaded", "value");
    if (!loaded)
        return Error{loaded.error()};
    if (*loaded == 0)
        return Error{"no track loaded"}; // ejected since the caller looked
    Result<double> rate = get(link, group, "track_samplerate", "value");
    if (!rate)
        return Error{rate.error()};

    std::vector<std::string> entries;
    for (int n = 1; n <= hotcue_count; ++n) {
        const std::string hotcue = "hotcue_" + std::to_string(n);
        Result<double> status = get(link, group, hotcue + "_status", "value");
        if (!status)
            return Error{status.error()};
        if (*status == 0)
            continue;
        Result<double> position = get(link, group, hotcue + "_position", "value");
        if (!position)
            return Error{position.error()};
        std::string entry = "hotcue " + std::to_string(n);
        // Positions count the samples of both stereo channels.
        if (*rate > 0 && *position != no_position)
            entry += " " + time_text(*position / *rate * 0.5);
        entries.push_back(std::move(entry));
    }

    std::string text;
    for (const std::string& entry : entries)
        text += (text.empty() ? "" : ", ") + entry;
    if (entries.empty())
        text = "no hotcues";

    if (deck == context.deck.load())
        say(context.speech, capitalize_first(text));
    else if (!entries.empty())
        say(context.speech, "Deck " + number + ": " + text);
    else
        say(context.speech, deck_phrase(context, deck, text));
    return {};
}

} // namespace cuevoice
