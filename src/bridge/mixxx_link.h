#pragma once
// What the typed requests and the actions need of the link to Mixxx: one request, one reply.
// The bridge is the implementation the program uses; tests answer from a table instead.
#include <utility>

#include "bridge/protocol.h"
#include "common/result.h"

namespace cuevoice {

class MixxxLink {
public:
    virtual ~MixxxLink() = default;

    // Sends one command (an object with "cmd" and its members) and waits up to `wait_seconds`
    // for its reply: the whole reply object when it succeeded, else its error text. Safe to
    // call from any number of threads at once.
    virtual Result<json> request(json message, int wait_seconds) = 0;
};

// The same as a call on the link, for callers that name the operation, not the object.
inline Result<json> request(MixxxLink& link, json message, int wait_seconds) {
    return link.request(std::move(message), wait_seconds);
}

} // namespace cuevoice
