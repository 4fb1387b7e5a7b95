#pragma once
// Stepping an effect slot through Mixxx's effect list and naming what it holds now.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Presses the target (next_effect or prev_effect of a slot), waits 80 ms and says the slot's
// effect: "Effect unit 2 slot 3: Echo".
Result<void> change_effect(Context& context, const ChangeEffectAction& action, std::uint8_t deck);

struct EffectSlotName {
    std::string unit;
    std::string slot;
};

// The unit and slot texts of "[EffectRack1_EffectUnit{unit}_Effect{slot}]"; none for any other
// group.
std::optional<EffectSlotName> parse_effect_slot_group(std::string_view group);

} // namespace cuevoice
