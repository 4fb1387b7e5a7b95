// Whole settings files, made from the first-start template and from an old file full of
// legacy entries and then damaged, loaded from a temporary folder on a thread with a small
// stack. Whatever the file, the load ends in settings or an error text, config.toml changes only
// by the conversion, a converted file reads back, and the backup is the old file byte for byte.
#include <gtest/gtest.h>

#include "common/files.h"
#include "config/load_settings.h"
#include "config/settings_file.h"
#include "config/settings_writer.h"
#include "fuzz_support.h"
#include "small_stack.h"
#include "test_support.h"

namespace cuevoice::embedded {
extern const std::string_view legacy_keys_toml;
}

namespace cuevoice {
namespace {

using fuzz::Random;

std::vector<std::string> lines_with_ends(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

const std::vector<std::string> values = {"'text'",
                                         "\"text\"",
                                         "''",
                                         "1",
                                         "-1",
                                         "0",
                                         "1.5",
                                         "-0.0",
                                         "true",
                                         "false",
                                         "[]",
                                         "['a']",
                                         "[1, 'a']",
                                         "{}",
                                         "{ a = 1 }",
                                         "1979-05-27T07:32:00Z",
                                         "07:32",
                                         "nan",
                                         "inf",
                                         "-inf",
                                         "70000",
                                         "65535",
                                         "65536",
                                         "-52764",
                                         "9223372036854775807",
                                         "-9223372036854775808",
                                         "99999999999999999999",
                                         "1e309",
                                         "-1e309",
                                         "5e-324",
                                         "0x10",
                                         "0o7",
                                         "0b1",
                                         "1_000",
                                         "\"\"\"multi\nline\"\"\"",
                                         "'''lit\n'''",
                                         "\"\\u00e9\\n\"",
                                         "\"\\e\\x41\"",
                                         "[[1], [2]]",
                                         "[{ key = 'ctrl+a', action = 'toggle' }]",
                                         "'ctrl+alt+p'",
                                         "'select_deck'"};

const std::vector<std::string> snippets = {
    "[general]\nmixxx_path = 'C:\\m.exe'\n",
    "[shortcuts]\n",
    "[keys]\n",
    "[[general]]\n",
    "[[shortcuts]]\n",
    "keys = []\n",
    "general = 1\n",
    "[shortcuts]\nplay = ['ctrl+p']\n",
    "\"play@deck2\" = []\n",
    "[[keys]]\nkey = 'ctrl+alt+shift+y'\naction = 'stop_speech'\n",
    "[[keys]]\nkey = 'ctrl+a'\naction = 'set'\nvalue = 'high'\n",
    "[[keys]]\n",
    "[extra]\na = 1\n",
    "port = 1\n",
    "mixxx_args = ['--developer', \"-f\"]\n",
    "a.b.c = 1\n",
    "\"\"\"\n",
    "'''\n",
    "x = \"unterminated\n",
    "x = [1,\n2,\n]\n",
    "t = {\n a = 1,\n}\n",
    "# [[[[[[[[\n",
    "\r\n",
    "\r",
    "=\n",
    "[]\n",
    "[[]]\n",
    "[a]\n[a]\n",
    "[a.b]\n[a]\nb = 1\n",
    "a = 1\na = 2\n",
    "[[keys]]\nkey = 'ctrl+alt+p'\naction = 'toggle'\ncontrol = 'play'\n",
};

// A line of nesting in one of its forms, near the bounds or far beyond them.
std::string deep_line(Random& random) {
    static const std::vector<std::size_t> depths = {1,  2,  7,   8,   9,    31,
                                                    32, 33, 100, 257, 1000, 15000};
    const std::size_t depth = random.pick(depths);
    std::string key;
    for (std::size_t i = 1; i < depth; ++i)
        key += random.chance(0.1) ? "'q.r'." : random.chance(0.1) ? "\"[x]\" . " : "a.";
    key += std::string("z") + std::to_string(random.below(1000));
    switch (random.below(8)) {
    case 0:
        return "[" + key + "]\n";
    case 1:
        return "[[" + key + "]]\n";
    case 2:
        return key + " = 1\n";
    case 3:
        return std::string("x") + std::to_string(random.below(1000)) + " = " +
               repeated("[", depth) + "1" + repeated("]", depth) + "\n";
    case 4:
        return std::string("y") + std::to_string(random.below(1000)) + " = " +
               repeated("{a=", depth) + "1" + repeated("}", depth) + "\n";
    case 5:
        return std::string("w") + std::to_string(random.below(1000)) + " = " +
               repeated("[{a=", depth) + "1" + repeated("}]", depth) + "\n";
    case 6:
        return std::string("v") + std::to_string(random.below(1000)) + " = {" + key + " = 1}\n";
    default:
        // Unclosed, across lines.
        return "u = " + repeated("[\n", depth) + "\n";
    }
}

std::string long_line(Random& random) {
    const std::size_t length = random.between(5000, 300000);
    switch (random.below(3)) {
    case 0:
        return std::string("# ") + std::string(length, 'c') + "\n";
    case 1:
        return std::string("long = '") + std::string(length, 's') + "'\n";
    default:
        return std::string(length, 'k') + " = 1\n";
    }
}

void mutate(Random& random, std::string& text) {
    std::vector<std::string> lines = lines_with_ends(text);
    auto some_line = [&] { return lines.empty() ? 0 : random.below(lines.size()); };
    switch (random.below(12)) {
    case 0:
        text.resize(random.below(text.size() + 1));
        return;
    case 1:
        for (std::size_t n = random.between(1, 8); n > 0 && !text.empty(); --n)
            text[random.below(text.size())] = random.byte();
        return;
    case 2:
        text.insert(random.below(text.size() + 1),
                    random.pick(std::vector<std::string>{"\xFF", "\xC0\x80", "\x80", "\xED\xA0\x80",
                                                         "\xF4\x90\x80\x80", "\xE2\x82", "\0"}));
        return;
    case 3:
        text.insert(random.chance(0.8) ? 0 : random.below(text.size() + 1), "\xEF\xBB\xBF");
        return;
    case 4: { // a value of another kind
        std::size_t at = some_line();
        if (lines.empty())
            break;
        std::size_t equals = lines[at].find('=');
        if (equals != std::string::npos && lines[at][0] != '#')
            lines[at] = lines[at].substr(0, equals + 1) + " " + random.pick(values) + "\n";
        break;
    }
    case 5:
        lines.insert(lines.begin() +
                         static_cast<long>(lines.empty() ? 0 : random.below(lines.size() + 1)),
                     deep_line(random));
        break;
    case 6:
        lines.insert(lines.begin() +
                         static_cast<long>(lines.empty() ? 0 : random.below(lines.size() + 1)),
                     long_line(random));
        break;
    case 7:
        lines.insert(lines.begin() +
                         static_cast<long>(lines.empty() ? 0 : random.below(lines.size() + 1)),
                     random.pick(snippets));
        break;
    case 8:
        if (!lines.empty())
            lines.erase(lines.begin() + static_cast<long>(some_line()));
        break;
    case 9:
        if (!lines.empty()) {
            std::size_t at = some_line();
            lines.insert(lines.begin() + static_cast<long>(at), lines[at]);
        }
        break;
    case 10:
        if (lines.size() > 1)
            std::swap(lines[some_line()], lines[some_line()]);
        break;
    default: { // line ends of another system
        std::string changed;
        for (char c : text) {
            if (c == '\n')
                changed += random.chance(0.5) ? "\r\n" : "\n";
            else
                changed += c;
        }
        text = changed;
        return;
    }
    }
    text = joined(lines);
}

std::string base_text(Random& random) {
    const std::string path = "Z:\\nowhere\\mixxx.exe";
    if (random.chance(0.4))
        return settings_template_text(path);
    std::string text =
        "# written by an old version\n[general]\nmixxx_path = " + quote_toml_string(path) +
        std::string("\nmixxx_args = ['--developer']\nport = 5000\n\n") +
        std::string(embedded::legacy_keys_toml);
    if (random.chance(0.4))
        text += "\n[[keys]]\nkey = 'ctrl+alt+shift+y'\naction = 'stop_speech'\nlabel = 'quiet'\n";
    if (random.chance(0.3))
        text += "\n[shortcuts]\nplay = ['ctrl+p', 'alt+p']\n\"hotcue_1@deck2\" = []\n";
    return text;
}

struct Checker {
    std::filesystem::path folder;
    std::filesystem::path config = folder / L"config.toml";
    std::filesystem::path backup = folder / L"config.toml.bak";
    std::vector<std::string> log;

    Result<LoadedSettings> load() {
        log.clear();
        return load_settings({
            .folder = folder,
            .find_mixxx = [] { return std::optional<std::string>(); },
            .log = [this](std::string line) { log.push_back(std::move(line)); },
        });
    }

    std::optional<std::string> run(const std::string& original) {
        std::filesystem::remove_all(folder);
        test::write_file(config, original);
        auto loaded = load();
        const std::string shown = path_text(config);
        const std::string converted =
            "settings file converted to the new format (old one kept as " + path_text(backup) + ")";
        const bool conversion = log == std::vector<std::string>{converted};
        if (!log.empty() && !conversion)
            return "unexpected log: " + log.front();
        if (!loaded) {
            const std::string& error = loaded.error();
            if (!error.starts_with("error in " + shown + ": ") &&
                !error.starts_with("cannot read " + shown + ": "))
                return std::string("unexpected error: ") + error.substr(0, 300);
            if (conversion)
                return "a conversion that ended in an error";
        }
        if (!conversion) {
            if (test::read_file(config) != original)
                return "config.toml changed without a conversion";
            if (std::filesystem::exists(backup))
                return "a backup without a conversion";
            if (loaded) {
                auto again = read_settings_file(config);
                if (!again ||
                    converted_settings_text(*again) != converted_settings_text(loaded->settings))
                    return "reading the file again gives other settings";
            }
        } else {
            if (!std::filesystem::is_regular_file(backup) || test::read_file(backup) != original)
                return "the backup is no copy of the old file";
            auto reread = read_settings_file(config);
            if (!reread)
                return std::string("the converted file does not read back: ") +
                       reread.error().substr(0, 300);
            if (converted_settings_text(*reread) != converted_settings_text(loaded->settings))
                return "the converted file reads back as other settings";
            const std::string rewritten = test::read_file(config);
            auto second = load();
            if (!second || !log.empty() || test::read_file(config) != rewritten)
                return "a converted file is converted again";
        }
        if (loaded) {
            auto legacy = legacy_default_keys();
            for (const Binding& binding : loaded->settings.keys)
                if (!not_a_legacy_default(*legacy, binding))
                    return "a legacy entry was kept: " + binding.key;
        }
        return std::nullopt;
    }
};

TEST(Fuzz, SettingsLoader) {
    const fuzz::Plan plan = fuzz::plan_from_environment(2000);
    fuzz::Tally tally("settings loader", plan, std::chrono::milliseconds(3000));
    fuzz::Watchdog watchdog("settings loader", plan.seed, std::chrono::seconds(120));
    std::size_t tried = 0;
    test::TempFolder root;
    Checker checker{root.path() / L"Cuevoice"};
    // The key editor's thread reads the file too; this stack is smaller than any thread's.
    test::run_with_small_stack(256 * 1024, [&] {
        for (std::size_t index = plan.first; index < plan.first + plan.count; ++index) {
            Random random(plan.seed, index);
            std::string text = base_text(random);
            for (std::size_t n = random.between(1, 4); n > 0; --n)
                mutate(random, text);
            watchdog.start(index);
            const auto started = std::chrono::steady_clock::now();
            try {
                if (auto problem = checker.run(text))
                    tally.wrong(index, *problem, text);
            } catch (const std::exception& error) {
                tally.wrong(index, std::string("exception: ") + error.what(), text);
            } catch (...) {
                tally.wrong(index, "exception", text);
            }
            tally.timed(index, std::chrono::steady_clock::now() - started, text);
            watchdog.stop();
            ++tried;
        }
    });
    std::printf("%s", tally.report(tried).c_str());
    EXPECT_EQ(tried, plan.count) << "the run ended at input " << tried;
    EXPECT_EQ(tally.hangs(), 0u);
    EXPECT_EQ(tally.wrongs(), 0u);
}

} // namespace
} // namespace cuevoice
