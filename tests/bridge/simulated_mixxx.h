#pragma once
// The simulated Mixxx (mixxx.exe with the plug-in stand-in), started the way the run starts the
// real one: the plug-in folder and name in the Qt variables, the token and port beside them.
#include <cstdint>
#include <optional>
#include <string>

#include "bridge/protocol.h"
#include "main/mixxx_child.h"
#include "scripted_peer.h"

namespace cuevoice::test {

class SimulatedMixxx {
public:
    SimulatedMixxx();
    // Quits it through the control channel, or ends the process when it does not go.
    ~SimulatedMixxx();
    SimulatedMixxx(const SimulatedMixxx&) = delete;
    SimulatedMixxx& operator=(const SimulatedMixxx&) = delete;

    // Whether the plug-in's loaded event appeared in time.
    bool wait_until_loaded();

    const std::string& token() const { return token_; }
    std::uint16_t port() const { return port_; }
    const SharedMixxxChild& child() const { return child_; }

    // One request on the test control channel and its reply; none when it cannot be reached.
    std::optional<json> control(const json& request);

private:
    std::string token_;
    std::uint16_t port_ = 0;
    std::uint16_t control_port_ = 0;
    SharedMixxxChild child_;
};

} // namespace cuevoice::test
