#pragma once
// Looks for an installed mixxx.exe: the program's own registry value, the uninstall entries,
// then the usual program folders. It never starts anything and never reports an error.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cuevoice {

enum class RegistryRoot { current_user, local_machine };

// What the search reads from the system; tests put their own in.
struct MixxxSearchSources {
    std::function<std::optional<std::string>(RegistryRoot, std::wstring_view subkey,
                                             std::wstring_view value_name)>
        registry_string;
    std::function<std::optional<std::vector<std::wstring>>(RegistryRoot, std::wstring_view path)>
        subkey_names;
    // True when the file's metadata can be read.
    std::function<bool(const std::filesystem::path&)> exists;
    std::function<std::optional<std::wstring>(const wchar_t* name)> variable;
};

// The real registry, file system and environment.
MixxxSearchSources system_mixxx_search_sources();

// For the next of `names` from `position` on that is set: its value + Mixxx\mixxx.exe.
// `position` moves past the variable used; none when no further variable is set.
std::optional<std::filesystem::path>
next_program_files_candidate(std::span<const wchar_t* const> names, std::size_t& position,
                             const MixxxSearchSources& sources);

std::optional<std::string> find_mixxx(const MixxxSearchSources& sources);
std::optional<std::string> find_mixxx();

} // namespace cuevoice
