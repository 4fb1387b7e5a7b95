#pragma once
// One plug-in connection as the product sees it: the handshake, every request with its reply,
// the watched controls and their change events, and the faults that tests switch on.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "mixxx_model.h"

namespace mixxxsim {

using nlohmann::json;

// A misbehaviour for requests of one command ("*": every command).
struct Fault {
    enum class Mode {
        fail,         // answer "ok": false with `error`
        delay,        // answer after `delay_ms`
        silent,       // never answer, do nothing
        garbage,      // send a line that is not JSON, then the answer
        invalid_utf8, // send a line with bytes that are not UTF-8 instead of the answer
        huge,         // pad the answer with `size` bytes
        wrong_id,     // answer with an id that no request carries
        drop,         // close the connection without answering
    };
    std::string command = "*";
    Mode mode = Mode::fail;
    std::string error = "simulated failure";
    int delay_ms = 0;
    std::size_t size = 1 << 20;
    std::string text = "this is not json";
    int times = -1; // how many requests it still hits; -1 for all
};

std::optional<Fault::Mode> parse_fault_mode(const std::string& name);

class Faults {
public:
    void add(Fault fault);
    void clear();
    // The fault that hits the next request of this command, counting it down.
    std::optional<Fault> take(const std::string& command);
    std::size_t size() const;

private:
    mutable std::mutex mutex_;
    std::vector<Fault> faults_;
};

// A line to write, possibly after a pause.
struct Outgoing {
    std::string bytes; // including the final "\n"
    int delay_ms = 0;
};

struct SessionOutput {
    std::vector<Outgoing> lines;
    bool close = false;
};

// Compact JSON as the plug-in writes it; invalid UTF-8 in texts is replaced, never thrown.
std::string json_line(const json& value);

class Session {
public:
    explicit Session(std::string token) : token_(std::move(token)) {}

    // Handles one received line (without its line end). The model is locked by the caller.
    SessionOutput handle_line(const std::string& line, MixxxModel& model, Faults& faults);
    // The event lines for the given changes of watched controls.
    std::vector<std::string> events_for(const std::vector<Change>& changes,
                                        const ControlStore& store) const;
    bool authenticated() const { return authenticated_; }
    std::size_t watch_count() const { return watches_.size(); }
    // Log lines the plug-in writes (the widget list of "dumpwidgets").
    std::vector<std::string> take_log() { return std::exchange(log_, {}); }

private:
    json answer(const json& request, const std::string& command, MixxxModel& model, bool& close);

    std::string token_;
    bool authenticated_ = false;
    // Canonical address -> the group names under which the product watched it.
    std::map<Address, std::set<std::string>> watches_;
    std::vector<std::string> log_;
};

} // namespace mixxxsim
