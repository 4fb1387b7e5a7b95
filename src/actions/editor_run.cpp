#include "actions/editor_run.h"

#include <chrono>
#include <variant>

#include "actions/run_hotkey.h"
#include "common/clock.h"
#include "common/mixxx_window.h"

namespace cuevoice {
namespace {

// Mixxx moves the keyboard focus only inside its own window, so that window must be in front.
bool moves_library_focus(const Action& action) {
    const auto* set = std::get_if<SetAction>(&action);
    return set != nullptr && set->target.group == "[Library]" &&
           set->target.control == "focused_widget";
}

} // namespace

void run_editor_function(SharedContext context, SharedBoundAction bound,
                         std::uint32_t mixxx_process_id) {
    if (moves_library_focus(bound->action)) {
        if (std::optional<HWND> window = find_mixxx_window(mixxx_process_id))
            bring_to_front(*window);
        context->clock.sleep_for(std::chrono::milliseconds(300));
    }
    run_hotkey(*context, "", *bound);
}

} // namespace cuevoice
