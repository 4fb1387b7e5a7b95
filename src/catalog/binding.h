#pragma once
// The records of the catalogue text and of the settings file's [[keys]] entries.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cuevoice {

// One key binding or function body. Optional fields keep "absent" apart from every value;
// the field order is the order in which a binding is written back to the settings file.
struct Binding {
    std::string key;
    std::string action;
    std::optional<std::uint8_t> deck;
    std::optional<std::string> group;
    std::optional<std::string> control;
    std::optional<double> value;
    std::optional<double> step;
    std::optional<std::string> what;
    std::optional<std::string> label;
    std::optional<std::string> format;
    std::optional<std::string> report;
    std::optional<std::string> report_label;
    std::optional<std::string> report_format;
    std::optional<std::string> confirm;
    std::optional<bool> repeat;

    bool operator==(const Binding&) const = default;
};

// One [[function]] table as written, before template expansion.
struct RawFunction {
    std::string id;
    std::string name;
    std::string category;
    std::vector<std::string> keys;
    std::vector<std::string> values;
    std::vector<std::string> names;
    std::vector<std::string> values2;
    std::vector<std::string> keys_each;
    Binding binding;

    bool operator==(const RawFunction&) const = default;
};

} // namespace cuevoice
