#include "main/plugin_folder.h"

#include <system_error>

namespace cuevoice {

std::vector<std::filesystem::path>
plugin_folder_candidates(const std::filesystem::path& program_folder) {
    std::vector<std::filesystem::path> candidates{program_folder / "plugins"};
    std::filesystem::path ancestor = program_folder;
    for (int level = 0; level < 3; ++level) {
        std::filesystem::path parent = ancestor.parent_path();
        // A root is its own parent: there is no ancestor above it.
        if (parent.empty() || parent == ancestor)
            return candidates;
        ancestor = parent;
    }
    candidates.push_back(ancestor / "plugin" / "build" / "plugins");
    return candidates;
}

std::optional<std::filesystem::path>
find_plugin_folder(const std::filesystem::path& program_folder) {
    for (const std::filesystem::path& folder : plugin_folder_candidates(program_folder)) {
        // A folder of that name is no plug-in: Mixxx could not load it.
        std::error_code error;
        if (std::filesystem::is_regular_file(folder / "generic" / "cuevoice.dll", error))
            return folder;
    }
    return std::nullopt;
}

} // namespace cuevoice
