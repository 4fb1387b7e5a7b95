#pragma once
#include <filesystem>
#include <optional>

namespace cuevoice {

// The folder of the running program, when it can be determined.
std::optional<std::filesystem::path> program_folder();

} // namespace cuevoice
