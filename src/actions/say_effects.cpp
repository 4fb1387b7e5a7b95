#include "actions/say_effects.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "bridge/mixxx_link.h"
#include "bridge/typed_requests.h"
#include "common/rounding.h"

namespace cuevoice {
namespace {

constexpr int spoken_units = 2; // the units a DJ puts effects on by hand
constexpr int slots_per_unit = 3;
// Mixxx runs two decks unless it says otherwise.
constexpr std::uint8_t decks_when_unknown = 2;

std::string unit_group(int unit) {
    return "[EffectRack1_EffectUnit" + std::to_string(unit) + "]";
}

std::string slot_group(int unit, int slot) {
    return "[EffectRack1_EffectUnit" + std::to_string(unit) + "_Effect" + std::to_string(slot) +
           "]";
}

std::uint8_t deck_count(MixxxLink& link) {
    Result<double> decks = get(link, "[App]", "num_decks", "value");
    if (!decks)
        return decks_when_unknown;
    if (std::isnan(*decks))
        return 0;
    return static_cast<std::uint8_t>(std::clamp(std::round(*decks), 0.0, 255.0));
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i > 0 ? std::string(separator) : std::string()) + parts[i];
    return text;
}

// "Echo on, Reverb off", or "empty".
Result<std::string> unit_effects(MixxxLink& link, int unit) {
    std::vector<std::string> entries;
    for (int slot = 1; slot <= slots_per_unit; ++slot) {
        const std::string group = slot_group(unit, slot);
        Result<double> loaded = get(link, group, "loaded", "value");
        if (!loaded)
            return Error{loaded.error()};
        if (*loaded == 0)
            continue;
        Result<double> index = get(link, group, "loaded_effect", "value");
        if (!index)
            return Error{index.error()};
        Result<std::string> name = effect_name(link, rounded_integer(*index));
        if (!name)
            return Error{name.error()};
        Result<double> enabled = get(link, group, "enabled", "value");
        if (!enabled)
            return Error{enabled.error()};
        entries.push_back(*name + (*enabled != 0 ? " on" : " off"));
    }
    return entries.empty() ? std::string("empty") : joined(entries, ", ");
}

// ", on deck 1", ", on decks 1 and 3", or nothing.
std::string routed_decks_phrase(const std::vector<std::string>& decks) {
    if (decks.empty())
        return "";
    return (decks.size() == 1 ? ", on deck " : ", on decks ") + joined(decks, " and ");
}

} // namespace

bool deck_feeds_unit(Context& context, const std::string& unit_group, std::uint8_t deck) {
    Result<double> enabled = get(*context.bridge, unit_group,
                                 "group_[Channel" + std::to_string(deck) + "]_enable", "value");
    return enabled && *enabled != 0;
}

Result<void> say_effects(Context& context) {
    MixxxLink& link = *context.bridge;
    const std::uint8_t decks = deck_count(link);
    std::vector<std::string> units;
    for (int unit = 1; unit <= spoken_units; ++unit) {
        const std::string group = unit_group(unit);
        std::vector<std::string> routed;
        for (unsigned deck = 1; deck <= decks; ++deck)
            if (deck_feeds_unit(context, group, static_cast<std::uint8_t>(deck)))
                routed.push_back(std::to_string(deck));
        Result<std::string> effects = unit_effects(link, unit);
        if (!effects)
            return Error{effects.error()};
        units.push_back("Effect unit " + std::to_string(unit) + routed_decks_phrase(routed) + ": " +
                        *effects);
    }
    say(context.speech, joined(units, ". "));
    return {};
}

} // namespace cuevoice
