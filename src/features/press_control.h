#pragma once
// A button press as the tools make it: down, a short pause, up.
#include <string>

#include "common/result.h"

namespace cuevoice {

class Clock;
class MixxxLink;

// Sets the control to 1, sleeps 30 ms and sets it to 0. A failed press is not released: nothing
// reached Mixxx to release.
Result<void> press_control(MixxxLink& link, Clock& clock, const std::string& group,
                           const std::string& key);

} // namespace cuevoice
