#include <gtest/gtest.h>

#include <algorithm>

#include "common/text.h"
#include "registry/find_mixxx.h"
#include "registry/registry.h"
#include "registry_fixture.h"
#include "test_support.h"

namespace cuevoice {
namespace {

using test::ScopedRegistryAbsence;
using test::ScopedRegistryValue;

std::wstring test_key() {
    return L"Software\\CuevoiceTests-" + std::to_wstring(GetCurrentProcessId());
}

std::vector<BYTE> dword_bytes(DWORD value) {
    const BYTE* begin = reinterpret_cast<const BYTE*>(&value);
    return std::vector<BYTE>(begin, begin + sizeof value);
}

TEST(Registry, ReadsOnlyStringValues) {
    const std::wstring key = test_key();
    const std::wstring path = L"C:\\M\u00fcx \u266b\\mixxx.exe";
    std::wstring with_nul = L"abc";
    with_nul += L'\0';
    with_nul += L"def";
    ScopedRegistryValue text(HKEY_CURRENT_USER, key, L"Text", REG_SZ,
                             ScopedRegistryValue::text_bytes(path));
    ScopedRegistryValue empty(HKEY_CURRENT_USER, key, L"Empty", REG_SZ,
                              ScopedRegistryValue::text_bytes(L""));
    ScopedRegistryValue cut(HKEY_CURRENT_USER, key, L"Cut", REG_SZ,
                            ScopedRegistryValue::text_bytes(with_nul));
    ScopedRegistryValue expand(HKEY_CURRENT_USER, key, L"Expand", REG_EXPAND_SZ,
                               ScopedRegistryValue::text_bytes(L"%ProgramFiles%\\Mixxx"));
    ScopedRegistryValue number(HKEY_CURRENT_USER, key, L"Number", REG_DWORD, dword_bytes(7));

    EXPECT_EQ(read_registry_string(HKEY_CURRENT_USER, key, L"Text"), to_utf8(path));
    EXPECT_EQ(read_registry_string(HKEY_CURRENT_USER, key, L"Empty"), "");
    EXPECT_EQ(read_registry_string(HKEY_CURRENT_USER, key, L"Cut"), "abc");
    EXPECT_EQ(read_registry_string(HKEY_CURRENT_USER, key, L"Expand"), std::nullopt);
    EXPECT_EQ(read_registry_string(HKEY_CURRENT_USER, key, L"Number"), std::nullopt);
    EXPECT_EQ(read_registry_string(HKEY_CURRENT_USER, key, L"Missing"), std::nullopt);
    EXPECT_EQ(read_registry_string(HKEY_CURRENT_USER, key + L"\\Nowhere", L"Text"), std::nullopt);
}

TEST(Registry, ListsSubkeyNames) {
    const std::wstring key = test_key();
    ScopedRegistryValue one(HKEY_CURRENT_USER, key + L"\\one", L"v", REG_DWORD, dword_bytes(1));
    ScopedRegistryValue two(HKEY_CURRENT_USER, key + L"\\two", L"v", REG_DWORD, dword_bytes(2));
    auto names = registry_subkey_names(HKEY_CURRENT_USER, key);
    ASSERT_TRUE(names.has_value());
    std::sort(names->begin(), names->end());
    EXPECT_EQ(*names, (std::vector<std::wstring>{L"one", L"two"}));
    EXPECT_EQ(registry_subkey_names(HKEY_CURRENT_USER, key + L"\\none"), std::nullopt);
}

// The program's own value and a stand-in uninstall entry in the test prefix's real registry.
class RealSearch : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::filesystem::path exe = folder.path() / L"mixxx.exe";
    ScopedRegistryAbsence no_user_value{HKEY_CURRENT_USER, L"Software\\Cuevoice", L"MixxxPath"};
    ScopedRegistryAbsence no_machine_value{HKEY_LOCAL_MACHINE, L"Software\\Cuevoice", L"MixxxPath"};

    void SetUp() override { test::write_file(exe, "stand-in"); }
};

TEST_F(RealSearch, FindsTheOwnRegistryValue) {
    ScopedRegistryValue value(HKEY_CURRENT_USER, L"Software\\Cuevoice", L"MixxxPath", REG_SZ,
                              ScopedRegistryValue::text_bytes(exe.wstring()));
    EXPECT_EQ(find_mixxx(), to_utf8(exe.wstring()));
}

TEST_F(RealSearch, FindsAnUninstallEntry) {
    const std::wstring entry = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                               L"CuevoiceTestMixxx-" +
                               std::to_wstring(GetCurrentProcessId());
    ScopedRegistryValue name(HKEY_CURRENT_USER, entry, L"DisplayName", REG_SZ,
                             ScopedRegistryValue::text_bytes(L"Mixxx"));
    ScopedRegistryValue location(HKEY_CURRENT_USER, entry, L"InstallLocation", REG_SZ,
                                 ScopedRegistryValue::text_bytes(folder.path().wstring()));
    EXPECT_EQ(find_mixxx(), to_utf8(exe.wstring()));
}

TEST_F(RealSearch, FindMixxxSwitchPrintsThePath) {
    ScopedRegistryValue value(HKEY_CURRENT_USER, L"Software\\Cuevoice", L"MixxxPath", REG_SZ,
                              ScopedRegistryValue::text_bytes(exe.wstring()));
    auto result =
        test::run_process(test::bin_folder() / "cuevoice.exe", {.arguments = {"--find-mixxx"}});
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(result.out, to_utf8(exe.wstring()) + "\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(RealSearch, FindMixxxSwitchReportsNothingFound) {
    // Without the program-folder variables only the registry can answer; this prefix has no
    // Mixxx uninstall entry unless something else installed one.
    MixxxSearchSources without_variables = system_mixxx_search_sources();
    without_variables.variable = [](const wchar_t*) { return std::optional<std::wstring>(); };
    // The build's own prefix never holds one: an entry there means the test cannot tell.
    ASSERT_FALSE(find_mixxx(without_variables))
        << "the test prefix holds a Mixxx uninstall entry; remove it and run again";
    auto result = test::run_process(
        test::bin_folder() / "cuevoice.exe",
        {.arguments = {"--find-mixxx"},
         .environment = {"ProgramW6432", "ProgramFiles", "ProgramFiles(x86)", "LOCALAPPDATA"}});
    EXPECT_EQ(result.exit_code, 1u);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Mixxx not found\n");
}

} // namespace
} // namespace cuevoice
