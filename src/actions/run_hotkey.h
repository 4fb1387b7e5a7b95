#pragma once
// Running one function: key help, the deck, a held key or the dispatcher, and the spoken error.
#include <cstdint>
#include <string>
#include <string_view>

#include "actions/key_state.h"
#include "catalog/bound_action.h"
#include "context/context.h"
#include "context/hotkey_press.h"

namespace cuevoice {

// Runs one press; every error is spoken as "Error: {}" and nothing here ends the program.
void run_hotkey(Context& context, std::string_view key_text, const BoundAction& bound,
                const KeyIsDown& key_is_down = async_key_is_down);

// A held key's job: moved onto the thread that runs it, with its own reference to the context.
struct HeldKeyJob {
    HotKeyPress press;
    SharedContext context;
};

// Body of the unnamed thread of a held key.
void run_hotkey_press(HeldKeyJob job, const KeyIsDown& key_is_down = async_key_is_down);

// Body of the thread "actions": jobs one at a time in arrival order; a held key gets a thread
// of its own so the next job need not wait for its release. Returns when every sender is gone.
void run_action_worker(SharedContext context, ActionReceiver jobs,
                       KeyIsDown key_is_down = async_key_is_down);

// The words key help speaks for a key text: "ctrl+alt+p" is "Ctrl Alt P".
std::string spoken_key_text(std::string_view key_text);

} // namespace cuevoice
