#pragma once
// A job on the action channel: what a hot key (or the test script) asks the "actions" thread
// to run.
#include <string>

#include "catalog/bound_action.h"
#include "common/channel.h"

namespace cuevoice {

struct HotKeyPress {
    std::string key_text; // the pressed row's chord text; empty when no key started the job
    SharedBoundAction bound;
};

using ActionSender = Sender<HotKeyPress>;
using ActionReceiver = Receiver<HotKeyPress>;

} // namespace cuevoice
