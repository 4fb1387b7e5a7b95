#pragma once
// One run of the real cuevoice.exe against the simulated Mixxx on a manual clock, with a
// scenario of its own and a test script, and what the user heard in it as the log shows it.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cuevoice_run.h"

namespace cuevoice::test {

using Lines = std::vector<std::string>;

struct ScriptedSetup {
    nlohmann::json scenario = nlohmann::json::object();
    // The test script; none starts no script thread.
    std::optional<std::string> script;
    // More of config.toml after its [general] table.
    std::string more_settings;
};

class ScriptedRun {
public:
    explicit ScriptedRun(ScriptedSetup setup);

    CuevoiceRun& run() { return *run_; }
    const CuevoiceRun& run() const { return *run_; }

    // Whether the program said it is ready (and the script may start).
    bool ready(std::chrono::milliseconds timeout = std::chrono::seconds(40)) const;
    // Whether the script logged its end.
    bool script_done(std::chrono::milliseconds timeout = std::chrono::seconds(60)) const;

    // What came after the ready text: every spoken text as "say: ..." and every line of a
    // "log:" or "set:" step as "test: ..." ("test run:" lines and the end are left out, so a
    // failure shows only what the user heard and the values the script read).
    Lines transcript() const;
    // Only the spoken texts after the ready text, without their "say: ".
    Lines spoken() const;
    // Waits until the program has said the text after the ready text, `count` times in all.
    bool wait_said(const std::string& text, std::size_t count = 1,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // A request on the control channel that must succeed; its reply.
    nlohmann::json control(const nlohmann::json& request) const;
    // A control-channel "set" of a control's value, as Mixxx or the DJ makes it.
    void put(const std::string& group, const std::string& key, double value) const;
    // Waits until the product sends a request of this command to the plug-in; with `fresh`,
    // only one that arrives after this call (and so sees every change made before it).
    bool wait_for_request(const std::string& command, bool fresh,
                          std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

    // The log, for failure messages.
    std::string log() const { return run_->log(); }

private:
    TempFolder files_;
    std::unique_ptr<CuevoiceRun> run_;
};

// A test script of these steps.
std::string script_of(const Lines& steps);

// What the program says when it is ready.
extern const std::string ready_text;

} // namespace cuevoice::test
