#pragma once
// Scenarios: the library, the effects, the options and the starting values of the simulated
// Mixxx, written as one JSON object (a file named by MIXXXSIM_SCENARIO, or the control channel).
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "mixxx_model.h"

namespace mixxxsim {

// Reads one library track; an error text names what is wrong.
std::variant<Track, std::string> track_from_json(const nlohmann::json& value);

// Applies the members that the object holds, in this order: options, "library", "selected",
// "effects", "load", "seek", "controls", "autodj_queue". `clock_running` receives "clock".
std::optional<std::string> apply_scenario(const nlohmann::json& scenario, MixxxModel& model,
                                          bool& clock_running);

} // namespace mixxxsim
