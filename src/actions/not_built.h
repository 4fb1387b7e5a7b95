#pragma once
// The answer of an action kind that this build does not run yet: spoken as an error, never a
// silent success.
#include "catalog/action.h"
#include "common/result.h"

namespace cuevoice {

Result<void> not_built_yet(ActionKind kind);

} // namespace cuevoice
