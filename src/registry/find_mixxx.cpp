#include "registry/find_mixxx.h"

#include <array>
#include <system_error>

#include <windows.h>

#include "common/environment.h"
#include "common/files.h"
#include "common/text.h"
#include "registry/registry.h"

namespace cuevoice {
namespace {

constexpr std::wstring_view own_key = L"Software\\Cuevoice";
constexpr std::wstring_view own_value = L"MixxxPath";
constexpr std::array<std::wstring_view, 2> uninstall_keys{
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};
constexpr std::array<const wchar_t*, 3> program_files_variables{
    L"ProgramW6432",
    L"ProgramFiles",
    L"ProgramFiles(x86)",
};

HKEY root_key(RegistryRoot root) {
    return root == RegistryRoot::current_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

std::optional<std::string> from_own_value(const MixxxSearchSources& sources) {
    // HKLM only speaks when HKCU holds no value at all; a stale HKCU value is not replaced.
    auto value = sources.registry_string(RegistryRoot::current_user, own_key, own_value);
    if (!value)
        value = sources.registry_string(RegistryRoot::local_machine, own_key, own_value);
    if (value && !value->empty() && sources.exists(std::filesystem::path(to_wide(*value))))
        return value;
    return std::nullopt;
}

std::optional<std::string> from_uninstall_entries(const MixxxSearchSources& sources) {
    for (RegistryRoot root : {RegistryRoot::local_machine, RegistryRoot::current_user}) {
        for (std::wstring_view uninstall : uninstall_keys) {
            auto names = sources.subkey_names(root, uninstall);
            if (!names)
                continue;
            for (const std::wstring& name : *names) {
                std::wstring key = std::wstring(uninstall) + L"\\" + name;
                auto display_name = sources.registry_string(root, key, L"DisplayName");
                if (!display_name || *display_name != "Mixxx")
                    continue;
                auto location = sources.registry_string(root, key, L"InstallLocation");
                // An empty location names no folder; joining it would probe the working folder.
                if (!location || location->empty())
                    continue;
                std::filesystem::path candidate =
                    std::filesystem::path(to_wide(*location)) / L"mixxx.exe";
                if (sources.exists(candidate))
                    return path_text(candidate);
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> from_program_folders(const MixxxSearchSources& sources) {
    std::vector<std::filesystem::path> candidates;
    std::size_t position = 0;
    while (auto candidate =
               next_program_files_candidate(program_files_variables, position, sources))
        candidates.push_back(std::move(*candidate));
    if (auto local = sources.variable(L"LOCALAPPDATA"))
        candidates.push_back(std::filesystem::path(*local) / L"Programs" / L"Mixxx" / L"mixxx.exe");
    for (const auto& candidate : candidates)
        if (sources.exists(candidate))
            return path_text(candidate);
    return std::nullopt;
}

} // namespace

MixxxSearchSources system_mixxx_search_sources() {
    return {
        .registry_string =
            [](RegistryRoot root, std::wstring_view subkey, std::wstring_view value_name) {
                return read_registry_string(root_key(root), subkey, value_name);
            },
        .subkey_names =
            [](RegistryRoot root, std::wstring_view path) {
                return registry_subkey_names(root_key(root), path);
            },
        .exists = [](const std::filesystem::path& path) { return path_exists(path); },
        .variable = [](const wchar_t* name) { return environment_variable(name); },
    };
}

std::optional<std::filesystem::path>
next_program_files_candidate(std::span<const wchar_t* const> names, std::size_t& position,
                             const MixxxSearchSources& sources) {
    while (position < names.size()) {
        auto value = sources.variable(names[position++]);
        if (value)
            return std::filesystem::path(*value) / L"Mixxx" / L"mixxx.exe";
    }
    return std::nullopt;
}

std::optional<std::string> find_mixxx(const MixxxSearchSources& sources) {
    if (auto found = from_own_value(sources))
        return found;
    if (auto found = from_uninstall_entries(sources))
        return found;
    return from_program_folders(sources);
}

std::optional<std::string> find_mixxx() {
    return find_mixxx(system_mixxx_search_sources());
}

} // namespace cuevoice
