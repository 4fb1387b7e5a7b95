#include "announcer/announcer.h"

#include <chrono>
#include <utility>

#include "announcer/deck_count.h"
#include "announcer/group_parsers.h"
#include "announcer/watch_list.h"
#include "common/clock.h"
#include "common/stage_stamps.h"
#include "context/announced_controls.h"
#include "context/deck_filling.h"
#include "context/track_text.h"
#include "context/value_format.h"
#include "speech/speech.h"

namespace cuevoice {
namespace {

using namespace std::chrono_literals;

constexpr auto clipping_quiet_time = 30s;
constexpr auto track_text_delay = 300ms; // the skin shows the new track's texts a little later
constexpr auto hotcue_settle_delay = 150ms;

const char* on_off(bool on) {
    return on ? "on" : "off";
}

} // namespace

Announcer::Announcer(SharedContext context, WatchedValues watched)
    : context_(std::move(context)), watched_(std::move(watched)) {}

void Announcer::handle(const ChangeEvent& change) {
    const ControlKey address{change.group, change.key};
    std::optional<double> previous;
    if (auto found = watched_.find(address); found != watched_.end())
        previous = found->second;
    watched_[address] = change.value;
    if (previous && *previous == change.value)
        return;

    if (change.group == "[App]" && change.key == "num_decks") {
        const unsigned old_count = count_from_value(previous.value_or(0));
        const unsigned new_count = count_from_value(change.value);
        if (new_count > old_count)
            build_watch_list(*context_->bridge, old_count + 1, new_count, watched_);
        return;
    }

    const bool on = change.value != 0;
    const std::optional<AnnouncedControl> control = announced_control(change.group, change.key);
    if (control == AnnouncedControl::deck_clipping || control == AnnouncedControl::main_clipping) {
        const bool passed = clipping_gate_passed(change.group);
        if (!on || !passed)
            return;
    }
    if (!context_->announce.load() || muted(change)) {
        // A hotcue changed unheard: its remembered state is stale now, and the next change
        // starts again from the last value seen.
        hotcue_states_.erase(address);
        return;
    }
    if (std::optional<std::string> text = text_for(change, previous))
        say_queued(context_->speech, std::move(*text));
}

// A flickering peak indicator speaks once; it speaks again only after 30 s without a change.
bool Announcer::clipping_gate_passed(const std::string& group) {
    const Instant now = context_->clock.now();
    auto found = clipping_times_.find(group);
    const bool passed =
        found == clipping_times_.end() || now - found->second >= clipping_quiet_time;
    clipping_times_[group] = now;
    return passed;
}

bool Announcer::muted(const ChangeEvent& change) const {
    std::lock_guard lock(context_->muted.mutex);
    const std::optional<MutedControl>& muted = context_->muted.value;
    return muted && muted->group == change.group && muted->key == change.key &&
           context_->clock.now() < muted->until;
}

std::optional<std::string> Announcer::text_for(const ChangeEvent& change,
                                               std::optional<double> previous) {
    const std::optional<AnnouncedControl> control = announced_control(change.group, change.key);
    if (!control)
        return std::nullopt;
    const double value = change.value;
    const bool on = value != 0;
    Context& context = *context_;
    // A deck's control is spoken with the deck in front when it is not the current one.
    const std::optional<std::uint8_t> deck = parse_channel_group(change.group);
    auto phrase = [&](const std::string& text) -> std::optional<std::string> {
        if (!deck)
            return std::nullopt;
        return deck_phrase(context.deck.load(), *deck, text);
    };

    switch (*control) {
    case AnnouncedControl::deck_play:
        if (!deck)
            return std::nullopt;
        return play_text(*deck, change.group, on);
    case AnnouncedControl::deck_sync:
        return phrase(std::string("sync ") + on_off(on));
    case AnnouncedControl::deck_headphones:
        return phrase(std::string("headphones ") + on_off(on));
    case AnnouncedControl::deck_key_lock:
        return phrase(std::string("key lock ") + on_off(on));
    case AnnouncedControl::deck_loop: {
        if (!deck || !on)
            return phrase("loop off");
        Result<double> size = get(*context.bridge, change.group, "beatloop_size", "value");
        return phrase("loop " + beats_text(size ? *size : 0));
    }
    case AnnouncedControl::deck_track_loaded:
        if (!deck || !on)
            return phrase("empty");
        context.clock.sleep_for(track_text_delay);
        return phrase("loaded. " + track_text(context, *deck).value_or(""));
    case AnnouncedControl::deck_clipping:
        return phrase("clipping");
    case AnnouncedControl::deck_hotcue: {
        const std::optional<std::uint8_t> hotcue = parse_hotcue_status_key(change.key);
        if (!deck || !hotcue)
            return std::nullopt;
        return hotcue_text(*deck, *hotcue, change, previous);
    }
    case AnnouncedControl::sampler_play: {
        const std::optional<std::uint8_t> sampler = parse_sampler_group(change.group);
        if (!sampler)
            return std::nullopt;
        return "Sampler " + std::to_string(*sampler) + (on ? " playing" : " stopped");
    }
    case AnnouncedControl::auto_dj:
        return std::string("Auto DJ ") + on_off(on);
    case AnnouncedControl::recording:
        if (value == 2)
            return "Recording started";
        if (value == 0 && previous && *previous != 0)
            return "Recording stopped";
        return std::nullopt;
    case AnnouncedControl::broadcast_enabled:
        return std::string("Live broadcast ") + on_off(on);
    case AnnouncedControl::broadcast_status:
        if (value == 2)
            return "Live broadcast connected";
        if (value == 3)
            return "Live broadcast failed to connect";
        return std::nullopt;
    case AnnouncedControl::microphone:
        return std::string("Microphone ") + on_off(on);
    case AnnouncedControl::main_clipping:
        return "Main output clipping";
    }
    return std::nullopt;
}

std::optional<std::string> Announcer::play_text(std::uint8_t deck, const std::string& group,
                                                bool on) {
    Context& context = *context_;
    {
        // A hotcue press starts and stops the deck by itself; the user hears the hotcue.
        std::lock_guard lock(context.play_quiet_until.mutex);
        if (context.clock.now() < context.play_quiet_until.value)
            return std::nullopt;
    }
    Result<double> loaded = get(*context.bridge, group, "track_loaded", "value");
    if (loaded && *loaded == 0) {
        if (!on)
            return std::nullopt;
        if (deck == context.deck.load())
            return "No track loaded";
        return "Deck " + std::to_string(deck) + " has no track loaded";
    }
    return deck_phrase(context.deck.load(), deck, on ? "playing" : "paused");
}

// Mixxx passes a hotcue's status through intermediate values; the value 150 ms later counts,
// and only a change between set and cleared is spoken.
std::optional<std::string> Announcer::hotcue_text(std::uint8_t deck, std::uint8_t hotcue,
                                                  const ChangeEvent& change,
                                                  std::optional<double> previous) {
    Context& context = *context_;
    context.clock.sleep_for(hotcue_settle_delay);
    Result<double> reread = get(*context.bridge, change.group, change.key, "value");
    const bool set = (reread ? *reread : change.value) != 0;

    const ControlKey address{change.group, change.key};
    bool was_set = previous && *previous != 0;
    if (auto found = hotcue_states_.find(address); found != hotcue_states_.end())
        was_set = found->second;
    hotcue_states_[address] = set;
    if (set == was_set)
        return std::nullopt;
    return deck_phrase(context.deck.load(), deck,
                       "hotcue " + std::to_string(hotcue) + (set ? " set" : " cleared"));
}

void run_announcer(SharedContext context, Receiver<BridgeEvent> events, WatchedValues watched) {
    Announcer announcer(std::move(context), std::move(watched));
    while (std::optional<BridgeEvent> event = events.recv()) {
        stamp_stage(Stage::event_taken);
        const Changed* changed = std::get_if<Changed>(&*event);
        if (!changed)
            return; // Disconnected: the plug-in link is gone
        announcer.handle(changed->change);
    }
}

void announcer_thread(SharedContext context, Receiver<BridgeEvent> events, WatchedValues watched) {
    run_announcer(std::move(context), std::move(events), std::move(watched));
}

} // namespace cuevoice
