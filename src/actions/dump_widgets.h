#pragma once
// Asking the plug-in for the list of Mixxx's widgets, a help for finding skin texts.
#include <cstdint>

#include "bridge/protocol.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// The plug-in writes the widgets to its own log, which may take long; says how many.
Result<void> dump_widgets(Context& context);

// The reply's "count" when it is a whole JSON number that is not negative, else 0.
std::uint64_t widget_count(const json& reply);

} // namespace cuevoice
