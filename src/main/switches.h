#pragma once
#include <string>
#include <vector>

namespace cuevoice {

// The command-line switches other than --version; each returns the exit code.
int write_keys_switch(const std::vector<std::string>& arguments);
int find_mixxx_switch();
int open_settings_switch();
int list_controls_switch();

} // namespace cuevoice
