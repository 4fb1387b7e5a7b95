#include "beatgrid/track_check.h"

#include "bridge/typed_requests.h"

namespace cuevoice {

Result<void> require_track_loaded(MixxxLink& bridge, const std::string& group) {
    Result<double> loaded = get(bridge, group, "track_loaded", "value");
    if (!loaded)
        return Error{loaded.error()};
    if (*loaded == 0)
        return Error{"no track loaded"};
    return {};
}

std::string channel_group(unsigned deck) {
    return "[Channel" + std::to_string(deck) + "]";
}

} // namespace cuevoice
