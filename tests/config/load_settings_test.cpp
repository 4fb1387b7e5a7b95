#include <gtest/gtest.h>

#include <windows.h>

#include "common/files.h"
#include "common/text.h"
#include "config/load_settings.h"
#include "config/settings_file.h"
#include "config/settings_writer.h"
#include "test_support.h"

namespace cuevoice::embedded {
extern const std::string_view legacy_keys_toml;
}

namespace cuevoice {
namespace {

using test::files_in;
using test::long_date_like_value;
using test::read_file;
using test::write_file;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// A settings folder below a temporary one, an installed Mixxx stand-in and a captured log.
class LoadSettings : public ::testing::Test {
protected:
    test::TempFolder root;
    std::filesystem::path folder = root.path() / L"Roaming" / L"Cuevoice";
    std::filesystem::path config = folder / L"config.toml";
    std::filesystem::path backup = folder / L"config.toml.bak";
    std::filesystem::path mixxx = root.path() / L"Mixxx" / L"mixxx.exe";
    std::optional<std::string> found;
    std::vector<std::string> log;

    void SetUp() override {
        write_file(mixxx, "stand-in");
        found = path_text(mixxx);
    }

    Result<LoadedSettings> load() {
        return load_settings({
            .folder = folder,
            .find_mixxx = [this] { return found; },
            .log = [this](std::string line) { log.push_back(std::move(line)); },
        });
    }

    // An old file: its own [general] values, then the legacy default entries.
    std::string old_file(const std::string& keys = std::string(embedded::legacy_keys_toml)) {
        return "[general]\nmixxx_path = " + quote_toml_string(path_text(mixxx)) +
               "\nmixxx_args = ['--developer']\nport = 5000\n\n" + keys;
    }

    std::string converted_message() {
        return "settings file converted to the new format (old one kept as " + path_text(backup) +
               ")";
    }
};

TEST_F(LoadSettings, FirstStartWritesTheTemplateWithTheFoundPath) {
    struct Case {
        std::optional<std::string> found;
        std::string line9;
    };
    const Case cases[] = {
        {"D:\\Apps\\Mixxx\\mixxx.exe", "mixxx_path = 'D:\\Apps\\Mixxx\\mixxx.exe'"},
        {std::nullopt, "mixxx_path = 'C:\\Program Files\\Mixxx\\mixxx.exe'"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(root.path() / L"Roaming");
        found = c.found;
        auto loaded = load();
        ASSERT_TRUE(loaded.ok()) << loaded.error();
        EXPECT_TRUE(loaded->created);
        EXPECT_EQ(loaded->config_path, config);
        const std::string text = read_file(config);
        EXPECT_EQ(text, settings_template_text(c.found));
        EXPECT_NE(text.find("\n" + c.line9 + "\n"), std::string::npos);
        EXPECT_EQ(files_in(folder), std::vector<std::filesystem::path>{L"config.toml"});
        EXPECT_TRUE(loaded->settings.keys.empty());
        EXPECT_TRUE(loaded->settings.shortcuts.empty());

        auto again = load();
        ASSERT_TRUE(again.ok()) << again.error();
        EXPECT_FALSE(again->created);
        EXPECT_EQ(read_file(config), text);
    }
}

TEST_F(LoadSettings, ReadsTheSameWithAndWithoutAByteOrderMark) {
    const std::string text = "[general]\r\nmixxx_path = 'C:\\m.exe'\r\nport = 1\r\n[shortcuts]\r\n"
                             "play = ['ctrl+p']\r\n";
    write_file(config, text);
    auto plain = read_settings_file(config);
    write_file(config, "\xEF\xBB\xBF" + text);
    auto marked = read_settings_file(config);
    ASSERT_TRUE(plain.ok()) << plain.error();
    ASSERT_TRUE(marked.ok()) << marked.error();
    EXPECT_EQ(*plain, *marked);
    EXPECT_EQ(marked->general.port, 1);
}

TEST_F(LoadSettings, ReportsUnreadableAndBrokenFiles) {
    const std::string shown = path_text(config);
    write_file(config, "[general]\nmixxx_path = 'C:\\m\xE9.exe'\n");
    EXPECT_EQ(read_settings_file(config).error(),
              "cannot read " + shown + ": stream did not contain valid UTF-8");
    write_file(config, "[general]\nmixxx_path = 'C:\\m.exe'\nport = = 1\n");
    const std::string syntax = read_settings_file(config).error();
    EXPECT_EQ(syntax.rfind("error in " + shown + ": TOML parse error at line 3, column ", 0), 0u)
        << syntax;
    EXPECT_NE(syntax.find("port = = 1"), std::string::npos) << syntax;
    // A file cut off inside a text.
    write_file(config, "[general]\nmixxx_path = 'C:\\m.exe'\n[[keys]]\nkey = \"ctrl+al");
    const std::string cut = read_settings_file(config).error();
    EXPECT_EQ(cut.rfind("error in " + shown + ": TOML parse error at line 4, column ", 0), 0u)
        << cut;
    std::filesystem::remove(config);
    const std::string missing = read_settings_file(config).error();
    EXPECT_EQ(missing.rfind("cannot read " + shown + ": ", 0), 0u) << missing;
    EXPECT_GT(missing.size(), ("cannot read " + shown + ": ").size());
    // The template saved as UTF-16 with its byte-order mark: the mark is no UTF-8. (Without it
    // the text is UTF-8 full of NULs, a syntax error.)
    write_file(config, "\xFF\xFE" + test::utf16le_bytes(settings_template_text()));
    EXPECT_EQ(read_settings_file(config).error(),
              "cannot read " + shown + ": stream did not contain valid UTF-8");
}

TEST_F(LoadSettings, SlipsThatTheTomlLibraryDoesNotExpectAreSyntaxErrorsAtTheirLine) {
    // Typos in the first-start template, each of which once stopped the program in one of the
    // library's own checks. They are refused like any syntax error, with the line and a caret
    // under the character the parser stopped on.
    const std::string shown = path_text(config);
    const struct {
        std::string from;
        std::string to;
        std::string where;
        std::string caret;
    } cases[] = {
        {"mixxx_args = []", "mixxx_args = [}", "line 11, column 15", std::string(14, ' ') + "^"},
        {"mixxx_args = []", "mixxx_args = ['--developer', }", "line 11, column 30",
         std::string(29, ' ') + "^"},
        {"port = 52764", "x = 1979-05-27 7", "line 13, column 17", std::string(16, ' ') + "^"},
        {"port = 52764", "x = 1979-05-27T:00", "line 13, column 16", std::string(15, ' ') + "^"},
        {"port = 52764", "a = {b = 1, c = [1,}{d,]=23}", "line 13, column 20",
         std::string(19, ' ') + "^"},
        {"port = 52764", "x = 1979-05-27Tnan32:00]", "line 13, column 16",
         std::string(15, ' ') + "^"},
        // A letter after a value, which the library asks whether it is a blank.
        {"port = 52764", "port = 52764 \xC3\xA9", "line 13, column 14", std::string(13, ' ') + "^"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        write_file(config, replaced(settings_template_text(), c.from, c.to));
        const std::string error = read_settings_file(config).error();
        EXPECT_EQ(error.rfind("error in " + shown + ": TOML parse error at " + c.where + "\n", 0),
                  0u)
            << error;
        EXPECT_NE(error.find(" | " + c.to + "\n"), std::string::npos) << error;
        EXPECT_NE(error.find("   | " + c.caret + "\n"), std::string::npos) << error;
    }
    // A letter inside a name is part of the name: the file loads, with the shortcut it names.
    write_file(config, replaced(settings_template_text(), "[shortcuts]\n",
                                "[shortcuts]\np\xC3\xA9lay = [\"ctrl+alt+p\"]\n"));
    auto loaded = read_settings_file(config);
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(loaded->shortcuts.count("p\xC3\xA9lay"), 1u);
}

TEST_F(LoadSettings, ALongValueEndingLikeADateIsASyntaxErrorAtItsLine) {
    // Digits and underscores, held down in Notepad, before a date with a blank in place of T.
    // The library looks ahead 127 steps into a value; from 115 underscores on, the date's
    // blank once fell past that, and the program ended in the library's own check.
    const std::string shown = path_text(config);
    const std::string not_a_type = "Error while parsing value: could not determine value type";
    const std::string not_a_date = "Error while parsing date: expected 4-digit year, saw '_'";
    const struct {
        std::string from;
        std::string to;
        std::size_t column;
        std::string words;
    } cases[] = {
        {"port = 52764", "port = " + long_date_like_value(114, " 12"), 8, not_a_type},
        {"port = 52764", "port = " + long_date_like_value(115, " 12"), 9, not_a_date},
        {"port = 52764", "port = " + long_date_like_value(116, " 12"), 9, not_a_date},
        {"port = 52764", "port = " + long_date_like_value(117, " 12"), 9, not_a_date},
        {"port = 52764", "a = " + long_date_like_value(116, " x"), 6, not_a_date},
        {"port = 52764", "a = " + long_date_like_value(117, " x"), 6, not_a_date},
        {"mixxx_args = []", "mixxx_args = [" + long_date_like_value(116, " ]"), 16, not_a_date},
        {"mixxx_args = []", "mixxx_args = [" + long_date_like_value(117, " ]"), 16, not_a_date},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        const std::string text = replaced(settings_template_text(), c.from, c.to);
        write_file(config, text);
        const std::string number = c.from.starts_with("port") ? "13" : "11";
        EXPECT_EQ(read_settings_file(config).error(),
                  "error in " + shown + ": TOML parse error at line " + number + ", column " +
                      std::to_string(c.column) + "\n   |\n" + number + " | " + c.to + "\n   | " +
                      std::string(c.column - 1, ' ') + "^\n" + c.words);
    }
}

TEST_F(LoadSettings, RefusedFilesAreNeverRewritten) {
    const std::string general = "[general]\nmixxx_path = 'C:\\m.exe'\n";
    const std::string legacy(embedded::legacy_keys_toml);
    // Cut after the first key line of the first entry: no action any more.
    const std::string cut = legacy.substr(0, legacy.find("action = \"select_deck\""));
    const std::pair<std::string, std::string> cases[] = {
        {old_file(cut), "missing field `action`"},
        {"general = 'C:\\m.exe'\n",
         "invalid type: string \"C:\\\\m.exe\", expected struct General"},
        {"[general]\nmixxx_path = ['C:\\m.exe']\n", "invalid type: sequence, expected a string"},
        {general + "mixxx_args = '--developer'\n",
         "invalid type: string \"--developer\", expected a sequence"},
        {general + "port = 70000\n", "invalid value: integer `70000`, expected u16"},
        {general + "port = true\n" + legacy, "invalid type: boolean `true`, expected u16"},
        {"shortcuts = ['play']\n" + general, "invalid type: sequence, expected a map"},
        {general + "[shortcuts]\nplay = [1]\n", "invalid type: integer `1`, expected a string"},
        {"keys = { key = 'ctrl+a' }\n" + general, "invalid type: map, expected a sequence"},
        {general + legacy + "\n[[keys]]\nkey = 'ctrl+a'\naction = 5\n",
         "invalid type: integer `5`, expected a string"},
        {general + "[[keys]]\nkey = 'ctrl+a'\naction = ['toggle']\n",
         "invalid type: sequence, expected a string"},
        {general + "[[keys]]\nkey = 'ctrl+a'\ncontrol = 'play'\n", "missing field `action`"},
        {general + "[[keys]]\nkey = 1\naction = 'toggle'\n",
         "invalid type: integer `1`, expected a string"},
        {general + "[[keys]]\nkey = 'ctrl+a'\naction = 'set'\nvalue = 'high'\n",
         "invalid type: string \"high\", expected f64"},
        {general + "[[keys]]\nkey = 'ctrl+a'\naction = 'press'\nrepeat = 'yes'\n",
         "invalid type: string \"yes\", expected a boolean"},
    };
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(text.substr(0, 200));
        std::filesystem::remove_all(folder);
        write_file(config, text);
        auto loaded = load();
        ASSERT_FALSE(loaded.ok());
        EXPECT_EQ(loaded.error(), "error in " + path_text(config) + ": " + message);
        EXPECT_EQ(read_file(config), text);
        EXPECT_EQ(files_in(folder), std::vector<std::filesystem::path>{L"config.toml"});
        EXPECT_TRUE(log.empty());
    }
}

TEST_F(LoadSettings, FilesWithoutLegacyEntriesAreLeftAsTheyAre) {
    const std::string path = "mixxx_path = " + quote_toml_string(path_text(mixxx)) + "\n";
    const std::string texts[] = {
        "[general]\r\n" + path + "[shortcuts]\r\nplay = []\r\n",
        "\xEF\xBB\xBF[general]\n" + path + "[[keys]]\nkey = 'ctrl+a'\naction = 'foo'\n",
        // One legacy entry with a field changed is the user's own.
        "[general]\n" + path +
            "[[keys]]\nkey = 'ctrl+alt+p'\naction = 'toggle'\ncontrol = 'play'\nrepeat = false\n",
    };
    for (const std::string& text : texts) {
        std::filesystem::remove_all(folder);
        write_file(config, text);
        auto loaded = load();
        ASSERT_TRUE(loaded.ok()) << loaded.error();
        EXPECT_FALSE(loaded->created);
        EXPECT_EQ(read_file(config), text);
        EXPECT_EQ(files_in(folder), std::vector<std::filesystem::path>{L"config.toml"});
        EXPECT_TRUE(log.empty());
    }
}

TEST_F(LoadSettings, AnOldFileOfOnlyLegacyEntriesBecomesTheTemplate) {
    const std::string old = old_file();
    write_file(config, old);
    auto loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_FALSE(loaded->created);
    EXPECT_EQ(
        read_file(config),
        settings_template_text(path_text(mixxx), std::vector<std::string>{"--developer"}, 5000));
    EXPECT_EQ(read_file(backup), old);
    EXPECT_EQ(loaded->settings.general,
              (General{path_text(mixxx), {"--developer"}, std::uint16_t{5000}}));
    EXPECT_TRUE(loaded->settings.keys.empty());
    EXPECT_EQ(log, std::vector<std::string>{converted_message()});
    EXPECT_EQ(files_in(folder),
              (std::vector<std::filesystem::path>{L"config.toml", L"config.toml.bak"}));

    // Converted once: the next load leaves everything alone.
    log.clear();
    auto again = load();
    ASSERT_TRUE(again.ok()) << again.error();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(read_file(backup), old);
}

TEST_F(LoadSettings, WithoutABackupTheOldFileIsNotRewritten) {
    const std::string own = "\n[[keys]]\nkey = 'ctrl+alt+shift+y'\naction = 'stop_speech'\n";
    const std::string old = "# my notes\n" + old_file() + own;
    write_file(config, old);
    auto loaded = load_settings({
        .folder = folder,
        .find_mixxx = [this] { return found; },
        .log = [this](std::string line) { log.push_back(std::move(line)); },
        .copy_file = [](const std::filesystem::path&,
                        const std::filesystem::path&) -> unsigned long { return ERROR_DISK_FULL; },
    });
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    // This run uses the converted keys; the file and its notes stay for a later conversion.
    ASSERT_EQ(loaded->settings.keys.size(), 1u);
    EXPECT_EQ(loaded->settings.keys[0].key, "ctrl+alt+shift+y");
    EXPECT_EQ(read_file(config), old);
    EXPECT_EQ(log,
              std::vector<std::string>{"settings file not converted: cannot copy it to " +
                                       path_text(backup) + ": " + system_message(ERROR_DISK_FULL)});
    EXPECT_EQ(files_in(folder), std::vector<std::filesystem::path>{L"config.toml"});
}

TEST_F(LoadSettings, ConversionKeepsChangedAndOwnEntriesInBindingFieldOrder) {
    const std::string own = "\n[[keys]]\nrepeat = true\nstep = 5e-2\ncontrol = 'balance'\n"
                            "group = '[Master]'\naction = 'adjust'\nkey = 'ctrl+alt+shift+y'\n"
                            "label = 'balance \"L/R\"'\n";
    const std::string own_written = "[[keys]]\nkey = 'ctrl+alt+shift+y'\naction = 'adjust'\n"
                                    "group = '[Master]'\ncontrol = 'balance'\nstep = 0.05\n"
                                    "label = 'balance \"L/R\"'\nrepeat = true\n";
    const std::string legacy(embedded::legacy_keys_toml);
    struct Case {
        std::string old_entry, new_entry, written;
    };
    const Case cases[] = {
        {"key = \"ctrl+alt+p\"\naction = \"toggle\"\ncontrol = \"play\"\n",
         "key = \"ctrl+alt+p\"\naction = \"toggle\"\ncontrol = \"play\"\nlabel = \"play it\"\n",
         "[[keys]]\nkey = 'ctrl+alt+p'\naction = 'toggle'\ncontrol = 'play'\nlabel = 'play it'\n"},
        {"key = \"ctrl+alt+c\"\naction = \"press\"\ncontrol = \"cue_default\"\n",
         "key = \"ctrl+alt+c\"\naction = \"press\"\ncontrol = \"cue_default\"\nrepeat = false\n",
         "[[keys]]\nkey = 'ctrl+alt+c'\naction = 'press'\ncontrol = 'cue_default'\n"
         "repeat = false\n"},
        {"key = \"ctrl+alt+s\"\naction = \"toggle\"\ncontrol = \"sync_enabled\"\n",
         "key = \"ctrl+alt+s\"\naction = \"toggle\"\ndeck = 2\ncontrol = \"sync_enabled\"\n",
         "[[keys]]\nkey = 'ctrl+alt+s'\naction = 'toggle'\ndeck = 2\ncontrol = 'sync_enabled'\n"},
        {"key = \"ctrl+alt+f11\"\naction = \"set\"\ngroup = \"[Library]\"\n"
         "control = \"focused_widget\"\nvalue = 1.0\n",
         "key = \"ctrl+alt+f11\"\naction = \"set\"\ngroup = \"[Library]\"\n"
         "control = \"focused_widget\"\nvalue = 2\n",
         "[[keys]]\nkey = 'ctrl+alt+f11'\naction = 'set'\ngroup = '[Library]'\n"
         "control = 'focused_widget'\nvalue = 2.0\nlabel = 'go to the library search'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.new_entry);
        std::filesystem::remove_all(folder);
        log.clear();
        const std::string old = old_file(replaced(legacy, c.old_entry, c.new_entry) + own);
        write_file(config, old);
        auto loaded = load();
        ASSERT_TRUE(loaded.ok()) << loaded.error();
        const std::string expected =
            settings_template_text(path_text(mixxx), std::vector<std::string>{"--developer"},
                                   5000) +
            "\n" + c.written + "\n" + own_written;
        EXPECT_EQ(read_file(config), expected);
        EXPECT_EQ(read_file(backup), old);
        ASSERT_EQ(loaded->settings.keys.size(), 2u);
        EXPECT_EQ(loaded->settings.keys[1].key, "ctrl+alt+shift+y");
        EXPECT_EQ(loaded->settings.keys[1].step, 0.05);
        EXPECT_EQ(*read_settings_file(config), loaded->settings);
        EXPECT_EQ(log, std::vector<std::string>{converted_message()});
    }
}

TEST_F(LoadSettings, ConversionCarriesTheShortcutsOver) {
    const std::string old = old_file() + "\n[shortcuts]\nplay = ['ctrl+p', 'alt+p']\n"
                                         "\"hotcue_1@deck2\" = []\n\"not a function\" = ['x']\n";
    write_file(config, old);
    auto loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    const std::string expected = replaced(
        settings_template_text(path_text(mixxx), std::vector<std::string>{"--developer"}, 5000),
        "\n[shortcuts]\n\n",
        "\n[shortcuts]\n\"hotcue_1@deck2\" = []\n\"not a function\" = [\"x\"]\n"
        "\"play\" = [\"ctrl+p\", \"alt+p\"]\n\n");
    EXPECT_EQ(read_file(config), expected);
    EXPECT_EQ(read_file(backup), old);
    const std::map<std::string, std::vector<std::string>> shortcuts{
        {"hotcue_1@deck2", {}}, {"not a function", {"x"}}, {"play", {"ctrl+p", "alt+p"}}};
    EXPECT_EQ(loaded->settings.shortcuts, shortcuts);
    EXPECT_EQ(read_settings_file(config)->shortcuts, shortcuts);
}

TEST_F(LoadSettings, ConversionWritesEveryKeptTextSoThatItReadsBack) {
    // Basic-string escapes in the old file give texts of every kind: quotes, apostrophes, line
    // breaks and control characters, alone and together.
    const std::pair<std::string, std::string> cases[] = {
        {"it's", "it's"},
        {"say \\\"L\\\"", "say \"L\""},
        {"two\\nlines", "two\nlines"},
        {"a'''b\\nc", "a'''b\nc"},
        {"tab\\tbell\\u0007del\\u007F", "tab\tbell\x07"
                                        "del\x7f"},
        {"caf\u00e9 \\u266b", "caf\u00e9 \u266b"},
    };
    for (const auto& [escaped, text] : cases) {
        SCOPED_TRACE(escaped);
        std::filesystem::remove_all(folder);
        log.clear();
        const std::string own = "\n[[keys]]\nkey = \"" + escaped + "\"\naction = 'say'\nwhat = \"" +
                                escaped + "\"\nlabel = \"" + escaped + "\"\n";
        write_file(config, old_file() + own + "\n[shortcuts]\n\"" + escaped + "\" = [\"" + escaped +
                               "\"]\n");
        auto loaded = load();
        ASSERT_TRUE(loaded.ok()) << loaded.error();
        ASSERT_EQ(loaded->settings.keys.size(), 1u);
        EXPECT_EQ(loaded->settings.keys[0].key, text);
        EXPECT_EQ(loaded->settings.keys[0].label, text);
        EXPECT_EQ(loaded->settings.shortcuts,
                  (std::map<std::string, std::vector<std::string>>{{text, {text}}}));
        auto reread = read_settings_file(config);
        ASSERT_TRUE(reread.ok()) << reread.error();
        EXPECT_EQ(*reread, loaded->settings);
        EXPECT_EQ(log, std::vector<std::string>{converted_message()});
    }
}

TEST_F(LoadSettings, AnExistingBackupIsNeverOverwritten) {
    write_file(backup, "the first backup");
    write_file(config, old_file());
    auto loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(read_file(backup), "the first backup");
    EXPECT_EQ(
        read_file(config),
        settings_template_text(path_text(mixxx), std::vector<std::string>{"--developer"}, 5000));
    EXPECT_EQ(log, std::vector<std::string>{converted_message()});
}

TEST_F(LoadSettings, AFolderNamedLikeTheBackupIsNoBackup) {
    std::filesystem::create_directories(backup);
    const std::string old = "# my notes\n" + old_file();
    write_file(config, old);
    auto loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_TRUE(loaded->settings.keys.empty());
    EXPECT_EQ(read_file(config), old);
    EXPECT_TRUE(std::filesystem::is_directory(backup));
    EXPECT_TRUE(std::filesystem::is_empty(backup));
    EXPECT_EQ(log, std::vector<std::string>{"settings file not converted: cannot copy it to " +
                                            path_text(backup) + ": " +
                                            system_message(ERROR_ALREADY_EXISTS)});
}

TEST_F(LoadSettings, AMissingMixxxPathIsReplacedInMemoryOnly) {
    const std::string text = "[general]\nmixxx_path = 'C:\\gone\\mixxx.exe'\n";
    write_file(config, text);
    auto loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(loaded->settings.general.mixxx_path, path_text(mixxx));
    EXPECT_EQ(log, std::vector<std::string>{
                       "mixxx_path C:\\gone\\mixxx.exe does not exist, using " + path_text(mixxx)});
    EXPECT_EQ(read_file(config), text);

    // Nothing found: the configured path stays, silently.
    log.clear();
    found.reset();
    loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(loaded->settings.general.mixxx_path, "C:\\gone\\mixxx.exe");
    EXPECT_TRUE(log.empty());
}

TEST_F(LoadSettings, AMixxxPathWithAControlCharacterIsLoggedWithItsEscape) {
    // Written as an escape in the file: a NUL would cut the logged line short.
    write_file(config, "[general]\nmixxx_path = \"C:\\\\gone\\u0000\\tmixxx.exe\"\n");
    auto loaded = load();
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(log, std::vector<std::string>{"mixxx_path C:\\gone\\u0000\\tmixxx.exe does not "
                                            "exist, using " +
                                            path_text(mixxx)});
}

TEST_F(LoadSettings, AFileThatCannotBeReadIsReportedAndKept) {
    write_file(config, "[general]\nmixxx_path = 'C:\\m.exe'\n");
    HANDLE locked = CreateFileW(config.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    auto loaded = load();
    CloseHandle(locked);
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().rfind("cannot read " + path_text(config) + ": ", 0), 0u)
        << loaded.error();
    EXPECT_EQ(read_file(config), "[general]\nmixxx_path = 'C:\\m.exe'\n");
}

TEST_F(LoadSettings, NothingIsCreatedWhereTheFolderCannotBeMadeOrInspected) {
    // A file where a folder should be.
    write_file(root.path() / L"Roaming", "not a folder");
    auto loaded = load();
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().rfind("cannot create " + path_text(folder) + ": ", 0), 0u)
        << loaded.error();
    EXPECT_EQ(read_file(root.path() / L"Roaming"), "not a folder");

    // A name the file system refuses to look up is not taken for a missing file.
    folder = root.path() / L"what?";
    loaded = load();
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.error().rfind("cannot read " + path_text(folder / L"config.toml") + ": ", 0),
              0u)
        << loaded.error();
}

TEST(SettingsFile, CreatingNeverReplacesAnExistingFile) {
    test::TempFolder folder;
    const auto path = folder.path() / L"config.toml";
    auto created = create_settings_file(path, "first\n");
    ASSERT_TRUE(created.ok()) << created.error();
    EXPECT_TRUE(*created);
    created = create_settings_file(path, "second\n");
    ASSERT_TRUE(created.ok()) << created.error();
    EXPECT_FALSE(*created);
    EXPECT_EQ(read_file(path), "first\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::filesystem::path>{L"config.toml"});

    auto nowhere = create_settings_file(folder.path() / L"missing" / L"config.toml", "x");
    ASSERT_FALSE(nowhere.ok());
    EXPECT_EQ(nowhere.error().rfind("cannot write ", 0), 0u);
}

TEST(SettingsFile, WritingReplacesTheFileInOneStep) {
    test::TempFolder folder;
    const auto path = folder.path() / L"config.toml";
    write_file(path, "old text\n");
    ASSERT_TRUE(write_settings_file_atomically(path, "new text\n").ok());
    EXPECT_EQ(read_file(path), "new text\n");
    EXPECT_EQ(files_in(folder.path()), std::vector<std::filesystem::path>{L"config.toml"});

    // A target that cannot be replaced keeps what it held, and no stray file is left.
    const auto occupied = folder.path() / L"occupied";
    std::filesystem::create_directories(occupied / L"inside");
    auto refused = write_settings_file_atomically(occupied, "text\n");
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().rfind("cannot write " + path_text(occupied) + ": ", 0), 0u)
        << refused.error();
    EXPECT_TRUE(std::filesystem::is_directory(occupied / L"inside"));
    EXPECT_EQ(files_in(folder.path()),
              (std::vector<std::filesystem::path>{L"config.toml", L"occupied"}));
}

TEST(LegacyKeys, HoldTheOldDefaultsAndMatchOnlyWhenEveryFieldIsEqual) {
    auto legacy = legacy_default_keys();
    ASSERT_TRUE(legacy.ok()) << legacy.error();
    ASSERT_EQ(legacy->size(), 103u);
    for (const Binding& entry : *legacy)
        EXPECT_FALSE(not_a_legacy_default(*legacy, entry)) << entry.key;

    Binding faster{.key = "ctrl+alt+j", .action = "press"};
    faster.control = "beats_adjust_faster";
    faster.report = "file_bpm";
    faster.report_label = "grid tempo";
    faster.report_format = "bpm_precise";
    faster.repeat = true;
    EXPECT_FALSE(not_a_legacy_default(*legacy, faster));
    Binding move{.key = "ctrl+alt+w", .action = "beatgrid_move"};
    move.step = 1;
    EXPECT_FALSE(not_a_legacy_default(*legacy, move));

    auto changed = [&](auto change) {
        Binding copy = faster;
        change(copy);
        return not_a_legacy_default(*legacy, copy);
    };
    EXPECT_TRUE(changed([](Binding& b) { b.key = "ctrl+alt+shift+j"; }));
    EXPECT_TRUE(changed([](Binding& b) { b.repeat = false; }));
    EXPECT_TRUE(changed([](Binding& b) { b.repeat.reset(); }));
    EXPECT_TRUE(changed([](Binding& b) { b.deck = 1; }));
    EXPECT_TRUE(changed([](Binding& b) { b.label = ""; }));
    EXPECT_TRUE(changed([](Binding& b) { b.report_label = "Grid tempo"; }));
    EXPECT_TRUE(changed([](Binding& b) { b.group = "[Channel{deck}]"; }));
    EXPECT_TRUE(changed([](Binding& b) { b.confirm = "done"; }));
}

} // namespace
} // namespace cuevoice
