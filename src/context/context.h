#pragma once
// The shared state of one run: what the worker threads, the actions and the key editor's Run
// reach Mixxx and the user through, and the few switches and deadlines they share.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "speech/speech.h"

namespace cuevoice {

class Clock;
class MixxxLink;

using Instant = std::chrono::steady_clock::time_point;

// The metronome switched on by the grid-clicks tool, and what it changed to do so.
struct GridClicks {
    std::uint8_t deck = 0;
    std::uint8_t slot = 0; // 1 to 4 on effect unit 4
    bool loaded_by_tool = false;
    double slot_enabled = 0;
    double unit_mix = 0;
    double unit_mix_mode = 0;
    double unit_enabled = 0;
};

// The beat-grid tools' memory for one run.
struct BeatGridState {
    std::map<std::uint8_t, std::int32_t> move_totals; // an absent deck counts as 0
    std::optional<GridClicks> clicks;
    std::optional<Instant> last_tap;
};

struct SharedBeatGrid {
    std::mutex mutex;
    BeatGridState state;
};

std::shared_ptr<SharedBeatGrid> new_beat_grid_state();

// A control the announcer keeps quiet about until the deadline.
struct MutedControl {
    std::string group;
    std::string key;
    Instant until;
};

// The last marker set or jumped to, for clearing it.
struct MarkerRecord {
    std::string clear_control;
    std::string spoken_name;
    std::uint8_t deck = 0;
};

template <typename T> struct Guarded {
    std::mutex mutex;
    T value{};
};

struct Context {
    Context(Speech speech, std::shared_ptr<MixxxLink> bridge, Clock& clock);
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    Speech speech;
    std::shared_ptr<MixxxLink> bridge;
    Clock& clock; // every wait and deadline of the actions goes through it
    std::shared_ptr<SharedBeatGrid> beat_grid;
    Guarded<Instant> play_quiet_until;
    Guarded<std::optional<MutedControl>> muted;
    Guarded<std::optional<MarkerRecord>> last_marker;
    Guarded<std::optional<std::function<void()>>> editor_opener;
    Guarded<std::optional<std::shared_ptr<std::atomic<bool>>>> beatmatch_monitor;
    std::atomic<std::uint8_t> deck{1};
    std::atomic<bool> announce{true};
    std::atomic<bool> key_help{false};
};

using SharedContext = std::shared_ptr<Context>;
using WeakContext = std::weak_ptr<Context>;

} // namespace cuevoice
