#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "registry/find_mixxx.h"

namespace cuevoice {
namespace {

constexpr RegistryRoot hkcu = RegistryRoot::current_user;
constexpr RegistryRoot hklm = RegistryRoot::local_machine;
const std::wstring uninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::wstring uninstall32 =
    L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A registry, file system and environment made of plain tables.
struct FakeSystem {
    std::map<std::tuple<RegistryRoot, std::wstring, std::wstring>, std::string> values;
    std::map<std::pair<RegistryRoot, std::wstring>, std::vector<std::wstring>> keys;
    std::set<std::wstring> files;
    std::map<std::wstring, std::wstring> variables;
    std::vector<std::tuple<RegistryRoot, std::wstring, std::wstring>> reads;

    void own_value(RegistryRoot root, const std::string& path) {
        values[{root, L"Software\\Cuevoice", L"MixxxPath"}] = path;
    }
    void entry(RegistryRoot root, const std::wstring& path, const std::wstring& name,
               const std::string& display_name, std::optional<std::string> location) {
        keys[{root, path}].push_back(name);
        values[{root, path + L"\\" + name, L"DisplayName"}] = display_name;
        if (location)
            values[{root, path + L"\\" + name, L"InstallLocation"}] = *location;
    }

    MixxxSearchSources sources() {
        return {
            .registry_string =
                [this](RegistryRoot root, std::wstring_view key, std::wstring_view name) {
                    std::tuple<RegistryRoot, std::wstring, std::wstring> at{root, std::wstring(key),
                                                                            std::wstring(name)};
                    reads.push_back(at);
                    auto found = values.find(at);
                    return found == values.end() ? std::nullopt
                                                 : std::optional<std::string>(found->second);
                },
            .subkey_names =
                [this](RegistryRoot root, std::wstring_view path) {
                    auto found = keys.find({root, std::wstring(path)});
                    return found == keys.end()
                               ? std::nullopt
                               : std::optional<std::vector<std::wstring>>(found->second);
                },
            .exists =
                [this](const std::filesystem::path& path) {
                    return files.count(path.wstring()) > 0;
                },
            .variable =
                [this](const wchar_t* name) {
                    auto found = variables.find(name);
                    return found == variables.end() ? std::nullopt
                                                    : std::optional<std::wstring>(found->second);
                },
        };
    }
};

TEST(FindMixxx, OwnValueComesFirstAndHklmOnlyWhenHkcuHasNone) {
    FakeSystem system;
    system.files = {L"C:\\user\\mixxx.exe", L"C:\\machine\\mixxx.exe",
                    L"C:\\Program Files\\Mixxx\\mixxx.exe"};
    system.variables[L"ProgramFiles"] = L"C:\\Program Files";
    system.own_value(hklm, "C:\\machine\\mixxx.exe");
    EXPECT_EQ(find_mixxx(system.sources()), "C:\\machine\\mixxx.exe");

    system.own_value(hkcu, "C:\\user\\mixxx.exe");
    EXPECT_EQ(find_mixxx(system.sources()), "C:\\user\\mixxx.exe");

    // A stale or empty HKCU value is not replaced by HKLM's: the search goes on elsewhere.
    for (std::string stale : {"C:\\deleted\\mixxx.exe", ""}) {
        system.own_value(hkcu, stale);
        system.reads.clear();
        EXPECT_EQ(find_mixxx(system.sources()), "C:\\Program Files\\Mixxx\\mixxx.exe");
        for (const auto& read : system.reads)
            EXPECT_FALSE(std::get<0>(read) == hklm && std::get<2>(read) == L"MixxxPath");
    }
}

TEST(FindMixxx, UninstallEntriesNamedExactlyMixxxInRootAndKeyOrder) {
    FakeSystem system;
    system.files = {L"C:\\hkcu\\mixxx.exe", L"C:\\wow\\mixxx.exe", L"C:\\versioned\\mixxx.exe",
                    L"C:\\native\\mixxx.exe", L"C:\\Program Files\\Mixxx\\mixxx.exe"};
    system.variables[L"ProgramFiles"] = L"C:\\Program Files";
    system.entry(hkcu, uninstall, L"Mixxx", "Mixxx", "C:\\hkcu\\");
    EXPECT_EQ(find_mixxx(system.sources()), "C:\\hkcu\\mixxx.exe");

    system.entry(hklm, uninstall32, L"Mixxx", "Mixxx", "C:\\wow");
    EXPECT_EQ(find_mixxx(system.sources()), "C:\\wow\\mixxx.exe");

    // Entries that do not qualify are passed over: another display name, a name with a
    // version, a different case, no location, an empty location, a missing file.
    system.entry(hklm, uninstall, L"a", "Mixxx 2.4.1", "C:\\versioned\\");
    system.entry(hklm, uninstall, L"b", "mixxx", "C:\\versioned\\");
    system.entry(hklm, uninstall, L"c", "Mixxx", std::nullopt);
    system.entry(hklm, uninstall, L"d", "Mixxx", "");
    system.entry(hklm, uninstall, L"e", "Mixxx", "C:\\gone\\");
    EXPECT_EQ(find_mixxx(system.sources()), "C:\\wow\\mixxx.exe");

    system.entry(hklm, uninstall, L"f", "Mixxx", "C:\\native\\");
    EXPECT_EQ(find_mixxx(system.sources()), "C:\\native\\mixxx.exe");
}

TEST(FindMixxx, ProgramFoldersInVariableOrderThenLocalPrograms) {
    struct Case {
        std::map<std::wstring, std::wstring> variables;
        std::set<std::wstring> files;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {{{L"ProgramW6432", L"C:\\A"}, {L"ProgramFiles", L"C:\\B"}},
         {L"C:\\A\\Mixxx\\mixxx.exe", L"C:\\B\\Mixxx\\mixxx.exe"},
         "C:\\A\\Mixxx\\mixxx.exe"},
        {{{L"ProgramW6432", L"C:\\A"}, {L"ProgramFiles(x86)", L"C:\\C"}},
         {L"C:\\C\\Mixxx\\mixxx.exe"},
         "C:\\C\\Mixxx\\mixxx.exe"},
        {{{L"ProgramFiles", L"C:\\B"}, {L"LOCALAPPDATA", L"C:\\L"}},
         {L"C:\\L\\Programs\\Mixxx\\mixxx.exe"},
         "C:\\L\\Programs\\Mixxx\\mixxx.exe"},
        {{{L"ProgramFiles", L"C:\\B"}}, {L"C:\\L\\Programs\\Mixxx\\mixxx.exe"}, std::nullopt},
        {{}, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        FakeSystem system;
        system.variables = c.variables;
        system.files = c.files;
        EXPECT_EQ(find_mixxx(system.sources()), c.expected);
    }
}

TEST(FindMixxx, ProgramFilesCandidatesSkipUnsetVariables) {
    FakeSystem system;
    system.variables = {{L"ProgramW6432", L"C:\\P"}, {L"ProgramFiles(x86)", L"C:\\X"}};
    const wchar_t* const names[] = {L"ProgramW6432", L"ProgramFiles", L"ProgramFiles(x86)"};
    std::size_t position = 0;
    auto sources = system.sources();
    EXPECT_EQ(next_program_files_candidate(names, position, sources),
              std::filesystem::path(L"C:\\P\\Mixxx\\mixxx.exe"));
    EXPECT_EQ(next_program_files_candidate(names, position, sources),
              std::filesystem::path(L"C:\\X\\Mixxx\\mixxx.exe"));
    EXPECT_EQ(next_program_files_candidate(names, position, sources), std::nullopt);
}

} // namespace
} // namespace cuevoice
