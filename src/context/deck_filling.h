#pragma once
// How a binding's control is made concrete for a deck, and how a spoken text names its deck.
#include <cstdint>
#include <string>
#include <string_view>

#include "catalog/action.h"

namespace cuevoice {

struct Context;

// Every "{deck}" in the group and in the control replaced by the deck number.
ControlTarget control_for_deck(const ControlTarget& target, std::uint8_t deck);
ControlTarget control_for_deck(const ReportTarget& target, std::uint8_t deck);

// The text with its first letter raised on the current deck, else "Deck 2 " in front of it.
std::string deck_phrase(std::uint8_t current_deck, std::uint8_t deck, std::string_view text);
// The same against the context's current deck, read now.
std::string deck_phrase(const Context& context, std::uint8_t deck, std::string_view text);

} // namespace cuevoice
