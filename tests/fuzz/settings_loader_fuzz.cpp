// Whole settings files, made from the first-start template and from an old file full of
// legacy entries and then damaged: bytes changed, and their own structure broken as a hand edit
// breaks it (lines moved, cut, doubled or swapped; lone brackets, quotes and headers put in;
// values nested), loaded from a temporary folder on a thread with a small stack. Whatever the file, the load ends in settings or an error text, config.toml changes only
// by the conversion, a converted file reads back, and the backup is the old file byte for byte.
// Each file that loads is then edited and saved as the key editor does: the save either writes
// a file that loads again with every line outside [shortcuts] kept, or fails with an error text
// and leaves the file as it was.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/files.h"
#include "config/key_chord.h"
#include "config/load_settings.h"
#include "config/settings_file.h"
#include "config/settings_writer.h"
#include "editor/editor_commands.h"
#include "editor/save_settings.h"
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

// Pieces of TOML's own structure, as a hand edit leaves them: a bracket or quote alone, an
// unfinished header or value, a header of the template, deep nesting in one line.
const std::vector<std::string> structure = {"[",
                                            "[[",
                                            "]",
                                            "]]",
                                            "{",
                                            "}",
                                            "\"",
                                            "'",
                                            "=",
                                            ".",
                                            ",",
                                            "#",
                                            "[ ",
                                            "[[ ",
                                            "[\t",
                                            "[ [",
                                            "[\xC2\xA0",
                                            "[\xE3\x80\x80",
                                            "[general",
                                            "[general]",
                                            "[shortcuts]",
                                            "[[keys]]",
                                            "[keys]",
                                            "[[shortcuts]]",
                                            "[.]",
                                            "[a.]",
                                            "[\"\"]",
                                            "[é]",
                                            "x = [",
                                            "x = {",
                                            "x = [[[[1]]]]",
                                            "x = {a = {b = {c = 1}}}",
                                            "x = [{a = [{b = 1}]}]",
                                            "x = [1,",
                                            "x = { a = 1,",
                                            "= 1"};

std::string line_end(Random& random) {
    return random.pick(std::vector<std::string>{"\n", "\r\n", "\n", ""});
}

void mutate(Random& random, std::string& text) {
    std::vector<std::string> lines = lines_with_ends(text);
    auto some_line = [&] { return lines.empty() ? 0 : random.below(lines.size()); };
    auto some_place = [&] {
        return lines.begin() +
               static_cast<long>(lines.empty() ? 0 : random.below(lines.size() + 1));
    };
    switch (random.below(15)) {
    case 12: // a piece of structure on a line of its own
        lines.insert(some_place(), random.pick(structure) + line_end(random));
        break;
    case 13: // a piece of structure at the start or the end of a line
        if (!lines.empty()) {
            std::string& line = lines[some_line()];
            const std::string piece = random.pick(structure);
            std::size_t end = line.find_first_of("\r\n");
            line.insert(random.chance(0.5)         ? 0
                        : end == std::string::npos ? line.size()
                                                   : end,
                        piece);
        }
        break;
    case 14: // cut after a whole line, or inside one
        if (!lines.empty())
            lines.resize(some_line() + 1);
        if (!lines.empty() && random.chance(0.3))
            lines.back().resize(random.below(lines.back().size() + 1));
        break;
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

// One input of the settings targets: a settings file, changed a few times.
std::string mutated_text(Random& random) {
    std::string text = base_text(random);
    for (std::size_t n = random.between(1, 4); n > 0; --n)
        mutate(random, text);
    return text;
}

void on_small_stack(const std::function<void()>& loop) {
    test::run_with_small_stack(256 * 1024, loop);
}

TEST(Fuzz, SettingsLoader) {
    test::TempFolder root;
    Checker checker{root.path() / L"Cuevoice"};
    fuzz::run_target(
        {"settings loader", 2000, std::chrono::milliseconds(3000), std::chrono::seconds(120)},
        mutated_text,
        [&](Random&, const std::string& text, const fuzz::Wrong& wrong) {
            if (auto problem = checker.run(text))
                wrong(*problem, text);
        },
        // The key editor's thread reads the file too; this stack is smaller than any thread's.
        on_small_stack);
}

// The file's lines without their line ends, and the lines of its [shortcuts] section (up to the
// next table or the advanced part) left out. The save rewrites that section, drops a leading
// byte-order mark (each save one, and the editor's commands save too) and writes single line
// feeds; every other line must come back byte for byte.
std::vector<std::string> lines_outside_shortcuts(std::string text) {
    while (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);
    auto trimmed_start = [](const std::string& line) {
        std::size_t first = line.find_first_not_of(" \t\r\n\v\f");
        return first == std::string::npos ? std::string() : line.substr(first);
    };
    std::vector<std::string> kept;
    bool inside = false;
    for (std::string line : lines_with_ends(text)) {
        if (line.ends_with('\n'))
            line.pop_back();
        if (line.ends_with('\r'))
            line.pop_back();
        const std::string start = trimmed_start(line);
        std::string whole = start;
        while (!whole.empty() && std::string(" \t\r\n\v\f").find(whole.back()) != std::string::npos)
            whole.pop_back();
        if (whole == "[shortcuts]")
            inside = true;
        else if (inside && (start.starts_with("[") || start.starts_with("# --- Advanced")))
            inside = false;
        if (!inside)
            kept.push_back(line);
    }
    return kept;
}

// Blank lines may be added around a section that the save inserts; no other line may change.
bool kept_apart_from_blank_lines(const std::vector<std::string>& before,
                                 const std::vector<std::string>& after) {
    std::size_t a = 0;
    for (const std::string& line : before) {
        while (a < after.size() && after[a].empty() && !line.empty())
            ++a;
        if (a == after.size() || after[a] != line)
            return false;
        ++a;
    }
    for (; a < after.size(); ++a)
        if (!after[a].empty())
            return false;
    return true;
}

const std::vector<std::uint32_t> chord_modifiers = {modifier_ctrl | modifier_alt,
                                                    modifier_ctrl | modifier_shift,
                                                    modifier_alt | modifier_shift,
                                                    modifier_ctrl | modifier_alt | modifier_shift,
                                                    modifier_shift,
                                                    0,
                                                    modifier_win | modifier_ctrl};
const std::vector<std::uint32_t> chord_keys = {'A',     'P',      'Z',      '1',    '0',
                                               VK_F1,   VK_F12,   VK_F13,   VK_F24, VK_PRIOR,
                                               VK_NEXT, VK_OEM_1, VK_SPACE, VK_LEFT};

// One change as the editor makes it, and what it was for the report. A command the editor
// refuses saves nothing; the save after the changes covers that case too.
std::string change_keys(Random& random, EditorState& state) {
    const std::vector<FunctionEntry>& functions = catalog();
    const FunctionEntry& function = functions[random.below(functions.size())];
    std::string id = function.id;
    std::optional<std::uint8_t> deck;
    if (function.deck_function && random.chance(0.3)) {
        deck = static_cast<std::uint8_t>(random.between(1, 4));
        id += "@deck" + std::to_string(*deck);
    }
    const Ask yes = [](const Prompt&) { return true; };
    // The editor's commands keep the model's rules (canonical texts, one holder per chord), so
    // changes go through them; only taking every key away is made directly.
    switch (random.below(3)) {
    case 0:
        assign_shortcut(state, id, random.pick(chord_modifiers), random.pick(chord_keys), yes);
        return "assign to " + id;
    case 1: {
        FunctionRow row{id, &function, deck};
        auto found = state.model.function_keys.find(id);
        std::size_t keys = found == state.model.function_keys.end() ? 0 : found->second.size();
        delete_shortcut(state, row,
                        keys ? std::optional<std::size_t>(random.below(keys)) : std::nullopt);
        return "delete from " + id;
    }
    default:
        state.model.function_keys[id] = {};
        return "no keys for " + id;
    }
}

struct SaveChecker {
    std::filesystem::path folder;
    std::filesystem::path config = folder / L"config.toml";
    std::size_t saved = 0;
    std::size_t refused = 0;   // the save failed with an error text, the file unchanged
    std::size_t unloaded = 0;  // the fuzzed file did not load: nothing to edit
    std::size_t no_editor = 0; // loaded, but the editor cannot open on it

    std::optional<std::string> run(Random& random, const std::string& original) {
        std::filesystem::remove_all(folder);
        test::write_file(config, original);
        auto loaded = load_settings({
            .folder = folder,
            .find_mixxx = [] { return std::optional<std::string>(); },
            .log = [](std::string) {},
        });
        if (!loaded) {
            ++unloaded;
            return std::nullopt;
        }
        auto state = new_editor_state(*loaded, nullptr);
        if (!state) {
            ++no_editor;
            return std::nullopt;
        }
        const std::string before = test::read_file(config);
        std::string what;
        for (std::size_t n = random.between(1, 3); n > 0; --n)
            what += change_keys(random, *state) + "; ";
        // The commands save as they go; this save gives the outcome of the last state.
        Result<void> result = save_settings(*state);
        const std::string after = test::read_file(config);
        if (!result) {
            if (result.error().empty())
                return what + "a failed save without an error text";
            if (after != before)
                return what + "a failed save changed the file: " + result.error().substr(0, 200);
            ++refused;
            return std::nullopt;
        }
        auto reread = read_settings_file(config);
        if (!reread)
            return what + "the saved file does not read: " + reread.error().substr(0, 300);
        if (reread->general != loaded->settings.general || reread->keys != loaded->settings.keys)
            return what + "the saved file has other [general] or [[keys]]";
        // What the editor holds is what it shows when opened on the saved file again: the
        // entries that file's model would save are the ones this save wrote.
        auto reopened = build_editor_model(*reread);
        if (!reopened)
            return what + "the editor cannot open on the saved file: " + reopened.error();
        if (shortcut_entries(*reopened) != shortcut_entries(state->model))
            return what + "the saved file gives the editor other shortcuts";
        if (!kept_apart_from_blank_lines(lines_outside_shortcuts(before),
                                         lines_outside_shortcuts(after)))
            return what + "a line outside [shortcuts] changed";
        auto again = load_settings({
            .folder = folder,
            .find_mixxx = [] { return std::optional<std::string>(); },
            .log = [](std::string) {},
        });
        if (!again)
            return what + "the saved file does not load: " + again.error().substr(0, 300);
        if (test::read_file(config) != after)
            return what + "loading the saved file changed it";
        ++saved;
        return std::nullopt;
    }
};

TEST(Fuzz, EditorSave) {
    test::TempFolder root;
    SaveChecker checker{root.path() / L"Cuevoice"};
    const fuzz::Plan plan = fuzz::run_target(
        {"editor save", 1000, std::chrono::milliseconds(3000), std::chrono::seconds(120)},
        mutated_text,
        [&](Random& random, const std::string& text, const fuzz::Wrong& wrong) {
            if (auto problem = checker.run(random, text))
                wrong(*problem, text);
        },
        // The editor saves on its own thread.
        on_small_stack);
    std::printf("editor save: %zu saved, %zu refused with the file unchanged, %zu not loaded, "
                "%zu loaded but no editor\n",
                checker.saved, checker.refused, checker.unloaded, checker.no_editor);
    // Enough inputs must reach the save, or the run shows nothing.
    if (plan.count >= 100) {
        EXPECT_GT(checker.saved, plan.count / 10);
    }
}

} // namespace
} // namespace cuevoice
