#include "context/deck_filling.h"

#include "common/capitalize.h"
#include "context/context.h"

namespace cuevoice {
namespace {

std::string fill_deck(std::string_view text, std::string_view number) {
    constexpr std::string_view placeholder = "{deck}";
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find(placeholder); at != std::string_view::npos;
         at = text.find(placeholder, from)) {
        result.append(text.substr(from, at - from));
        result.append(number);
        from = at + placeholder.size();
    }
    result.append(text.substr(from));
    return result;
}

ControlTarget filled_target(std::string_view group, std::string_view control, std::uint8_t deck) {
    const std::string number = std::to_string(deck);
    return {.group = fill_deck(group, number), .control = fill_deck(control, number)};
}

} // namespace

ControlTarget control_for_deck(const ControlTarget& target, std::uint8_t deck) {
    return filled_target(target.group, target.control, deck);
}

ControlTarget control_for_deck(const ReportTarget& target, std::uint8_t deck) {
    return filled_target(target.group, target.control, deck);
}

std::string deck_phrase(std::uint8_t current_deck, std::uint8_t deck, std::string_view text) {
    if (deck == current_deck)
        return capitalize_first(text);
    return "Deck " + std::to_string(deck) + " " + std::string(text);
}

std::string deck_phrase(const Context& context, std::uint8_t deck, std::string_view text) {
    return deck_phrase(context.deck.load(), deck, text);
}

} // namespace cuevoice
