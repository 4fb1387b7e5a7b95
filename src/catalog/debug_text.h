#pragma once
// Texts written the way Rust's Debug writes them, as the error messages show values.
#include <string>
#include <string_view>

namespace cuevoice {

// The text in double quotes, with quotes, backslashes and control characters escaped:
// volume gives "volume", a"b gives "a\"b".
std::string debug_quoted(std::string_view text);

} // namespace cuevoice
