#include <gtest/gtest.h>

#include "common/files.h"
#include "config/load_settings.h"
#include "config/settings_file.h"
#include "config/toml_nesting.h"
#include "small_stack.h"
#include "test_support.h"

namespace cuevoice {
namespace {

constexpr std::size_t small_stack = 64 * 1024;
const std::string general = "[general]\nmixxx_path = 'x'\n";

std::string dotted(std::size_t parts) {
    std::string key;
    for (std::size_t i = 1; i < parts; ++i)
        key += "a.";
    return key + "b";
}

std::string repeated(std::string_view piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// Arrays and inline tables in turn, `levels` deep.
std::string nested_value(std::size_t levels) {
    std::string open, close;
    for (std::size_t i = 0; i < levels; ++i) {
        open += i % 2 == 0 ? "[" : "{a = ";
        close += i % 2 == 0 ? ']' : '}';
    }
    return open + "1" + std::string(close.rbegin(), close.rend());
}

Result<Settings> parse_on_small_stack(const std::string& text) {
    Result<Settings> result = Error{"not run"};
    test::run_with_small_stack(small_stack,
                               [&] { result = parse_settings_text(text, "config.toml"); });
    return result;
}

std::string first_line(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST(SettingsNesting, DeepKeysAndValuesAreRefusedBeforeTheyReachTheParser) {
    const std::string deep_key = dotted(14500);
    const std::string key_problem = "a key with more than 32 dotted parts";
    const std::string value_problem = "arrays or inline tables nested more than 8 deep";
    struct Case {
        std::string line;
        std::string column;
        std::string reason;
    };
    const Case cases[] = {
        {"[" + deep_key + "]", "1", key_problem},
        {"[[" + deep_key + "]]", "1", key_problem},
        {deep_key + " = 1", "1", key_problem},
        {"x = {" + deep_key + " = 1}", "6", key_problem},
        {std::string("  \"q\".'r'.") + dotted(31) + " = 1", "3", key_problem},
        {std::string("x = ") + repeated("[", 1000) + repeated("]", 1000), "13", value_problem},
        {std::string("x = ") + repeated("{a=", 300) + std::string("1") + repeated("}", 300), "29",
         value_problem},
        {std::string("x = ") + nested_value(9), "29", value_problem},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 80));
        const std::string text = general + c.line + "\nport = 1\n";
        auto parsed = parse_on_small_stack(text);
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(first_line(parsed.error()), "TOML parse error at line 3, column " + c.column);
        EXPECT_TRUE(parsed.error().ends_with("\n" + c.reason)) << parsed.error().substr(0, 300);
    }
}

TEST(SettingsNesting, AHeaderWithoutANameIsRefusedWhereTheNameShouldStart) {
    // The parser assumes a name after the brackets and asserts so: these never reach it.
    const struct {
        std::string text;
        std::string where;
    } refused[] = {
        {"[\n", "line 1, column 2"},
        {"a = 1\n[\n", "line 2, column 2"},
        {"[  \n", "line 1, column 4"},
        {"[[\n", "line 1, column 3"},
        {"[[ \t\r\n", "line 1, column 5"},
        {"[=]\n", "line 1, column 2"},
        {"[#]\n", "line 1, column 2"},
        // The parser drops a byte-order mark at the start: a second one after the loader's.
        {"\xEF\xBB\xBF[[\r\n", "line 1, column 3"},
        {general + "[.a]\n", "line 3, column 2"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.text);
        auto parsed = parse_settings_text(c.text, "config.toml");
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(first_line(parsed.error()), "TOML parse error at line " + c.where.substr(5));
        EXPECT_TRUE(parsed.error().ends_with("\na table header without a name")) << parsed.error();
    }
    // Names of any script, quoted or between blanks, pass; an empty name and an unfinished
    // header are the parser's own errors.
    for (const std::string text : {"[é]\n", "[ a ]\n", "[[ 'k' ]]\n", "[\"\"]\n"}) {
        auto parsed = parse_settings_text(general + text, "config.toml");
        EXPECT_TRUE(parsed.ok()) << text << parsed.error();
    }
    for (const std::string text : {"[]\n", "[", "[ [a]]\n", "[general", "[\xC2\xA0\n"}) {
        auto parsed = parse_settings_text(text, "config.toml");
        ASSERT_FALSE(parsed.ok()) << text;
        EXPECT_FALSE(parsed.error().ends_with("without a name")) << parsed.error();
    }
}

TEST(SettingsNesting, TheLoaderReportsTheFileAndTheLineAndLeavesTheFile) {
    test::TempFolder root;
    const auto folder = root.path() / L"Cuevoice";
    const auto config = folder / L"config.toml";
    const std::string text = general + std::string("\n[") + dotted(14500) + "]\n";
    test::write_file(config, text);
    std::vector<std::string> log;
    auto loaded = load_settings({
        .folder = folder,
        .find_mixxx = [] { return std::optional<std::string>(); },
        .log = [&](std::string line) { log.push_back(std::move(line)); },
    });
    ASSERT_FALSE(loaded.ok());
    EXPECT_EQ(first_line(loaded.error()),
              "error in " + path_text(config) + ": TOML parse error at line 4, column 1");
    EXPECT_TRUE(loaded.error().ends_with("\na key with more than 32 dotted parts"));
    EXPECT_EQ(test::read_file(config), text);
    EXPECT_TRUE(log.empty());
}

TEST(SettingsNesting, FilesWithinTheBoundsParseAsBeforeOnASmallStack) {
    // Dots, brackets and braces inside strings, quoted keys and comments count for nothing.
    const std::string quoted =
        std::string("\"") + repeated("a.", 100) + std::string("\" = 1\n'") + repeated("[{.", 50) +
        std::string("' = 2\nx = \"") + repeated("[{", 50) + "\\\"[[\"\n" +
        std::string("y = '''\n") + repeated("[[a.b]]\n", 40) + "''''\n" +
        std::string("z = \"\"\"\\\"\"\"[[[\n") + repeated("{", 40) + "\"\"\"\"\"\n" +
        std::string("# ") + repeated("[", 100) + "\nw = [ # [[[[[[[[[[\n 1,\n]\n";
    const std::string texts[] = {
        general + std::string("[") + dotted(32) + std::string("]\n") + dotted(32) +
            std::string(" = ") + nested_value(8) + std::string("\n[[c.") + dotted(31) +
            std::string("]]\nv = {") + dotted(32) + std::string(" = ") + nested_value(7) + "}\n",
        general + std::string("x = ") + repeated("{a=", 8) + std::string("1") + repeated("}", 8) +
            "\n" + std::string("y = ") + repeated("[", 8) + repeated("]", 8) + "\n",
        general + quoted,
        general + "t = {\n  a = [1, 2,],\n  b.c = {d = [[{e = 1}]]},\n}\n",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 200));
        EXPECT_FALSE(find_excessive_nesting(text).has_value());
        auto parsed = parse_on_small_stack(text);
        EXPECT_TRUE(parsed.ok()) << parsed.error();
    }
}

} // namespace
} // namespace cuevoice
