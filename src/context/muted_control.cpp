#include "context/muted_control.h"

#include <utility>

namespace cuevoice {

void mute_control(Context& context, std::string group, std::string key, Instant until) {
    std::lock_guard lock(context.muted.mutex);
    context.muted.value = MutedControl{std::move(group), std::move(key), until};
}

void mute_loop_enabled(Context& context, const std::string& group, Instant until) {
    mute_control(context, group, "loop_enabled", until);
}

} // namespace cuevoice
