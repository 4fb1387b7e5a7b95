#pragma once
// The plain-text reference of every built-in function and its default keys. It reflects the
// built-in catalogue only: the user's settings never appear in it.
#include <string>
#include <vector>

#include "catalog/catalog.h"

namespace cuevoice {

// Lines end with a single line feed.
std::string build_keys_reference();
std::string build_keys_reference(const std::vector<FunctionEntry>& functions);

} // namespace cuevoice
