#pragma once
#include "main/run_result.h"
#include "speech/speech.h"

namespace cuevoice {

// The run: settings, Mixxx with the plug-in, the bridge, the workers and the hot keys.
RunResult run_with_mixxx(const Speech& speech);

} // namespace cuevoice
