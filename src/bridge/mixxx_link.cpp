#include "bridge/mixxx_link.h"

#include <utility>

#include "bridge/protocol.h"

namespace cuevoice {

Result<json> request(MixxxLink& link, json message, int wait_seconds) {
    return link.request(std::move(message), wait_seconds);
}

} // namespace cuevoice
