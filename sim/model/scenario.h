#pragma once
// Scenarios: the library, the effects, the options and the starting values of the simulated
// Mixxx, written as one JSON object (a file named by MIXXXSIM_SCENARIO, or the control channel).
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "mixxx_model.h"

namespace mixxxsim {

// A whole number of at least 0 (written from C++ as a signed one, or parsed from text).
inline bool is_count(const nlohmann::json& value) {
    return value.is_number_integer() &&
           (value.is_number_unsigned() || value.get<std::int64_t>() >= 0);
}

// Reads one library track; an error text names what is wrong.
std::variant<Track, std::string> track_from_json(const nlohmann::json& value);

// Applies the members that the object holds, in this order: options, "library", "selected",
// "effects", "load", "seek", "controls", "autodj_queue". `clock_running` receives "clock".
// With `fresh`, the model is first rebuilt from the options (so the counts can also shrink);
// a fresh model's starting values give no change events.
std::optional<std::string> apply_scenario(const nlohmann::json& scenario, MixxxModel& model,
                                          bool& clock_running, bool fresh = false);

} // namespace mixxxsim
