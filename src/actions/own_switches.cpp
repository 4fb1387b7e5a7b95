#include "actions/own_switches.h"

#include <atomic>

namespace cuevoice {
namespace {

// One read-modify-write, so two flips at once never lose one. The new state comes back.
bool flip(std::atomic<bool>& flag) {
    bool old = flag.load();
    while (!flag.compare_exchange_weak(old, !old)) {
    }
    return !old;
}

} // namespace

Result<void> stop_speech(Context& context) {
    // A speech thread that is gone has nothing left to silence.
    context.speech.send(Stop{});
    return {};
}

Result<void> toggle_announce(Context& context) {
    say(context.speech, flip(context.announce) ? "Announcements on" : "Announcements off");
    return {};
}

Result<void> key_help(Context& context) {
    say(context.speech, flip(context.key_help)
                            ? "Key help on. Press any Cuevoice key to hear what it does."
                            : "Key help off");
    return {};
}

Result<void> key_editor(Context& context) {
    std::lock_guard lock(context.editor_opener.mutex);
    if (context.editor_opener.value)
        (*context.editor_opener.value)();
    return {};
}

} // namespace cuevoice
