#pragma once
#include <string_view>

namespace cuevoice {

// True for exactly the controls that the announcer speaks by itself, compared after deck
// filling; actions stay silent about those while announcements are on.
bool announcer_reports(std::string_view group, std::string_view key);

} // namespace cuevoice
