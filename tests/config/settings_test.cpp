#include <gtest/gtest.h>

#include "config/settings.h"
#include "config/settings_file.h"
#include "config/settings_writer.h"
#include "test_support.h"

namespace cuevoice::embedded {
extern const std::string_view settings_template_toml;
}

namespace cuevoice {
namespace {

using test::lines_of;

Result<Settings> parse(const std::string& text) {
    return parse_settings_text(text, "test");
}

TEST(SettingsFolder, IsTheAppDataFolderOrTheTemporaryFolder) {
    EXPECT_EQ(settings_folder(std::wstring(L"C:\\Users\\x\\AppData\\Roaming"), L"C:\\Temp\\"),
              std::filesystem::path(L"C:\\Users\\x\\AppData\\Roaming\\Cuevoice"));
    EXPECT_EQ(settings_folder(std::nullopt, L"C:\\Temp\\"),
              std::filesystem::path(L"C:\\Temp\\Cuevoice"));
}

TEST(SettingsTemplate, IsTheFirstStartTextWhenNothingIsGiven) {
    const std::string text = settings_template_text();
    EXPECT_EQ(text, std::string(embedded::settings_template_toml));
    ASSERT_EQ(text.back(), '\n');
    const auto lines = lines_of(text);
    ASSERT_EQ(lines.size(), 73u);
    EXPECT_EQ(lines[0], "# Cuevoice settings.");
    EXPECT_EQ(lines[8], "mixxx_path = 'C:\\Program Files\\Mixxx\\mixxx.exe'");
    EXPECT_EQ(lines[10], "mixxx_args = []");
    EXPECT_EQ(lines[12], "port = 52764");
    EXPECT_EQ(lines[30], "[shortcuts]");
    EXPECT_EQ(lines[32].rfind("# --- Advanced", 0), 0u);
    EXPECT_EQ(lines[71].rfind("# Control names: https://manual.mixxx.org/", 0), 0u);
    EXPECT_EQ(lines[72], "# -------------------------------------------------------------------"
                         "------------");
    EXPECT_EQ(text.find('\r'), std::string::npos);

    auto settings = parse(text);
    ASSERT_TRUE(settings.ok()) << settings.error();
    EXPECT_EQ(settings->general,
              (General{"C:\\Program Files\\Mixxx\\mixxx.exe", {}, default_port}));
    EXPECT_TRUE(settings->shortcuts.empty());
    EXPECT_TRUE(settings->keys.empty());
}

TEST(SettingsTemplate, ReplacesOnlyTheLinesOfTheGivenValues) {
    struct Case {
        std::optional<std::string> path;
        std::optional<std::vector<std::string>> args;
        std::optional<std::uint16_t> port;
        std::string line9, line11, line13;
    };
    const std::string path9 = "mixxx_path = 'C:\\Program Files\\Mixxx\\mixxx.exe'";
    const Case cases[] = {
        {"D:\\Mixxx\\mixxx.exe", std::nullopt, std::nullopt, "mixxx_path = 'D:\\Mixxx\\mixxx.exe'",
         "mixxx_args = []", "port = 52764"},
        {"C:\\Users\\O'Neil\\Mixxx\\mixxx.exe", std::nullopt, std::nullopt,
         "mixxx_path = \"C:\\\\Users\\\\O'Neil\\\\Mixxx\\\\mixxx.exe\"", "mixxx_args = []",
         "port = 52764"},
        {std::nullopt, std::vector<std::string>{"--developer", "-f"}, std::nullopt, path9,
         "mixxx_args = ['--developer', '-f']", "port = 52764"},
        {std::nullopt, std::vector<std::string>{}, 0, path9, "mixxx_args = []", "port = 0"},
        {"E:\\m.exe", std::vector<std::string>{"say \"hi\"", "it's"}, 65535,
         "mixxx_path = 'E:\\m.exe'", "mixxx_args = ['say \"hi\"', \"it's\"]", "port = 65535"},
        {std::nullopt, std::vector<std::string>{"--title=a\nb", "bell\x07"}, std::nullopt, path9,
         "mixxx_args = [\"--title=a\\nb\", \"bell\\u0007\"]", "port = 52764"},
    };
    const auto plain = lines_of(settings_template_text());
    for (const Case& c : cases) {
        const std::string text = settings_template_text(c.path, c.args, c.port);
        auto lines = lines_of(text);
        ASSERT_EQ(lines.size(), 73u);
        EXPECT_EQ(lines[8], c.line9);
        EXPECT_EQ(lines[10], c.line11);
        EXPECT_EQ(lines[12], c.line13);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i != 8 && i != 10 && i != 12) {
                EXPECT_EQ(lines[i], plain[i]) << "line " << i + 1;
            }
        }
        // Whatever was put in reads back unchanged.
        auto settings = parse(text);
        ASSERT_TRUE(settings.ok()) << settings.error();
        EXPECT_EQ(settings->general.mixxx_path,
                  c.path.value_or("C:\\Program Files\\Mixxx\\mixxx.exe"));
        EXPECT_EQ(settings->general.mixxx_args, c.args.value_or(std::vector<std::string>{}));
        EXPECT_EQ(settings->general.port, c.port.value_or(default_port));
    }
}

TEST(SettingsTemplate, QuotesTextsAsTomlStrings) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Program Files\\Mixxx\\mixxx.exe", "'C:\\Program Files\\Mixxx\\mixxx.exe'"},
        {"", "''"},
        {"say \"x\"", "'say \"x\"'"},
        {"O'Neil", "\"O'Neil\""},
        {"a\\'\"b", "\"a\\\\'\\\"b\""},
        // A tab fits a literal string; other control characters only fit escaped in a basic one.
        {"a\tb", "'a\tb'"},
        {"a\nb", "\"a\\nb\""},
        {"it's\r\n", "\"it's\\r\\n\""},
        {"\b\f", "\"\\b\\f\""},
        {std::string("x\x01\x1b\x7f\0", 5), "\"x\\u0001\\u001B\\u007F\\u0000\""},
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(quote_toml_string(text), quoted) << text;
}

const char* const general_only = "[general]\nmixxx_path = 'C:\\m.exe'\n";

TEST(DeserializeSettings, FillsDefaultsAndIgnoresUnknownKeys) {
    auto settings = parse(std::string(general_only) +
                          "colour = 'red'\n[extra]\nx = 1\n[shortcuts]\nstop = ['ctrl+s']\n"
                          "play = ['ctrl+p', 'alt+p']\n\"play@deck2\" = []\n");
    ASSERT_TRUE(settings.ok()) << settings.error();
    EXPECT_EQ(settings->general, (General{"C:\\m.exe", {}, 52764}));
    std::vector<std::string> ids;
    for (const auto& [id, keys] : settings->shortcuts)
        ids.push_back(id);
    EXPECT_EQ(ids, (std::vector<std::string>{"play", "play@deck2", "stop"}));
    EXPECT_EQ(settings->shortcuts.at("play"), (std::vector<std::string>{"ctrl+p", "alt+p"}));
    EXPECT_TRUE(settings->shortcuts.at("play@deck2").empty());
    EXPECT_TRUE(settings->keys.empty());
}

TEST(DeserializeSettings, ReadsKeysEntriesInFileOrder) {
    auto settings = parse(std::string(general_only) +
                          "[[keys]]\nkey = 'ctrl+alt+shift+f1'\naction = 'toggle'\n"
                          "control = 'passthrough'\nlabel = 'vinyl passthrough'\nmisspelt = 1\n"
                          "[[keys]]\nkey = 'ctrl+alt+shift+f2'\naction = 'none'\n");
    ASSERT_TRUE(settings.ok()) << settings.error();
    ASSERT_EQ(settings->keys.size(), 2u);
    Binding first{.key = "ctrl+alt+shift+f1", .action = "toggle"};
    first.control = "passthrough";
    first.label = "vinyl passthrough";
    EXPECT_EQ(settings->keys[0], first);
    EXPECT_EQ(settings->keys[1], (Binding{.key = "ctrl+alt+shift+f2", .action = "none"}));
}

TEST(DeserializeSettings, RefusesFieldsOfTheWrongKind) {
    const std::string general = "[general]\n";
    const std::string path = "mixxx_path = 'C:\\m.exe'\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "missing field `general`"},
        {"[shortcuts]\n", "missing field `general`"},
        {"general = 5\n", "invalid type: integer `5`, expected struct General"},
        {general, "missing field `mixxx_path`"},
        {general + "mixxx_path = 5\n", "invalid type: integer `5`, expected a string"},
        {general + path + "mixxx_args = 'x'\n", "invalid type: string \"x\", expected a sequence"},
        {general + path + "mixxx_args = [1]\n", "invalid type: integer `1`, expected a string"},
        {general + path + "port = 70000\n", "invalid value: integer `70000`, expected u16"},
        {general + path + "port = -1\n", "invalid value: integer `-1`, expected u16"},
        {general + path + "port = '80'\n", "invalid type: string \"80\", expected u16"},
        {general + path + "port = 80.0\n", "invalid type: floating point `80.0`, expected u16"},
        {general + path + "port = \"a\\u0085b\\u009b\"\n",
         "invalid type: string \"a\\u{85}b\\u{9b}\", expected u16"},
        {general + path + "shortcuts = 1\n", ""},
        {"shortcuts = 3\n" + general + path, "invalid type: integer `3`, expected a map"},
        {general + path + "[shortcuts]\nplay = 'ctrl+p'\n",
         "invalid type: string \"ctrl+p\", expected a sequence"},
        {general + path + "[shortcuts]\nplay = [true]\n",
         "invalid type: boolean `true`, expected a string"},
        {"keys = 1\n" + general + path, "invalid type: integer `1`, expected a sequence"},
        {"keys = [1]\n" + general + path, "invalid type: integer `1`, expected struct Binding"},
        {general + path + "[[keys]]\nkey = 'ctrl+a'\n", "missing field `action`"},
        {general + path + "[[keys]]\nkey = 'ctrl+a'\naction = 5\n",
         "invalid type: integer `5`, expected a string"},
        {general + path + "[[keys]]\naction = 'select_deck'\ndeck = 256\n",
         "invalid value: integer `256`, expected u8"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text);
        auto settings = parse(text);
        if (message.empty()) {
            EXPECT_TRUE(settings.ok()) << settings.error();
            continue;
        }
        ASSERT_FALSE(settings.ok());
        EXPECT_EQ(settings.error(), message);
    }
}

} // namespace
} // namespace cuevoice
