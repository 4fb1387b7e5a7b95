#include "actions/say_selected_track.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "bridge/mixxx_link.h"
#include "common/white_space.h"
#include "context/value_format.h"

namespace cuevoice {
namespace {

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i > 0 ? std::string(separator) : std::string()) + parts[i];
    return text;
}

// A tempo the library holds as text; only a real positive number is spoken.
std::optional<double> positive_number(const std::string& text) {
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value <= 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::string> track_field(const SelectedTrack& track, std::string_view name) {
    auto found = track.fields.find(std::string(name));
    if (found == track.fields.end())
        return std::nullopt;
    std::string_view text = trim_white_space(found->second);
    if (text.empty() || text == "-")
        return std::nullopt;
    return std::string(text);
}

std::string selected_track_text(const SelectedTrack& track) {
    std::vector<std::string> parts;
    const std::optional<std::string> title = track_field(track, "title");
    const std::optional<std::string> artist = track_field(track, "artist");
    if (title && artist)
        parts.push_back(*title + ", by " + *artist);
    else if (title)
        parts.push_back(*title);
    else if (artist)
        parts.push_back("by " + *artist);
    else
        parts.push_back("Untitled track");

    std::vector<std::string> details;
    if (std::optional<std::string> bpm = track_field(track, "bpm"))
        if (std::optional<double> value = positive_number(*bpm))
            details.push_back(bpm_text(*value));
    if (std::optional<std::string> key = track_field(track, "key"))
        details.push_back("key " + *key);
    if (std::optional<std::string> duration = track_field(track, "duration"))
        details.push_back(*duration);
    if (!details.empty())
        parts.push_back(joined(details, ", "));

    if (track.rows != 0)
        parts.push_back("Track " + std::to_string(track.row) + " of " + std::to_string(track.rows));
    return joined(parts, ". ");
}

Result<void> say_selected_track(Context& context) {
    Result<SelectedTrack> track = selected_track(*context.bridge);
    if (!track)
        return Error{track.error()};
    // The plug-in answers a library without a selection with no fields at all.
    if (track->fields.empty())
        return Error{"no track selected in the library"};
    say(context.speech, selected_track_text(*track));
    return {};
}

} // namespace cuevoice
