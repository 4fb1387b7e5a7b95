#include "features/press_control.h"

#include <chrono>

#include "bridge/typed_requests.h"
#include "common/clock.h"

namespace cuevoice {

using namespace std::chrono_literals;

Result<void> press_control(MixxxLink& link, Clock& clock, const std::string& group,
                           const std::string& key) {
    if (Result<double> down = set(link, group, key, "value", 1.0); !down)
        return Error{down.error()};
    clock.sleep_for(30ms);
    if (Result<double> up = set(link, group, key, "value", 0.0); !up)
        return Error{up.error()};
    return {};
}

} // namespace cuevoice
