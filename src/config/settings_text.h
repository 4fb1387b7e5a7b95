#pragma once
// The settings file's text turned into Settings: everything of a load after the file's bytes are
// read, with no system call, so that it can be run on any bytes directly.
#include <string_view>

#include "common/result.h"
#include "config/settings.h"

namespace cuevoice {

// The file's bytes read as settings: "cannot read {}: stream did not contain valid UTF-8" when
// they are not UTF-8, "error in {}: {}" for TOML syntax and schema errors, `shown` being the
// path as messages show it. A UTF-8 byte-order mark is dropped.
Result<Settings> settings_from_file_bytes(std::string_view bytes, std::string_view shown);

// Parses a settings text and maps it onto Settings; the error is the library's or the
// schema's text, for the caller to wrap.
Result<Settings> parse_settings_text(std::string_view text, std::string_view source_name);

} // namespace cuevoice
