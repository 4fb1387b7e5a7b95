#include "main/plugin_folder.h"

#include <system_error>

#include "common/checkout_folder.h"

namespace cuevoice {

std::vector<std::filesystem::path>
plugin_folder_candidates(const std::filesystem::path& program_folder) {
    std::vector<std::filesystem::path> candidates{program_folder / "plugins"};
    if (auto checkout = checkout_folder(program_folder, 3))
        candidates.push_back(*checkout / "plugin" / "build" / "plugins");
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
