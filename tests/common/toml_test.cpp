// The TOML library as the program builds it: its own checks end a parse as a syntax error at the
// character they stopped on, and its faults that text reaches are mended in its headers.
#include <gtest/gtest.h>

#include "common/toml.h"

namespace cuevoice {
namespace {

// Letters from U+00A1 up are not blanks. Debian's toml++ 3.3 reaches __builtin_unreachable for
// most of them, which is no constant expression: against unmended headers this does not build.
static_assert(!toml::impl::is_non_ascii_horizontal_whitespace(U'\u00E9'));
static_assert(toml::impl::is_non_ascii_horizontal_whitespace(U'\u3000'));

TEST(TomlLibrary, TellsBlanksFromOtherCharactersAboveAscii) {
    for (char32_t letter : {U'\u00A1', U'\u00E9', U'\u00FC', U'\u00F1', U'\u0416', U'\u4E2D',
                            U'\u200C', U'\uFEFE', U'\u2100'})
        EXPECT_FALSE(toml::impl::is_non_ascii_horizontal_whitespace(letter))
            << static_cast<unsigned>(letter);
    for (char32_t blank :
         {U'\u00A0', U'\u1680', U'\u2000', U'\u200B', U'\u202F', U'\u205F', U'\u3000', U'\uFEFF'})
        EXPECT_TRUE(toml::impl::is_non_ascii_horizontal_whitespace(blank))
            << static_cast<unsigned>(blank);
}

TEST(TomlLibrary, AFailedCheckOfItsOwnIsASyntaxErrorWhereItStopped) {
    const struct {
        std::string text;
        toml::source_index line;
        toml::source_index column;
        std::string check;
    } cases[] = {
        {"mixxx_args = [}\n", 1, 15, "!is_value_terminator(*cp)"},
        {"a = 1\nmixxx_args = ['--developer', }\n", 2, 30, "!is_value_terminator(*cp)"},
        {"x = 1979-05-27T:00\n", 1, 16, "is_decimal_digit(*cp)"},
        {"x = 1979-05-27Tnan32:00]\n", 1, 16, "is_decimal_digit(*cp)"},
        {"a = {b = 1, c = [1,}{d,]=23}\n", 1, 20, "!is_value_terminator(*cp)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            (void)toml::parse(c.text, std::string_view("config.toml"));
            ADD_FAILURE() << "parsed";
        } catch (const toml::parse_error& error) {
            EXPECT_EQ(error.source().begin.line, c.line);
            EXPECT_EQ(error.source().begin.column, c.column);
            EXPECT_EQ(error.description(),
                      "the TOML library cannot read the text here (its check failed: " + c.check +
                          ")");
        }
    }
}

} // namespace
} // namespace cuevoice
