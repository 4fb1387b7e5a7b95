#pragma once
// Maps TOML tables onto Binding and RawFunction, with serde-like error texts.
#include <string>
#include <string_view>
#include <vector>

#include "common/toml.h"

#include "catalog/binding.h"
#include "common/result.h"

namespace cuevoice {

// Reads a whole catalogue text: its [[function]] tables in document order.
Result<std::vector<RawFunction>> deserialize_catalog_document(std::string_view text);

// Reads one binding table (a [[keys]] entry of the settings file).
Result<Binding> deserialize_binding(const toml::table& table);

// The text "invalid type: {found}, expected {expected}" for a value of the wrong kind, such as
// "invalid type: integer `1`, expected a string".
std::string invalid_type_text(const toml::node& found, std::string_view expected);

// The text of a TOML syntax error: its line and column, the offending line, the parser's words.
std::string toml_syntax_error_text(const toml::parse_error& error, std::string_view text);

} // namespace cuevoice
