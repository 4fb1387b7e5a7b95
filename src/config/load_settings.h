#pragma once
// Loading config.toml: first start, conversion of files written before 1.0, and a configured
// Mixxx path that no longer exists.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalog/binding.h"
#include "common/result.h"
#include "config/settings.h"

namespace cuevoice {

struct LoadedSettings {
    Settings settings;
    std::filesystem::path config_path;
    // True when this load found no file and wrote it from the first-start template.
    bool created = false;
};

// Where load_settings looks and what it calls; the plain overload uses the real ones.
struct SettingsLoadContext {
    std::filesystem::path folder;
    std::function<std::optional<std::string>()> find_mixxx;
    std::function<void(std::string)> log;
    // Copies config.toml to its backup; empty means the system's file copy. Gives the system
    // error code, 0 on success.
    std::function<unsigned long(const std::filesystem::path&, const std::filesystem::path&)>
        copy_file;
};

Result<LoadedSettings> load_settings(const SettingsLoadContext& context);
Result<LoadedSettings> load_settings();

// The default keys that versions before 1.0 copied into every config.toml.
Result<std::vector<Binding>> legacy_default_keys();

// True when no legacy entry equals the binding in all fifteen fields.
bool not_a_legacy_default(const std::vector<Binding>& legacy, const Binding& binding);

} // namespace cuevoice
