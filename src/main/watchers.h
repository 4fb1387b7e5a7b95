#pragma once
// The run's small watchers: requests of a second process to open the key editor, the end of
// Mixxx, and what is known about Mixxx when the connection to its plug-in failed.
#include <cstdint>

#include "bridge/bridge.h"
#include "common/mixxx_child.h"
#include "common/result.h"
#include "context/context.h"

namespace cuevoice {

// Body of the thread "editor-requests": waits on "Local\CuevoiceOpenKeyEditor" and calls the
// context's key-editor opener at each signal; ends at the first signal after the context is
// gone.
void watch_editor_requests(WeakContext context);

// Body of the thread "mixxx-watch": asks at once and then every 500 ms whether Mixxx has
// exited; then posts WM_QUIT to the main thread and ends.
void watch_mixxx_exit(SharedMixxxChild mixxx, std::uint32_t main_thread_id, Clock& clock);

// Passes the connection's result through; a failure first logs Mixxx's state.
Result<SharedBridge> log_connect_failed(Result<SharedBridge> connection,
                                        const SharedMixxxChild& mixxx);

} // namespace cuevoice
