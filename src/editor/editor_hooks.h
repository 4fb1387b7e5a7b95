#pragma once
// What the key editor gets from whoever opens it. Its own header, so that the run can hand the
// hooks over and the editor can use them without the editor depending on the run.
#include <functional>
#include <optional>
#include <string>

#include "speech/speech.h"

namespace cuevoice {

// What the key editor gets from the run; with "--open-settings" alone, neither callback.
struct EditorHooks {
    Speech speech;
    std::optional<std::function<void(const std::string& function_id)>> run;
    std::optional<std::function<void()>> reload;
};

} // namespace cuevoice
