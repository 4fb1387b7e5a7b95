#pragma once
// Reading config.toml, and writing it so that a crash or a full disk never leaves half a file.
#include <filesystem>
#include <string>
#include <string_view>

#include "common/result.h"
#include "config/settings.h"
#include "config/settings_text.h"

namespace cuevoice {

// Reads, checks and maps the file: "cannot read {}: {}" when it cannot be read or is not UTF-8,
// "error in {}: {}" for TOML syntax and schema errors. A UTF-8 byte-order mark is dropped.
Result<Settings> read_settings_file(const std::filesystem::path& path);

// Replaces the file's contents in one step: the text goes to a temporary file in the same
// folder first, which then takes the file's place. "cannot write {}: {}" on failure, with the
// old file untouched.
Result<void> write_settings_file_atomically(const std::filesystem::path& path,
                                            std::string_view text);

// Creates the file with the text only when no file of that name exists; an existing file is
// never touched. Gives true when this call created it, false when a file was already there.
Result<bool> create_settings_file(const std::filesystem::path& path, std::string_view text);

} // namespace cuevoice
