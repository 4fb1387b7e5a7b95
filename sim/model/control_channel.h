#pragma once
// The test control channel: what a test (or the demo) does to the simulated Mixxx from outside,
// as the DJ or Mixxx itself would, and the faults it switches on. One JSON object per line.
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "mixxx_model.h"
#include "session.h"

namespace mixxxsim {

// Everything the plug-in stand-in shares between its connections; `mutex` guards the model,
// the clock flag and the request history.
struct Simulation {
    std::mutex mutex;
    MixxxModel model;
    Faults faults;
    bool clock_running = true;
    std::deque<std::string> requests; // the product's request lines, oldest first
    // When each of `requests` arrived: the system time in 100-ns steps since 1601
    // (GetSystemTimePreciseAsFileTime), a clock that programs outside this one can read too.
    std::deque<long long> request_times;
    std::vector<std::string> log; // the plug-in's own log lines
};

// What only the running plug-in can do; the control handler asks for it.
struct ControlHooks {
    std::function<void(const std::string& bytes)> inject; // to every plug-in connection
    std::function<void()> drop;                           // close every plug-in connection
    std::function<void(int code, bool abrupt)> quit;      // end the Mixxx process
    std::function<nlohmann::json()> status;               // connections and watches
};

struct ControlResult {
    nlohmann::json reply;
    // Work that must wait until the model's lock is released (writing to sockets, quitting).
    std::vector<std::function<void()>> after;
};

// Handles one control request. The caller holds `sim.mutex`.
ControlResult handle_control(const nlohmann::json& request, Simulation& sim,
                             const ControlHooks& hooks);

} // namespace mixxxsim
