#pragma once
// A parsed settings document mapped onto Settings; the one header of the settings that brings
// the TOML library, for the files that read the file.
#include <vector>

#include "catalog/binding.h"
#include "common/result.h"
#include "common/toml.h"
#include "config/settings.h"

namespace cuevoice {

// Reads an array of [[keys]] tables, each a Binding.
Result<std::vector<Binding>> deserialize_binding_list(const toml::node& node);

// Maps a parsed settings document onto Settings.
Result<Settings> deserialize_settings(const toml::table& document);

} // namespace cuevoice
