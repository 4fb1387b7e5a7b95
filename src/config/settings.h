#pragma once
// The user's settings file, config.toml: its location, its records and its first-start text.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/binding.h"
#include "common/result.h"

namespace cuevoice {

inline constexpr std::uint16_t default_port = 52764;

// The [general] table.
struct General {
    std::string mixxx_path;
    std::vector<std::string> mixxx_args;
    std::uint16_t port = default_port;

    bool operator==(const General&) const = default;
};

struct Settings {
    General general;
    // Function id to its key texts; std::map keeps the ids in ascending byte order.
    std::map<std::string, std::vector<std::string>> shortcuts;
    // The [[keys]] entries in file order.
    std::vector<Binding> keys;

    bool operator==(const Settings&) const = default;
};

// The folder of config.toml: the APPDATA folder's Cuevoice, or the temporary folder's when
// APPDATA is not set. Nothing is created.
std::filesystem::path settings_folder();
std::filesystem::path settings_folder(const std::optional<std::wstring>& app_data,
                                      const std::filesystem::path& temp);

// The first-start template, with the mixxx_path, mixxx_args and port lines replaced by the
// values that are given.
std::string
settings_template_text(const std::optional<std::string>& mixxx_path = std::nullopt,
                       const std::optional<std::vector<std::string>>& mixxx_args = std::nullopt,
                       std::optional<std::uint16_t> port = std::nullopt);

} // namespace cuevoice
