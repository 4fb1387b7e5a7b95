#include <string>

#include <gtest/gtest.h>

#include "common/utf8.h"

using namespace cuevoice;

namespace {

struct DecodeCase {
    std::string text;
    char32_t value;
    std::size_t length;
};

} // namespace

TEST(Utf8, DecodesOneCodePointOrOneMalformedByte) {
    const DecodeCase cases[] = {
        {"a", U'a', 1},
        {"\x7F", 0x7F, 1},
        {"\xC2\x80", 0x80, 2},       // smallest two-byte form
        {"\xC3\xA9x", 0xE9, 2},      // é, followed by more text
        {"\xE0\xA0\x80", 0x800, 3},  // smallest three-byte form
        {"\xE3\x80\x80", 0x3000, 3}, // ideographic space
        {"\xEF\xBF\xBF", 0xFFFF, 3},
        {"\xF0\x90\x80\x80", 0x10000, 4},  // smallest four-byte form
        {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4}, // the last code point
        {"\x80", not_a_code_point, 1},     // lone continuation byte
        {"\xFF", not_a_code_point, 1},
        {"\xF8\x88\x80\x80\x80", not_a_code_point, 1}, // five-byte form
        {"\xC0\xA0", not_a_code_point, 1},             // a blank written in two bytes
        {"\xC1\xBF", not_a_code_point, 1},             // overlong
        {"\xE0\x9F\xBF", not_a_code_point, 1},         // overlong
        {"\xF0\x8F\xBF\xBF", not_a_code_point, 1},     // overlong
        {"\xED\xA0\x80", not_a_code_point, 1},         // first surrogate
        {"\xED\xBF\xBF", not_a_code_point, 1},         // last surrogate
        {"\xF4\x90\x80\x80", not_a_code_point, 1},     // above U+10FFFF
        {"\xF5\x80\x80\x80", not_a_code_point, 1},
        {"\xE2\x82", not_a_code_point, 1},     // cut short at the end
        {"\xE2\x82x", not_a_code_point, 1},    // cut short before another character
        {"\xC3\xC3\xA9", not_a_code_point, 1}, // a lead where a continuation belongs
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        CodePoint found = decode_utf8_at(c.text, 0);
        EXPECT_EQ(found.value, c.value);
        EXPECT_EQ(found.length, c.length);
    }
}

TEST(Utf8, DecodesTheCodePointBeforeAnEnd) {
    struct Case {
        std::string text;
        std::size_t end;
        char32_t value;
        std::size_t length;
    } cases[] = {
        {"ab", 2, U'b', 1},
        {"a\xC3\xA9", 3, 0xE9, 2},
        {"\xE3\x80\x80", 3, 0x3000, 3},
        {"x\xF0\x9F\x8E\xA7", 5, 0x1F3A7, 4},
        {"\xE3\x80\x80z", 3, 0x3000, 3}, // an end inside the text
        {"a\x80", 2, not_a_code_point, 1},
        {"a\xE3\x80", 3, not_a_code_point, 1},    // cut short
        {"\xC3\xA9\x80", 3, not_a_code_point, 1}, // one continuation too many
        {"\x80\x80\x80\x80\x80", 5, not_a_code_point, 1},
        {"\xC0\xA0", 2, not_a_code_point, 1}, // overlong blank
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        CodePoint found = decode_utf8_before(c.text, c.end);
        EXPECT_EQ(found.value, c.value);
        EXPECT_EQ(found.length, c.length);
    }
}

TEST(Utf8, ATextIsValidOnlyWhenEveryCodePointIs) {
    EXPECT_TRUE(is_valid_utf8(""));
    EXPECT_TRUE(is_valid_utf8("caf\xC3\xA9 \xE2\x99\xAB \xF0\x9F\x8E\xA7"));
    // One bad byte anywhere, first, in the middle or last, spoils the whole text.
    EXPECT_FALSE(is_valid_utf8("\xFF"
                               "abc"));
    EXPECT_FALSE(is_valid_utf8("ab\xED\xA0\x80"
                               "cd"));
    EXPECT_FALSE(is_valid_utf8("abc\xC3"));
}
