#include "beatmatch/beatmatch.h"

#include <chrono>
#include <cmath>
#include <mutex>
#include <optional>
#include <utility>

#include "applog/applog.h"
#include "common/threads.h"
#include "context/value_format.h"
#include "speech/speech.h"

namespace cuevoice {
namespace {

using namespace std::chrono_literals;

std::string whole_number(double x) {
    return std::to_string(static_cast<long long>(std::round(x)));
}

// Without an offset one of the decks is paused: this one when it is, else the other.
std::string paused_text(const Comparison& comparison, std::uint8_t deck) {
    const std::uint8_t paused = comparison.this_playing ? comparison.other_deck : deck;
    return "Deck " + std::to_string(paused) + " paused";
}

std::string head_text(const Comparison& comparison) {
    std::string head = "Against deck " + std::to_string(comparison.other_deck);
    if (comparison.ratio == 2)
        head += ", at double tempo";
    else if (comparison.ratio == 0.5)
        head += ", at half tempo";
    return head;
}

std::string tempo_text(double difference) {
    if (std::abs(difference) < 0.005)
        return "same tempo";
    if (difference > 0)
        return fixed_text(difference, 2) + " BPM faster, slow down";
    return fixed_text(-difference, 2) + " BPM slower, speed up";
}

std::string beats_text(const Comparison& comparison, std::uint8_t deck) {
    if (!comparison.offset_ms)
        return paused_text(comparison, deck);
    const double offset = *comparison.offset_ms;
    if (std::abs(offset) < 10)
        return "Beats aligned";
    if (offset > 0)
        return "Beats " + whole_number(offset) + " milliseconds ahead, nudge slower";
    return "Beats " + whole_number(-offset) + " milliseconds behind, nudge faster";
}

} // namespace

std::string beatmatch_text(const Comparison& comparison, std::uint8_t deck) {
    return head_text(comparison) + ": " + tempo_text(comparison.difference) + ". " +
           beats_text(comparison, deck);
}

std::string monitor_text(const Comparison& comparison, std::uint8_t deck) {
    const double difference = comparison.difference;
    if (std::abs(difference) >= 0.05)
        return (difference > 0 ? "slow down " : "speed up ") + fixed_text(std::abs(difference), 2);
    if (!comparison.offset_ms)
        return paused_text(comparison, deck);
    const double offset = *comparison.offset_ms;
    if (std::abs(offset) >= 10)
        return (offset > 0 ? "ahead " : "behind ") + whole_number(std::abs(offset));
    return "in sync";
}

Result<void> beatmatch(Context& context, std::uint8_t deck) {
    BeatmatchResult result = compare_with_other_deck(*context.bridge, deck);
    if (const auto* error = std::get_if<BeatmatchError>(&result))
        return Error{error->text};
    if (const auto* message = std::get_if<BeatmatchMessage>(&result)) {
        say(context.speech, message->text);
        return {};
    }
    say(context.speech, beatmatch_text(std::get<Comparison>(result), deck));
    return {};
}

Result<void> beatmatch_monitor(Context& context, std::uint8_t deck) {
    std::lock_guard lock(context.beatmatch_monitor.mutex);
    std::optional<std::shared_ptr<std::atomic<bool>>>& slot = context.beatmatch_monitor.value;
    if (slot) {
        (*slot)->store(false);
        slot.reset();
        say(context.speech, "Beatmatch monitor off");
        return {};
    }
    auto running = std::make_shared<std::atomic<bool>>(true);
    slot = running;
    say(context.speech, "Beatmatch monitor on, deck " + std::to_string(deck));
    spawn_detached([speech = context.speech, bridge = context.bridge, running,
                    &clock = context.clock, deck]() mutable {
        monitor_beatmatch(std::move(speech), std::move(bridge), std::move(running), clock, deck);
    });
    return {};
}

void monitor_beatmatch(Speech speech, std::shared_ptr<MixxxLink> bridge,
                       std::shared_ptr<std::atomic<bool>> running, Clock& clock,
                       std::uint8_t deck) {
    std::optional<std::string> last_spoken;
    for (;;) {
        clock.sleep_for(1500ms);
        if (!running->load())
            return;
        BeatmatchResult result = compare_with_other_deck(*bridge, deck);
        if (const auto* error = std::get_if<BeatmatchError>(&result)) {
            app_log("beatmatch monitor stopped: " + error->text);
            return;
        }
        std::string text;
        if (const auto* message = std::get_if<BeatmatchMessage>(&result))
            text = message->text;
        else
            text = monitor_text(std::get<Comparison>(result), deck);
        // Switched off while comparing: nothing may follow the "off" text.
        if (text == last_spoken || !running->load())
            continue;
        say(speech, text);
        last_spoken = std::move(text);
    }
}

} // namespace cuevoice
