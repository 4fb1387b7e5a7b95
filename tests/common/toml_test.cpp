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

// The library's reader decodes the text and throws its own parse errors for bytes that are no
// UTF-8. The parser reaches it only through a virtual call, which the build's noexcept check
// cannot follow: a frame between them that is noexcept again ends here in std::terminate. The
// program refuses such bytes before the library sees them, so only this test puts them in front
// of it. The reader decodes 32 bytes at a time and names the last character it decoded before the
// broken bytes in that block, or where they begin when it decoded none there. Past the first
// block, it fails while the parser is inside the string, comment or key that holds them. (Its
// third message, a sequence still open after four bytes, never comes: the decoder has finished or
// refused every sequence by its fourth byte.)
TEST(TomlLibrary, ItsReaderRefusesTextThatIsNoUtf8AsASyntaxError) {
    const std::string invalid = "Encountered invalid utf-8 sequence";
    const std::string cut_off = "Encountered EOF during incomplete utf-8 code point sequence";
    const std::string pad(40, 'x');
    const struct {
        const char* what;
        std::string text;
        toml::source_index line;
        toml::source_index column;
        const std::string& description;
    } cases[] = {
        {"a byte that starts nothing, first", "\xff", 1, 1, invalid},
        {"a continuation byte, first",
         "\x80"
         "a = 1\n",
         1, 1, invalid},
        {"a lead byte without its continuation (Windows-1252)", "name = \"Caf\xe9\"\n", 1, 11,
         invalid},
        {"overlong, 2 bytes", "a = \"\xc0\xaf\"\n", 1, 5, invalid},
        {"overlong, 3 bytes", "a = \"\xe0\x80\xaf\"\n", 1, 5, invalid},
        {"overlong, 4 bytes", "a = \"\xf0\x80\x80\xaf\"\n", 1, 5, invalid},
        {"a surrogate", "a = \"\xed\xa0\x80\"\n", 1, 5, invalid},
        {"above U+10FFFF", "a = \"\xf4\x90\x80\x80\"\n", 1, 5, invalid},
        {"in a comment", "# \xff\n", 1, 2, invalid},
        {"after a key", "a\xff = 1\n", 1, 1, invalid},
        {"after a value", "a = 1 \xff\n", 1, 6, invalid},
        {"cut off by the end, in a string", "a = \"\xe2\x82", 1, 5, cut_off},
        {"cut off by the end, in a comment", "# \xf0\x9f\x98", 1, 2, cut_off},
        {"later, in a string", "a = \"" + pad + "\xff\"\n", 1, 45, invalid},
        {"later, in a multi-line string", "a = '''\n" + pad + "\xc0\xaf'''\n", 2, 40, invalid},
        {"later, in a comment", "# " + pad + "\xff\n", 1, 42, invalid},
        {"later, in a key", pad + "\xff = 1\n", 1, 40, invalid},
        {"later, in a table's name", "[" + pad + "\xff]\n", 1, 41, invalid},
        {"later, cut off by the end", "a = 1\nb = \"" + pad + "\xe2\x82", 2, 45, cut_off},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            (void)toml::parse(c.text, std::string_view("config.toml"));
            ADD_FAILURE() << "parsed";
        } catch (const toml::parse_error& error) {
            EXPECT_EQ(error.source().begin.line, c.line);
            EXPECT_EQ(error.source().begin.column, c.column);
            EXPECT_EQ(error.description(), c.description);
            ASSERT_NE(error.source().path, nullptr);
            EXPECT_EQ(*error.source().path, "config.toml");
        }
    }
}

} // namespace
} // namespace cuevoice
