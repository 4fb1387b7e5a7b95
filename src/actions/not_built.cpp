#include "actions/not_built.h"

#include <string>

namespace cuevoice {

Result<void> not_built_yet(ActionKind kind) {
    return Error{std::string(action_kind_name(kind)) + " is not built yet"};
}

} // namespace cuevoice
