#pragma once
// What the actions need of the plug-in link: one request and its reply. The bridge is the real
// one; tests answer from a table.
#include "bridge/protocol.h"
#include "common/result.h"

namespace cuevoice {

class MixxxLink {
public:
    virtual ~MixxxLink() = default;
    // Sends one command (an object with "cmd" and its members) and waits up to `wait_seconds`
    // for its reply.
    virtual Result<json> request(json message, int wait_seconds) = 0;
};

} // namespace cuevoice
