#include "actions/run_hotkey.h"

#include <utility>
#include <variant>

#include "actions/dispatch.h"
#include "actions/hold.h"
#include "common/stage_stamps.h"
#include "common/threads.h"
#include "config/key_chord.h"

namespace cuevoice {
namespace {

bool is_hold(const BoundAction& bound) {
    return std::holds_alternative<HoldAction>(bound.action);
}

} // namespace

std::string spoken_key_text(std::string_view key_text) {
    std::string text = key_chord_display_text(key_text);
    for (char& c : text)
        if (c == '+')
            c = ' ';
    return text;
}

void run_hotkey(Context& context, std::string_view key_text, const BoundAction& bound,
                const KeyIsDown& key_is_down) {
    // Key help names the key instead of running it; only the key that switches it off runs.
    if (context.key_help.load() && !key_text.empty() &&
        action_kind(bound.action) != ActionKind::key_help) {
        say(context.speech, spoken_key_text(key_text) + ": " + bound.name);
        return;
    }
    const std::uint8_t deck = bound.fixed_deck ? *bound.fixed_deck : context.deck.load();
    Result<void> result = is_hold(bound) ? hold(context, key_text, bound, deck, key_is_down)
                                         : dispatch_action(context, bound.action, deck);
    if (!result)
        say(context.speech, "Error: " + result.error());
}

void run_hotkey_press(HeldKeyJob job, const KeyIsDown& key_is_down) {
    run_hotkey(*job.context, job.press.key_text, *job.press.bound, key_is_down);
}

void run_action_worker(SharedContext context, ActionReceiver jobs, KeyIsDown key_is_down) {
    while (std::optional<HotKeyPress> job = jobs.recv()) {
        stamp_stage(Stage::job_taken);
        if (!job->bound)
            continue;
        if (!is_hold(*job->bound)) {
            run_hotkey(*context, job->key_text, *job->bound, key_is_down);
            continue;
        }
        spawn_detached([held = HeldKeyJob{std::move(*job), context}, key_is_down]() mutable {
            run_hotkey_press(std::move(held), key_is_down);
        });
    }
}

} // namespace cuevoice
