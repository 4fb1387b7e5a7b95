#pragma once
// The job on the action channel: which key started it and what it runs.
#include <string>

#include "catalog/bound_action.h"
#include "common/channel.h"

namespace cuevoice {

struct HotKeyPress {
    std::string key_text; // canonical chord text of the pressed row; empty when no key started it
    SharedBoundAction bound;
};

using ActionSender = Sender<HotKeyPress>;
using ActionReceiver = Receiver<HotKeyPress>;

} // namespace cuevoice
