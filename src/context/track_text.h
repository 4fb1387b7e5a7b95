#pragma once
// The spoken description of a deck's track, from the texts the Mixxx skin shows for the deck.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bridge/protocol.h"
#include "context/context.h"

namespace cuevoice {

// None when the "deckinfo" request fails; otherwise the kept texts joined with ". ".
std::optional<std::string> track_text(Context& context, std::uint8_t deck);

// The (label, text) pairs of a "deckinfo" reply; malformed members are skipped.
std::vector<std::pair<std::string, std::string>> label_entries(const json& reply);

// The part before a trailing "..." or "…" (white space before it dropped), when not empty.
std::optional<std::string> cut_off_prefix(std::string_view text);

} // namespace cuevoice
