#pragma once
// The control store of the simulated Mixxx: every control by group and key, its value, how its
// value maps to the normalised 0..1 parameter, and the changes made since they were last taken.
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mixxxsim {

// How a control's value relates to its parameter (the knob position from 0 to 1).
struct Mapping {
    enum class Kind {
        // value = parameter: buttons, switches and plain numbers (no limits).
        plain,
        // value = low + parameter * (high - low): faders and knobs with a linear range.
        linear,
        // Gain-like knobs: parameter 0..0.5 is low..neutral, 0.5..1 is neutral..high.
        centered,
    };
    Kind kind = Kind::plain;
    double low = 0.0;
    double neutral = 0.0;
    double high = 1.0;

    double to_parameter(double value) const;
    double to_value(double parameter) const;
    double clamp(double value) const;
};

struct Control {
    double value = 0.0;
    double default_value = 0.0;
    Mapping mapping;
};

struct Change {
    std::string group;
    std::string key;
    double value = 0.0;
};

using Address = std::pair<std::string, std::string>;

class ControlStore {
public:
    // Adds a control, or resets an existing one to the given definition.
    void define(const std::string& group, const std::string& key, double value,
                Mapping mapping = {});
    bool exists(const std::string& group, const std::string& key) const;
    std::optional<double> get(const std::string& group, const std::string& key) const;
    // Stores a value (clamped to the control's range) and records a change when it differs.
    // Returns false for an unknown control.
    bool put(const std::string& group, const std::string& key, double value);
    // The control's value; 0 for an unknown one (for internal reads of controls that exist).
    double value(const std::string& group, const std::string& key) const;
    const Control* find(const std::string& group, const std::string& key) const;

    // A group name that stands for another one (Mixxx keeps "[Master]" as an alias of "[Main]").
    void alias(const std::string& alias_group, const std::string& real_group);
    std::string canonical_group(const std::string& group) const;

    std::vector<Change> take_changes();
    std::size_t size() const { return controls_.size(); }

private:
    std::map<Address, Control> controls_;
    std::map<std::string, std::string> aliases_;
    std::vector<Change> changes_;
};

} // namespace mixxxsim
