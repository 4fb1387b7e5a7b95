#include "announcer/group_parsers.h"

#include "common/small_number.h"

namespace cuevoice {
namespace {

std::optional<std::uint8_t> number_between(std::string_view text, std::string_view prefix,
                                           std::string_view suffix) {
    if (text.size() < prefix.size() + suffix.size() + 1 || !text.starts_with(prefix) ||
        !text.ends_with(suffix))
        return std::nullopt;
    return parse_small_number(
        text.substr(prefix.size(), text.size() - prefix.size() - suffix.size()));
}

} // namespace

std::optional<std::uint8_t> parse_channel_group(std::string_view group) {
    return number_between(group, "[Channel", "]");
}

std::optional<std::uint8_t> parse_sampler_group(std::string_view group) {
    return number_between(group, "[Sampler", "]");
}

std::optional<std::uint8_t> parse_hotcue_status_key(std::string_view key) {
    return number_between(key, "hotcue_", "_status");
}

} // namespace cuevoice
