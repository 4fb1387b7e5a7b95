// Answers honestly until the run is built.
#include "main/run.h"

namespace cuevoice {

RunResult run_with_mixxx(const Speech&) {
    return RunResult::error("starting Mixxx is not part of this build yet");
}

} // namespace cuevoice
