#pragma once
// The simulated Mixxx (bin/mixxx.exe with the plug-in stand-in), started the way the run starts
// the real one: the plug-in folder and name in the Qt variables, the token and port beside them,
// and the port of its test control channel.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/mixxx_child.h"

namespace cuevoice::test {

class SimulatedMixxx {
public:
    struct Options {
        // Empty: a token of this process and start. Named kernel objects are shared by every
        // program of the Wine prefix, so the loaded events of two starts must never share one.
        std::string token;
        // Extra variables (name=value), or a name without '=' to remove it.
        std::vector<std::string> environment;
        // Without them Mixxx starts but never loads the plug-in.
        bool plugin_variables = true;
    };
    explicit SimulatedMixxx(Options options);
    SimulatedMixxx() : SimulatedMixxx(Options{}) {}
    // Ends the process by its handle when it still runs.
    ~SimulatedMixxx();
    SimulatedMixxx(const SimulatedMixxx&) = delete;
    SimulatedMixxx& operator=(const SimulatedMixxx&) = delete;

    // Whether the plug-in's loaded event appeared before the time was up.
    bool wait_loaded(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    // Waits for the process to end; its exit code, or none when it still runs.
    std::optional<unsigned long> wait_exit(std::chrono::milliseconds timeout) const;

    // One request on the control channel and its reply; none when it cannot be reached or
    // nothing came back.
    std::optional<nlohmann::json> control(const nlohmann::json& request) const;

    // The process as the product holds it; null when it could not be started.
    const SharedMixxxChild& child() const { return child_; }
    // The system's error code of the last refused start; 0 when it started.
    unsigned long start_error() const { return started_ok() ? 0 : start_error_; }
    std::uint32_t process_id() const { return process_id_; }
    const std::string& token() const { return token_; }
    std::uint16_t port() const { return port_; }
    std::uint16_t control_port() const { return control_port_; }

private:
    void* process_ = nullptr; // a handle of our own, apart from the one child_ holds
    std::uint32_t process_id_ = 0;
    SharedMixxxChild child_;
    std::string token_;
    std::uint16_t port_ = 0;
    std::uint16_t control_port_ = 0;
    unsigned long start_error_ = 0;

    bool started_ok() const { return child_ != nullptr; }
};

} // namespace cuevoice::test
