#include "context/track_text.h"

#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "common/white_space.h"

namespace cuevoice {
namespace {

constexpr int wait_seconds = 3;

// Times, tempos and counters the skin shows beside the track: not worth speaking.
bool only_numbers(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == ':'))
            return false;
    return true;
}

// The library's selected track's title, artist and album, the ones it has, in that order.
std::vector<std::string> selected_track_candidates(MixxxLink& link) {
    std::vector<std::string> candidates;
    Result<SelectedTrack> track = selected_track(link);
    if (!track)
        return candidates;
    for (const char* name : {"title", "artist", "album"}) {
        auto found = track->fields.find(name);
        if (found != track->fields.end())
            candidates.push_back(found->second);
    }
    return candidates;
}

} // namespace

std::vector<std::pair<std::string, std::string>> label_entries(const json& reply) {
    std::vector<std::pair<std::string, std::string>> entries;
    if (!reply.is_object())
        return entries;
    auto labels = reply.find("labels");
    if (labels == reply.end() || !labels->is_array())
        return entries;
    for (const json& member : *labels) {
        if (!member.is_object())
            continue;
        auto label = member.find("label");
        auto text = member.find("text");
        if (label == member.end() || text == member.end() || !label->is_string() ||
            !text->is_string())
            continue;
        entries.emplace_back(label->get<std::string>(), text->get<std::string>());
    }
    return entries;
}

std::optional<std::string> cut_off_prefix(std::string_view text) {
    if (text.size() <= 2)
        return std::nullopt;
    if (text.ends_with("..."))
        text.remove_suffix(3);
    else if (text.ends_with("\xE2\x80\xA6"))
        text.remove_suffix(3);
    else
        return std::nullopt;
    text = trim_white_space_end(text);
    if (text.empty())
        return std::nullopt;
    return std::string(text);
}

std::optional<std::string> track_text(Context& context, std::uint8_t deck) {
    Result<json> reply = context.bridge->request(
        json{{"cmd", "deckinfo"}, {"deck", static_cast<unsigned>(deck)}}, wait_seconds);
    if (!reply)
        return std::nullopt;

    std::vector<std::string> texts;
    for (auto& [label, text] : label_entries(*reply))
        if (!only_numbers(text))
            texts.push_back(std::move(text));

    // A text the skin cut off is replaced by the selected track's field it starts, when there
    // is one: the user hears the whole title.
    std::vector<std::optional<std::string>> prefixes;
    bool any_cut_off = false;
    for (const std::string& text : texts) {
        prefixes.push_back(cut_off_prefix(text));
        any_cut_off = any_cut_off || prefixes.back().has_value();
    }
    if (any_cut_off) {
        std::vector<std::string> candidates = selected_track_candidates(*context.bridge);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (!prefixes[i])
                continue;
            for (const std::string& candidate : candidates) {
                if (candidate.size() > prefixes[i]->size() && candidate.starts_with(*prefixes[i])) {
                    texts[i] = candidate;
                    break;
                }
            }
        }
    }

    std::string joined;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            joined += ". ";
        joined += texts[i];
    }
    return joined;
}

} // namespace cuevoice
