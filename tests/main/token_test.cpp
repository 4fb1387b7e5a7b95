// The token and its keyed hash, the Mixxx command line and environment, and where the plug-in
// and a running Mixxx are looked for.
#include <windows.h>
#include <shellapi.h>

#include <regex>

#include <gtest/gtest.h>

#include "common/siphash.h"
#include "common/text.h"
#include "config/settings.h"
#include "main/launch_mixxx.h"
#include "main/plugin_folder.h"
#include "main/running_mixxx.h"
#include "main/token.h"
#include "test_support.h"

using namespace cuevoice;
using namespace cuevoice::test;
using Strings = std::vector<std::string>;
using WStrings = std::vector<std::wstring>;

namespace {

std::vector<std::uint8_t> bytes_0_to(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::vector<std::uint8_t> little_endian(std::uint64_t value) {
    std::vector<std::uint8_t> bytes(8);
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return bytes;
}

// The key 00 01 .. 0f of the reference vectors.
const SipKey reference_key{0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull};

// What a program started with this command line receives, split by the system's own rules.
Strings split_by_windows(const std::wstring& command_line) {
    int count = 0;
    wchar_t** split = CommandLineToArgvW(command_line.c_str(), &count);
    Strings arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(to_utf8(split[i]));
    LocalFree(split);
    return arguments;
}

} // namespace

TEST(SipHash, TwoFourMatchesThePublishedReferenceVector) {
    // The paper's example: 15 bytes 00..0e under the key 00..0f.
    EXPECT_EQ(siphash(reference_key, bytes_0_to(15), 2, 4), 0xa129ca6149be45e5ull);
}

TEST(SipHash, OneThreeMatchesAnIndependentImplementation) {
    // Values of Rust's standard SipHasher13 (its DefaultHasher, keys 0 and 0) over raw bytes.
    const SipKey zero{0, 0};
    EXPECT_EQ(siphash_1_3(zero, {}), 0xd1fba762150c532cull);
    EXPECT_EQ(siphash_1_3(zero, bytes_0_to(15)), 0xf30eb725bb91c9eaull);
    EXPECT_EQ(siphash_1_3(zero, bytes_0_to(64)), 0x75e05fd5bbc870c6ull);
    EXPECT_EQ(siphash_1_3(zero, little_endian(1234)), 0xf44696efdeb4c0d9ull);
}

TEST(Token, TwoHalvesOfSipHashOfTheProcessIdAsLowerCaseHex) {
    const SipKey first{1, 2};
    const SipKey second{3, 4};
    std::string token = token_from_keys(1234, first, second);
    EXPECT_TRUE(std::regex_match(token, std::regex("[0-9a-f]{32}"))) << token;
    char expected[40];
    std::snprintf(expected, sizeof expected, "%016llx%016llx",
                  static_cast<unsigned long long>(siphash_1_3(first, little_endian(1234))),
                  static_cast<unsigned long long>(siphash_1_3(second, little_endian(1234))));
    EXPECT_EQ(token, expected);
    // Leading zeros are kept: each half is always 16 digits.
    EXPECT_EQ(token_from_keys(1234, first, first).substr(0, 16), token.substr(0, 16));
    EXPECT_NE(token_from_keys(1235, first, second), token);
}

TEST(Token, FreshTokensDifferFromStartToStart) {
    ASSERT_FALSE(GetEnvironmentVariableW(L"CUEVOICE_TEST_TOKEN", nullptr, 0));
    Result<std::string> one = make_token();
    Result<std::string> two = make_token();
    ASSERT_TRUE(one && two);
    EXPECT_TRUE(std::regex_match(*one, std::regex("[0-9a-f]{32}"))) << *one;
    EXPECT_NE(*one, *two) << "the keys come from the random source each time";
    EXPECT_NE(one->substr(0, 16), one->substr(16)) << "the halves use different keys";
}

TEST(Token, TestTokenOfSixteenBytesOrMoreIsUsedUnchanged) {
    EXPECT_EQ(usable_test_token(std::nullopt), std::nullopt);
    EXPECT_EQ(usable_test_token(L""), std::nullopt);
    EXPECT_EQ(usable_test_token(L"0123456789abcde"), std::nullopt) << "15 bytes";
    EXPECT_EQ(usable_test_token(L"0123456789abcdef"), "0123456789abcdef");
    EXPECT_EQ(usable_test_token(L"with blanks and more than sixteen"),
              "with blanks and more than sixteen");
    // Bytes are counted, not characters: eight two-byte letters are 16 bytes.
    EXPECT_EQ(usable_test_token(L"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"),
              "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(usable_test_token(L"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"), std::nullopt);
    // Not Unicode text: a lone surrogate.
    EXPECT_EQ(usable_test_token(std::wstring(L"0123456789abcdef") + wchar_t(0xD800)), std::nullopt);
}

TEST(Token, EventNameTakesTheFirstSixteenCharacters) {
    EXPECT_EQ(token_event_part("0123456789abcdef0123456789abcdef"), "0123456789abcdef");
    EXPECT_EQ(token_event_part("0123456789abcdef"), "0123456789abcdef");
    // Never half a character.
    std::string accents;
    for (int i = 0; i < 17; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(token_event_part(accents), accents.substr(0, 32));
}

TEST(MixxxCommandLine, EveryArgumentArrivesWhole) {
    const Strings arguments = {"plain",
                               "with blank",
                               "",
                               "say \"hi\"",
                               "\"",
                               "back\\slash",
                               "ends in backslash\\",
                               "ends in two\\\\",
                               "quote after backslashes\\\\\"x",
                               "tab\there",
                               "Gr\xC3\xBC\xC3\x9F"
                               "e \xE2\x80\x93 \xF0\x9D\x84\x9E",
                               "--settingsPath=C:\\My Music\\"};
    std::wstring line = mixxx_command_line(L"C:\\Program Files\\Mixxx\\mixxx.exe", arguments);
    EXPECT_EQ(split_by_windows(line), arguments) << to_utf8(line);
    EXPECT_EQ(line.rfind(L"\"C:\\Program Files\\Mixxx\\mixxx.exe\" plain \"with blank\" \"\" ", 0),
              0u)
        << to_utf8(line);
}

TEST(MixxxCommandLine, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(quote_windows_argument(L"C:\\dir\\file"), L"C:\\dir\\file");
    EXPECT_EQ(quote_windows_argument(L""), L"\"\"");
    EXPECT_EQ(quote_windows_argument(L"a b\\"), L"\"a b\\\\\"");
    EXPECT_EQ(quote_windows_argument(L"a\\\"b"), L"\"a\\\\\\\"b\"");
}

TEST(MixxxEnvironment, FourVariablesReplaceTheirNamesakesAndThePluginPathKeepsTheInherited) {
    WStrings inherited = {L"=C:=C:\\work",
                          L"Path=C:\\windows",
                          L"qt_plugin_path=C:\\q",
                          L"CUEVOICE_TOKEN=stale",
                          L"Cuevoice_Port=1",
                          L"QT_QPA_GENERIC_PLUGINS=other",
                          L"ZEBRA=1"};
    WStrings entries = mixxx_environment(
        inherited, {std::filesystem::path(L"C:\\Cuevoice\\plugins"), "0123abcd", 8080});
    EXPECT_EQ(entries, (WStrings{L"=C:=C:\\work", L"CUEVOICE_PORT=8080", L"CUEVOICE_TOKEN=0123abcd",
                                 L"Path=C:\\windows", L"QT_PLUGIN_PATH=C:\\Cuevoice\\plugins;C:\\q",
                                 L"QT_QPA_GENERIC_PLUGINS=cuevoice", L"ZEBRA=1"}));
}

TEST(MixxxEnvironment, WithoutAnInheritedPluginPathOnlyThePluginFolder) {
    WStrings entries =
        mixxx_environment({L"TEMP=C:\\t"}, {std::filesystem::path(L"D:\\p"), "t", default_port});
    EXPECT_EQ(entries,
              (WStrings{L"CUEVOICE_PORT=52764", L"CUEVOICE_TOKEN=t", L"QT_PLUGIN_PATH=D:\\p",
                        L"QT_QPA_GENERIC_PLUGINS=cuevoice", L"TEMP=C:\\t"}));
}

TEST(MixxxEnvironment, BlockEndsEveryEntryAndTheWholeWithNul) {
    EXPECT_EQ(cuevoice::environment_block(WStrings{L"A=1", L"B=2"}),
              std::wstring(L"A=1\0B=2\0\0", 9));
    EXPECT_EQ(cuevoice::environment_block(WStrings{}), std::wstring(L"\0\0", 2));
}

TEST(PluginFolder, BesideTheProgramThenTheDeveloperTreeUnlessItsFolderIsADriveOrShareRoot) {
    using std::filesystem::path;
    const path tree = path(L"plugin") / L"build" / L"plugins";
    const struct {
        const wchar_t* program_folder;
        const wchar_t* checkout; // the folder three above, or none
    } cases[] = {
        // A program folder that is itself a root, and fewer than three folders above.
        {L"C:\\", nullptr},
        {L"C:\\b\\bin", nullptr},
        {L"\\\\server\\share", nullptr},
        {L"\\\\server\\share\\bin", nullptr},
        // Three above is the root of the drive or the share: anybody may create
        // plugin\build\plugins there.
        {L"C:\\b\\c\\bin", nullptr},
        {L"C:\\Program Files\\Cuevoice\\bin", nullptr},
        {L"\\\\server\\share\\b\\c\\bin", nullptr},
        {L"\\\\server\\share\\Cuevoice\\bin", nullptr},
        {L"//server/share/b/c/bin", nullptr},
        {L"\\\\?\\C:\\b\\c\\bin", nullptr},
        {L"\\\\?\\UNC\\server\\share\\b\\c\\bin", nullptr},
        {L"\\??\\C:\\Cuevoice\\build\\bin", nullptr},
        {L"\\??\\UNC\\server\\share\\Cuevoice\\build\\bin", nullptr},
        // A device path that is neither a drive nor a share, at any depth.
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\Cuevoice\\build\\bin", nullptr},
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\a\\b\\c\\bin", nullptr},
        {L"\\\\.\\Volume{0b8e1c5a-0000-0000-0000-100000000000}\\a\\b\\c\\bin", nullptr},
        // Deeper: a development checkout's build folder.
        {L"C:\\a\\b\\c\\bin", L"C:\\a"},
        {L"D:\\src\\cuevoice\\build\\x64\\bin", L"D:\\src\\cuevoice"},
        {L"\\\\server\\share\\a\\b\\c\\bin", L"\\\\server\\share\\a"},
        {L"//server/share/a/b/c/bin", L"//server/share/a"},
        {L"\\\\?\\C:\\a\\b\\c\\bin", L"\\\\?\\C:\\a"},
        {L"\\\\?\\UNC\\server\\share\\a\\b\\c\\bin", L"\\\\?\\UNC\\server\\share\\a"},
        {L"\\\\?\\C:\\src\\Cuevoice\\build\\x64\\bin", L"\\\\?\\C:\\src\\Cuevoice"},
        {L"\\??\\C:\\a\\b\\c\\bin", L"\\??\\C:\\a"},
        {L"\\??\\UNC\\server\\share\\a\\b\\c\\bin", L"\\??\\UNC\\server\\share\\a"},
    };
    for (const auto& c : cases) {
        const path folder = c.program_folder;
        SCOPED_TRACE(folder.string());
        std::vector<path> expected{folder / L"plugins"};
        if (c.checkout != nullptr)
            expected.push_back(path(c.checkout) / tree);
        EXPECT_EQ(plugin_folder_candidates(folder), expected);
    }
}

TEST(PluginFolder, FirstCandidateHoldingThePluginFileWins) {
    TempFolder tree;
    std::filesystem::path program = tree.path() / "source" / "app" / "build" / "bin";
    std::filesystem::create_directories(program);
    EXPECT_EQ(find_plugin_folder(program), std::nullopt);
    // A folder without the file does not count, nor a folder named like the file.
    std::filesystem::create_directories(program / "plugins" / "generic" / "cuevoice.dll");
    EXPECT_EQ(find_plugin_folder(program), std::nullopt);
    std::filesystem::remove(program / "plugins" / "generic" / "cuevoice.dll");
    std::filesystem::path developer = tree.path() / "source" / "plugin" / "build" / "plugins";
    write_file(developer / "generic" / "cuevoice.dll", "x");
    EXPECT_EQ(find_plugin_folder(program), developer);
    write_file(program / "plugins" / "generic" / "cuevoice.dll", "x");
    EXPECT_EQ(find_plugin_folder(program), program / "plugins");
}

TEST(RunningMixxx, ExecutableNameInAnyAsciiLetterCase) {
    for (const wchar_t* name : {L"mixxx.exe", L"MIXXX.EXE", L"Mixxx.Exe"})
        EXPECT_TRUE(names_mixxx_exe(name)) << to_utf8(name);
    EXPECT_TRUE(names_mixxx_exe(std::wstring_view(L"mixxx.exe\0old", 13)));
    for (const wchar_t* name : {L"mixxx", L"mixxx.exe.bak", L"xmixxx.exe", L"m\u0131xxx.exe", L""})
        EXPECT_FALSE(names_mixxx_exe(name)) << to_utf8(name);
}
