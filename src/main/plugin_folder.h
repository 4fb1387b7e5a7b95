#pragma once
// Where the Cuevoice plug-in lies: beside the program, or in a developer's build tree.
#include <filesystem>
#include <optional>
#include <vector>

namespace cuevoice {

// The folders that may hold "generic\cuevoice.dll", in the order they are tried: the program
// folder's "plugins", then, when the program folder has three ancestors and the third one is not
// the root of a drive or of a share (C:\, \\server\share, where anybody may put one), its
// "plugin\build\plugins".
std::vector<std::filesystem::path>
plugin_folder_candidates(const std::filesystem::path& program_folder);

// The first candidate that holds the plug-in file.
std::optional<std::filesystem::path>
find_plugin_folder(const std::filesystem::path& program_folder);

} // namespace cuevoice
