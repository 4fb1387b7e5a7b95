#pragma once
// Whether a Mixxx already runs: a second one would fight the first over its settings, and the
// plug-in of the first would answer in place of ours.
#include <string_view>

namespace cuevoice {

// An executable name as the process list gives it (UTF-16, up to its first NUL) that names
// Mixxx: "mixxx.exe" in any ASCII letter case.
bool names_mixxx_exe(std::wstring_view executable_name);

// Walks the system's process list once. When the list cannot be taken, nothing is found.
bool mixxx_is_running();

} // namespace cuevoice
