#pragma once
// Thin reads of the Windows registry.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace cuevoice {

// A REG_SZ value as text (invalid UTF-16 replaced by U+FFFD), cut at its first NUL; none for
// any error, a missing value or another value type.
std::optional<std::string> read_registry_string(HKEY root, std::wstring_view subkey,
                                                std::wstring_view value_name);

// The names of a key's subkeys in enumeration order, up to the first enumeration error (a name
// longer than 255 characters ends it); none when the key cannot be opened for reading.
std::optional<std::vector<std::wstring>> registry_subkey_names(HKEY root, std::wstring_view path);

} // namespace cuevoice
