#pragma once
// A test on the simulated Mixxx (its clock moved by the test) over the real bridge: the run's
// context on that bridge, the test's own clock, and the texts the context says.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "bridge/bridge.h"
#include "catalog/action.h"
#include "context/context.h"
#include "manual_clock.h"
#include "simulated_mixxx.h"

namespace cuevoice::test {

class OnSimulatedMixxx : public ::testing::Test {
protected:
    explicit OnSimulatedMixxx(ManualClock::Sleeping sleeping) : clock(sleeping) {}

    // Waits for the plug-in and connects the bridge and the context; a fixture's own SetUp runs
    // this first under ASSERT_NO_FATAL_FAILURE.
    void SetUp() override;

    // One request on the control channel; a failed one fails the test.
    nlohmann::json control(const nlohmann::json& request);
    double value(const std::string& group, const std::string& key);
    void put(const std::string& group, const std::string& key, double v);

    // The texts said since the last call, in order.
    std::vector<std::string> spoken();
    // Runs the action as the dispatcher does on `deck` and gives what was said, an error as the
    // user hears it ("Error: ...").
    std::vector<std::string> run(const Action& action, std::uint8_t deck = 1);

    SimulatedMixxx sim{SimulatedMixxx::Options{.environment = {"MIXXXSIM_CLOCK=manual"}}};
    ManualClock clock;
    SharedBridge bridge;
    std::unique_ptr<Context> context;

private:
    Receiver<BridgeEvent> events_;
    Receiver<SpeechMessage> heard_;
};

} // namespace cuevoice::test
