#pragma once
// The announcer: speaks, queued, what changes in Mixxx without being asked.
#include <map>
#include <optional>
#include <string>

#include "bridge/events.h"
#include "bridge/typed_requests.h"
#include "common/channel.h"
#include "context/context.h"

namespace cuevoice {

// One change event at a time, with the tables that live as long as the loop.
class Announcer {
public:
    Announcer(SharedContext context, WatchedValues watched);

    // Records the new value and speaks the change when it is one worth telling. Blocks for the
    // re-reads of a loaded track (300 ms) and of a hotcue (150 ms).
    void handle(const ChangeEvent& change);

    const WatchedValues& watched() const { return watched_; }

private:
    bool clipping_gate_passed(const std::string& group);
    bool muted(const ChangeEvent& change) const;
    std::optional<std::string> text_for(const ChangeEvent& change, std::optional<double> previous);
    std::optional<std::string> play_text(std::uint8_t deck, const std::string& group, bool on);
    std::optional<std::string> hotcue_text(std::uint8_t deck, std::uint8_t hotcue,
                                           const ChangeEvent& change,
                                           std::optional<double> previous);

    SharedContext context_;
    WatchedValues watched_;
    std::map<std::string, Instant> clipping_times_; // group -> last peak-indicator change
    std::map<ControlKey, bool> hotcue_states_;      // (group, key) -> set
};

// The announcer's loop: ends quietly on Disconnected or when the channel closes.
void run_announcer(SharedContext context, Receiver<BridgeEvent> events, WatchedValues watched);

// The body of the thread "announcer".
void announcer_thread(SharedContext context, Receiver<BridgeEvent> events, WatchedValues watched);

} // namespace cuevoice
