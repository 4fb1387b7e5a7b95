#pragma once
// The one process-wide hot-key record and its lock. Held for short spans only: never across a
// send on the action channel.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "hotkeys/hotkey_table.h"

namespace cuevoice {

struct HotKeyGlobals {
    std::mutex mutex;
    HotKeyState state;
    std::atomic<std::uint32_t> thread_id{0};
    std::atomic<std::uint32_t> mixxx_pid{0};
};

HotKeyGlobals& hotkey_globals();

} // namespace cuevoice
