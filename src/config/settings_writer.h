#pragma once
// The TOML text that the program writes into config.toml: quoted strings, arrays of texts, the
// [shortcuts] lines, the [[keys]] tables and the whole converted file.
#include <string>
#include <string_view>
#include <vector>

#include "catalog/binding.h"
#include "config/settings.h"

namespace cuevoice {

// A TOML string literal for the text: between apostrophes when it holds none and no control
// character but tabs, else a basic string with backslashes, double quotes and control
// characters escaped. Either way it stays on one line.
std::string quote_toml_string(std::string_view text);

// A TOML basic string: between double quotes, with backslashes, double quotes and control
// characters escaped, so that it stays on one line.
std::string toml_basic_string(std::string_view text);

// An inline array of string literals: ['ctrl+p', 'alt+p'], or [] for none.
std::string toml_string_array(const std::vector<std::string>& texts);

// One [shortcuts] line as the template's example shows it: "play" = ["ctrl+p", "alt+p"] and a
// line feed; the id and the keys are basic strings, escaped where TOML needs it.
std::string shortcut_line(const std::string& id, const std::vector<std::string>& keys);

// One [[keys]] table with the fields the binding has, in Binding order, `key` and `action`
// always; `deck` as an integer, `value` and `step` as floats, `repeat` as a boolean.
std::string keys_table_text(const Binding& binding);

// The converted file: the template with the given [general] values, the [shortcuts] entries
// in the section, then the kept [[keys]] entries.
std::string converted_settings_text(const Settings& settings);

} // namespace cuevoice
