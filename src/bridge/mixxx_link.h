#pragma once
// What the typed requests and the actions need of the link to Mixxx: one request, one reply.
// The bridge is the implementation the program uses; tests answer from a table instead.
#include <string_view>
#include <utility>
#include <vector>

#include "bridge/json.h"
#include "common/result.h"

namespace cuevoice {

class MixxxLink {
public:
    virtual ~MixxxLink() = default;

    // Sends one command (an object with "cmd" and its members) and waits up to `wait_seconds`
    // for its reply: the whole reply object when it succeeded, else its error text. Safe to
    // call from any number of threads at once.
    virtual Result<json> request(json message, int wait_seconds) = 0;

    // Several commands whose replies the caller needs all of, as if sent one by one: the
    // replies in the order of the commands, up to and including the first that failed; the
    // commands after it are given up. The commands reach Mixxx in the order given, and each
    // reply is waited for up to `wait_seconds` from the reply before it (the first from the
    // sending). This one sends each after the last one's reply; a link may send them all
    // before the first reply, to save the round trips in between.
    virtual std::vector<Result<json>> request_all(std::vector<json> messages, int wait_seconds);
};

// The same as a call on the link, for callers that name the operation, not the object.
Result<json> request(MixxxLink& link, json message, int wait_seconds);

// The link's own failure texts: no reply within the wait, or a line that could not be sent.
inline constexpr std::string_view no_answer_text = "Mixxx did not answer";
inline constexpr std::string_view send_failed_text = "send failed: ";

// Whether a failed request got no reply at all, as opposed to a reply that refused it. Typed
// requests put "group,key: " before the link's text.
inline bool unanswered(std::string_view error) {
    for (;;) {
        if (error == no_answer_text || error.starts_with(send_failed_text))
            return true;
        const std::size_t colon = error.find(": ");
        if (colon == std::string_view::npos)
            return false;
        error.remove_prefix(colon + 2);
    }
}

} // namespace cuevoice
