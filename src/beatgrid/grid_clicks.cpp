#include "beatgrid/grid_clicks.h"

#include <cmath>
#include <mutex>
#include <string>
#include <utility>

#include "applog/applog.h"
#include "beatgrid/track_check.h"
#include "bridge/typed_requests.h"
#include "speech/speech.h"

namespace cuevoice {
namespace {

const std::string unit_group = "[EffectRack1_EffectUnit4]";
constexpr int slot_count = 4;

std::string slot_group(int slot) {
    return "[EffectRack1_EffectUnit4_Effect" + std::to_string(slot) + "]";
}

// The unit's switch that sends the deck's sound through it.
std::string routing_key(unsigned deck) {
    return "group_" + channel_group(deck) + "_enable";
}

Result<void> set_value(MixxxLink& bridge, const std::string& group, const std::string& key,
                       double value) {
    Result<double> written = set(bridge, group, key, "value", value);
    if (!written)
        return Error{written.error()};
    return {};
}

Result<double> get_value(MixxxLink& bridge, const std::string& group, const std::string& key) {
    return get(bridge, group, key, "value");
}

Result<void> press(MixxxLink& bridge, const std::string& group, const std::string& key) {
    if (Result<void> down = set_value(bridge, group, key, 1.0); !down)
        return down;
    return set_value(bridge, group, key, 0.0);
}

// Puts the unit back as it was before the clicks went on for `clicks.deck`.
Result<void> switch_off(MixxxLink& bridge, const GridClicks& clicks) {
    const std::string slot = slot_group(clicks.slot);
    if (Result<void> r = set_value(bridge, unit_group, routing_key(clicks.deck), 0.0); !r)
        return r;
    if (Result<void> r = set_value(bridge, slot, "enabled", clicks.slot_enabled); !r)
        return r;
    if (clicks.loaded_by_tool) {
        if (Result<void> r = press(bridge, slot, "clear"); !r)
            return r;
    }
    if (Result<void> r = set_value(bridge, unit_group, "mix", clicks.unit_mix); !r)
        return r;
    if (Result<void> r = set_value(bridge, unit_group, "mix_mode", clicks.unit_mix_mode); !r)
        return r;
    return set_value(bridge, unit_group, "enabled", clicks.unit_enabled);
}

// The metronome's index in Mixxx's effect list; Mixxx counts from 1, so anything below is
// "not available" (0 is what Mixxx answers for a hidden effect).
Result<std::int64_t> available_metronome(MixxxLink& bridge) {
    Result<std::int64_t> index = metronome_index(bridge);
    if (!index)
        return index;
    if (*index < 1)
        return Error{"The Metronome effect is not available. Enable it in Mixxx preferences, "
                     "Effects."};
    return index;
}

struct ChosenSlot {
    int slot = 0;
    bool loaded_by_tool = false;
};

// A slot that holds the metronome already, else the first empty one with the metronome loaded
// into it.
Result<ChosenSlot> metronome_slot(MixxxLink& bridge, std::int64_t index) {
    for (int slot = 1; slot <= slot_count; ++slot)
        if (slot_holds_effect(bridge, slot, index))
            return ChosenSlot{slot, false};
    for (int slot = 1; slot <= slot_count; ++slot) {
        // A slot Mixxx refuses to read is not free (a unit may have fewer than four); no
        // answer at all ends the action with its error instead of a false "full".
        Result<double> loaded = get_value(bridge, slot_group(slot), "loaded");
        if (!loaded && unanswered(loaded.error()))
            return Error{loaded.error()};
        if (!loaded || *loaded != 0)
            continue;
        const double effect = static_cast<double>(index);
        if (Result<void> r = set_value(bridge, slot_group(slot), "loaded_effect", effect); !r)
            return Error{r.error()};
        return ChosenSlot{slot, true};
    }
    return Error{"Effect unit 4 is full. Remove an effect from it first."};
}

// What switching on changes, read before it changes it.
Result<GridClicks> saved_values(MixxxLink& bridge, std::uint8_t deck, ChosenSlot chosen) {
    GridClicks clicks;
    clicks.deck = deck;
    clicks.slot = static_cast<std::uint8_t>(chosen.slot);
    clicks.loaded_by_tool = chosen.loaded_by_tool;
    struct Saved {
        const std::string& group;
        const char* key;
        double& into;
    };
    const std::string slot = slot_group(chosen.slot);
    for (const Saved& saved :
         {Saved{slot, "enabled", clicks.slot_enabled}, Saved{unit_group, "mix", clicks.unit_mix},
          Saved{unit_group, "mix_mode", clicks.unit_mix_mode},
          Saved{unit_group, "enabled", clicks.unit_enabled}}) {
        Result<double> value = get_value(bridge, saved.group, saved.key);
        if (!value)
            return Error{value.error()};
        saved.into = *value;
    }
    return clicks;
}

Result<void> set_up(MixxxLink& bridge, const GridClicks& clicks) {
    const std::string slot = slot_group(clicks.slot);
    struct Setting {
        const std::string& group;
        std::string key;
        double value;
    };
    for (const Setting& setting :
         {Setting{slot, "button_parameter1", 1.0}, Setting{slot, "enabled", 1.0},
          Setting{unit_group, "mix_mode", 0.0}, Setting{unit_group, "mix", 1.0},
          Setting{unit_group, "enabled", 1.0}, Setting{unit_group, routing_key(clicks.deck), 1.0}})
        if (Result<void> r = set_value(bridge, setting.group, setting.key, setting.value); !r)
            return r;
    return {};
}

Result<void> switch_on(Context& context, BeatGridState& state, std::uint8_t deck) {
    MixxxLink& bridge = *context.bridge;
    Result<std::int64_t> index = available_metronome(bridge);
    if (!index)
        return Error{index.error()};
    Result<ChosenSlot> chosen = metronome_slot(bridge, *index);
    if (!chosen)
        return Error{chosen.error()};
    Result<GridClicks> clicks = saved_values(bridge, deck, *chosen);
    if (!clicks)
        return Error{clicks.error()};
    // Kept even when setting up fails half-way, so that the next press puts the unit back.
    state.clicks = *clicks;
    if (Result<void> r = set_up(bridge, *clicks); !r)
        return r;
    say(context.speech, "Grid clicks on for deck " + std::to_string(deck) +
                            ". Play the track: the clicks are the beat grid.");
    return {};
}

} // namespace

bool slot_holds_effect(MixxxLink& bridge, int slot, std::int64_t effect_index) {
    const std::string group = slot_group(slot);
    Result<double> loaded = get_value(bridge, group, "loaded");
    if (!loaded || *loaded == 0)
        return false;
    Result<double> effect = get_value(bridge, group, "loaded_effect");
    const double number = effect && std::isfinite(*effect) ? std::round(*effect) : 0.0;
    return number == static_cast<double>(effect_index);
}

Result<void> beatgrid_clicks(Context& context, std::uint8_t deck) {
    std::lock_guard lock(context.beat_grid->mutex);
    BeatGridState& state = context.beat_grid->state;
    // Taken out first: whatever happens below, these clicks count as off.
    std::optional<GridClicks> on = std::exchange(state.clicks, std::nullopt);
    if (on) {
        if (Result<void> r = switch_off(*context.bridge, *on); !r)
            return r;
        if (on->deck == deck) {
            say(context.speech, "Grid clicks off for deck " + std::to_string(deck));
            return {};
        }
    }
    return switch_on(context, state, deck);
}

void turn_off_leftover_grid_clicks(MixxxLink& bridge) {
    Result<std::int64_t> index = metronome_index(bridge);
    if (!index || *index < 1)
        return;
    bool present = false;
    for (int slot = 1; slot <= slot_count && !present; ++slot)
        present = slot_holds_effect(bridge, slot, *index);
    if (!present)
        return;
    for (unsigned deck = 1; deck <= 4; ++deck) {
        Result<double> routed = get_value(bridge, unit_group, routing_key(deck));
        if (!routed || *routed == 0)
            continue;
        // Best effort at start: a failure here leaves nothing worse than before.
        (void)set(bridge, unit_group, routing_key(deck), "value", 0.0);
        app_log("grid clicks left on for deck " + std::to_string(deck) + " last time: turned off");
    }
}

} // namespace cuevoice
