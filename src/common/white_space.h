#pragma once
// Unicode White_Space trimming of UTF-8 text. A malformed byte is never white space.
#include <string_view>

namespace cuevoice {

// Unicode's White_Space property.
bool is_white_space(char32_t c);

std::string_view trim_white_space(std::string_view text);
std::string_view trim_white_space_end(std::string_view text);

} // namespace cuevoice
