#pragma once
// What the reader thread hands to the announcer.
#include <string>
#include <variant>

namespace cuevoice {

// A watched control changed. Group and key are empty when the plug-in left them out; the value
// of anything that is not a number reads as 0.
struct ChangeEvent {
    std::string group;
    std::string key;
    double value = 0.0;

    bool operator==(const ChangeEvent&) const = default;
};

struct Changed {
    ChangeEvent change;
};

// Sent once, as the last message, when the connection to the plug-in has ended.
struct Disconnected {};

using BridgeEvent = std::variant<Changed, Disconnected>;

} // namespace cuevoice
