#pragma once
#include <string>
#include <string_view>

namespace cuevoice {

// The first character in upper case, the rest unchanged: "headphones on" gives "Headphones on",
// "ß" gives "SS". Text that does not start with a valid character stays as it is.
std::string capitalize_first(std::string_view text);

} // namespace cuevoice
