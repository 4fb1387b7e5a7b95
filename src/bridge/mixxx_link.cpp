#include "bridge/mixxx_link.h"

#include <utility>

#include "bridge/protocol.h"

namespace cuevoice {

Result<json> request(MixxxLink& link, json message, int wait_seconds) {
    return link.request(std::move(message), wait_seconds);
}

std::vector<Result<json>> MixxxLink::request_all(std::vector<json> messages, int wait_seconds) {
    std::vector<Result<json>> replies;
    replies.reserve(messages.size());
    for (json& message : messages) {
        replies.push_back(request(std::move(message), wait_seconds));
        if (!replies.back())
            break;
    }
    return replies;
}

} // namespace cuevoice
