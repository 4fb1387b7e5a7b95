#pragma once
// Reading one control and speaking its value in words.
#include <cstdint>

#include "catalog/action.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// "{label} {value}", or the value alone when the label is empty.
Result<void> say_control_value(Context& context, const ReportTarget& target, std::uint8_t deck);

} // namespace cuevoice
