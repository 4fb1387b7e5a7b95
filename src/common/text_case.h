#pragma once
// Case-free comparison of what people type with what the program shows: full Unicode lower
// case and splitting at Unicode white space, on UTF-8 text; and a first character put in upper
// case, as key names are shown.
#include <string>
#include <string_view>
#include <vector>

namespace cuevoice {

// The text in lower case, with Unicode's full mappings: the system's one-to-one mapping, plus
// the capital I with dot above becoming two characters and a capital sigma at the end of a
// word becoming the final sigma. Bytes that are not UTF-8 become U+FFFD.
std::string lower_case_text(std::string_view utf8);

// The pieces between runs of Unicode white space; empty pieces are dropped.
std::vector<std::string> split_at_white_space(std::string_view utf8);

// The first character in upper case by the system's Unicode tables, the rest as it is. Text that
// does not start with a valid character stays as it is.
std::string upper_case_first_character(std::string_view utf8);

} // namespace cuevoice
