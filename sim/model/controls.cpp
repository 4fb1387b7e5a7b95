#include "controls.h"

#include <algorithm>

namespace mixxxsim {

double Mapping::clamp(double value) const {
    if (kind == Kind::plain)
        return value;
    return std::clamp(value, low, high);
}

double Mapping::to_parameter(double value) const {
    switch (kind) {
    case Kind::plain:
        return value;
    case Kind::linear:
        return high == low ? 0.0 : (clamp(value) - low) / (high - low);
    case Kind::centered: {
        double v = clamp(value);
        if (v <= neutral)
            return neutral == low ? 0.5 : 0.5 * (v - low) / (neutral - low);
        return high == neutral ? 0.5 : 0.5 + 0.5 * (v - neutral) / (high - neutral);
    }
    }
    return value;
}

double Mapping::to_value(double parameter) const {
    if (kind == Kind::plain)
        return parameter;
    double p = std::clamp(parameter, 0.0, 1.0);
    if (kind == Kind::linear)
        return low + p * (high - low);
    if (p <= 0.5)
        return low + (neutral - low) * (p / 0.5);
    return neutral + (high - neutral) * ((p - 0.5) / 0.5);
}

void ControlStore::define(const std::string& group, const std::string& key, double value,
                          Mapping mapping) {
    Control& control = controls_[{group, key}];
    control.value = mapping.clamp(value);
    control.default_value = control.value;
    control.mapping = mapping;
}

void ControlStore::alias(const std::string& alias_group, const std::string& real_group) {
    aliases_[alias_group] = real_group;
}

std::string ControlStore::canonical_group(const std::string& group) const {
    auto it = aliases_.find(group);
    return it == aliases_.end() ? group : it->second;
}

const Control* ControlStore::find(const std::string& group, const std::string& key) const {
    auto it = controls_.find({canonical_group(group), key});
    return it == controls_.end() ? nullptr : &it->second;
}

bool ControlStore::exists(const std::string& group, const std::string& key) const {
    return find(group, key) != nullptr;
}

std::optional<double> ControlStore::get(const std::string& group, const std::string& key) const {
    const Control* control = find(group, key);
    if (!control)
        return std::nullopt;
    return control->value;
}

double ControlStore::value(const std::string& group, const std::string& key) const {
    return get(group, key).value_or(0.0);
}

bool ControlStore::put(const std::string& group, const std::string& key, double value) {
    std::string real = canonical_group(group);
    auto it = controls_.find({real, key});
    if (it == controls_.end())
        return false;
    double stored = it->second.mapping.clamp(value);
    if (stored != it->second.value) {
        it->second.value = stored;
        changes_.push_back({real, key, stored});
    }
    return true;
}

std::vector<Change> ControlStore::take_changes() {
    std::vector<Change> out;
    out.swap(changes_);
    return out;
}

} // namespace mixxxsim
