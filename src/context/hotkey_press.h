#pragma once
// The job of one key press on its way to the "actions" thread.
#include <string>

#include "catalog/bound_action.h"
#include "common/channel.h"

namespace cuevoice {

struct HotKeyPress {
    // The canonical chord text of the pressed row; empty for a job that no key started.
    std::string key_text;
    SharedBoundAction bound;
};

// The action channel: unbounded, many senders (the hot-key loop, the test script), one
// receiver (the "actions" thread).
using ActionSender = Sender<HotKeyPress>;
using ActionReceiver = Receiver<HotKeyPress>;

} // namespace cuevoice
