#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bridge/protocol.h"
#include "common/utf8.h"

using namespace cuevoice;

TEST(WireFormat, EncodesCompactSortedLinesWithShortestDoubles) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        json message;
        std::string line;
    } cases[] = {
        {json{{"cmd", "get"},
              {"group", "[Channel1]"},
              {"id", 7u},
              {"key", "play"},
              {"prop", "value"}},
         R"({"cmd":"get","group":"[Channel1]","id":7,"key":"play","prop":"value"})"},
        {json{{"value", 1.0}}, R"({"value":1.0})"},
        {json{{"value", 0.5}}, R"({"value":0.5})"},
        {json{{"value", 0.1}}, R"({"value":0.1})"},
        {json{{"value", -2.0}}, R"({"value":-2.0})"},
        {json{{"value", 1e300}}, R"({"value":1e+300})"},
        // Doubles whose shortest form is easy to miss by one digit.
        {json{{"value", 318.7508896797153}}, R"({"value":318.7508896797153})"},
        {json{{"value", 62.0855614973262}}, R"({"value":62.0855614973262})"},
        {json{{"value", -7.544728159223124e152}}, R"({"value":-7.544728159223124e+152})"},
        {json{{"value", 2.522923758208279e-228}}, R"({"value":2.522923758208279e-228})"},
        {json{{"value", 1e-5}}, R"({"value":1e-05})"},
        {json{{"value", 0.0001}}, R"({"value":0.0001})"},
        {json{{"value", 123456789012345680.0}}, R"({"value":1.2345678901234568e+17})"},
        {json{{"value", -0.0}}, R"({"value":-0.0})"},
        {json{{"deep", json::array({json{{"b", 0.3}, {"a", json::array({2.5, 7u})}}})}},
         R"({"deep":[{"a":[2.5,7],"b":0.3}]})"},
        {json{{"value", nan}}, R"({"value":null})"},
        {json{{"value", -inf}}, R"({"value":null})"},
        {json{{"index", std::int64_t{-3}}}, R"({"index":-3})"},
        {json{{"id", std::uint64_t{18446744073709551615u}}}, R"({"id":18446744073709551615})"},
        // Non-ASCII stays as its bytes; quotes, backslashes and control characters are escaped.
        {json{{"token", "D\xC3\xA9j\xC3\xA0 \"vu\" \\ \x01\n"}},
         "{\"token\":\"D\xC3\xA9j\xC3\xA0 \\\"vu\\\" \\\\ \\u0001\\n\"}"},
        // Byte order: upper case before lower case, non-ASCII after everything else.
        {json{{"\xC3\xA9", 1u}, {"z", 2u}, {"Z", 3u}, {"a", 4u}},
         "{\"Z\":3,\"a\":4,\"z\":2,\"\xC3\xA9\":1}"},
        {json{{"controls", json::array({json::array({"[Channel1]", "play"})})}, {"cmd", "getmany"}},
         R"({"cmd":"getmany","controls":[["[Channel1]","play"]]})"},
        {json{{"cmd", "selectedtrack"}}, R"({"cmd":"selectedtrack"})"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(encode_line(c.message), c.line + "\n");
}

TEST(WireFormat, ChecksUtf8Strictly) {
    struct Case {
        std::string text;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ascii \r\t", true},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xA7", true}, // é € 🎧
        {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", true},         // U+FFFF, U+10FFFF
        {"\xFF", false},
        {"\x80", false},             // lone continuation byte
        {"\xC0\xAF", false},         // overlong
        {"\xE0\x80\xAF", false},     // overlong
        {"\xED\xA0\x80", false},     // surrogate
        {"\xF4\x90\x80\x80", false}, // above U+10FFFF
        {"\xE2\x82", false},         // cut short at the end
        {"\xE2\x82x", false},        // cut short in the middle
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_valid_utf8(c.text), c.valid) << testing::PrintToString(c.text);
}

namespace {

std::vector<std::string> split(const std::vector<std::string>& pieces, bool end_of_stream = true) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    for (const auto& piece : pieces)
        splitter.feed(piece, [&](std::string_view line) {
            lines.emplace_back(line);
            return true;
        });
    if (end_of_stream)
        if (auto last = splitter.finish())
            lines.push_back(*last);
    return lines;
}

} // namespace

TEST(WireFormat, CutsLinesAtLineFeedsAcrossPieces) {
    using Lines = std::vector<std::string>;
    struct Case {
        Lines pieces;
        Lines lines;
    } cases[] = {
        {{"a\nb\r\nc\n"}, {"a", "b", "c"}},
        {{"a\r", "\nb"}, {"a", "b"}},         // "\r" and "\n" in different pieces
        {{"x\ry\n"}, {"x\ry"}},               // a "\r" inside a line stays
        {{"a\r\r\n"}, {"a\r"}},               // only one "\r" goes
        {{"\n\r\n"}, {"", ""}},               // empty lines are lines
        {{"ab", "c", "d\ne"}, {"abcd", "e"}}, // the last line needs no "\n"
        {{"done\n"}, {"done"}},
        {{"tail\r"}, {"tail\r"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(split(c.pieces), c.lines) << testing::PrintToString(c.pieces);
}

TEST(WireFormat, CollectsAVeryLongLineWhole) {
    std::string line(1 << 20, 'x');
    std::vector<std::string> pieces;
    std::string stream = line + "\r\nnext\n";
    for (std::size_t at = 0; at < stream.size(); at += 8192)
        pieces.push_back(stream.substr(at, 8192));
    EXPECT_EQ(split(pieces), (std::vector<std::string>{line, "next"}));
}

TEST(WireFormat, StopsWhenTheHandlerSaysSo) {
    LineSplitter splitter;
    std::vector<std::string> lines;
    bool went_on = splitter.feed("one\nbad\nthree\n", [&](std::string_view line) {
        lines.emplace_back(line);
        return line != "bad";
    });
    EXPECT_FALSE(went_on);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "bad"}));
}

TEST(Routing, IgnoresLinesThatAreNotUsableObjects) {
    const char* lines[] = {
        "",
        " \t\r",
        "[1,2]",
        "{}",
        " {} ",
        "garbage",
        "\"text\"",
        "null",
        R"({"id":1,"ok":true} trailing)",
        R"({"id":1,"ok":true}{"id":2})",
        R"({"id":-1,"ok":true})",
        R"({"id":5.0,"ok":true})",
        R"({"id":"5","ok":true})",
        R"({"id":18446744073709551616,"ok":true})",
        R"({"ok":true})",
        R"({"event":"changed")",
        // Only white space may surround the value; a byte-order mark is not white space.
        "\xEF\xBB\xBF{\"id\":1,\"ok\":true}",
    };
    for (const char* line : lines)
        EXPECT_TRUE(std::holds_alternative<Ignored>(route_line(line))) << line;

    // Deep nesting is parsed and thrown away without exhausting the stack.
    const std::size_t depth = 200000;
    EXPECT_TRUE(std::holds_alternative<Ignored>(
        route_line(std::string(depth, '[') + std::string(depth, ']'))));
    EXPECT_TRUE(std::holds_alternative<Ignored>(
        route_line("{\"a\":" + std::string(depth, '[') + std::string(depth, ']') + "}")));
}

TEST(Routing, ALineHoldingANulByteIsInvalidWhereverTheNulIs) {
    using namespace std::string_literals;
    const std::string lines[] = {
        "{\"id\":1}\0"s,
        "{\"id\":3,\"ok\":true}\0{\"id\":4}"s,
        "{\"event\":\"changed\",\"value\":1}\0junk"s,
        "\0{\"id\":1,\"ok\":true}"s,
        "{\"id\":1,\"ok\":true,\"s\":\"a\0b\"}"s,
        "{\"id\":1,\"ok\":true,\"s\":\"a\\\0b\"}"s,
    };
    for (const std::string& line : lines)
        EXPECT_TRUE(std::holds_alternative<Ignored>(route_line(line))) << line;
}

TEST(Routing, ANumberLongerThanAnyDoubleNeedsMakesTheLineInvalid) {
    const std::string digits(1 << 20, '1');
    const std::string lines[] = {
        R"({"id":16,"ok":true,"n":0.)" + digits + "}",
        R"({"id":16,"ok":true,"n":-)" + digits + "}",
        R"({"id":16,"ok":true,"n":1e)" + digits + "}",
        R"({"event":"changed","value":[1,)" + std::string(401, '9') + "]}",
    };
    for (const std::string& line : lines)
        EXPECT_TRUE(std::holds_alternative<Ignored>(route_line(line))) << line.substr(0, 60);

    // The full fixed-point form of the largest double still counts, and digits inside texts
    // are no numbers.
    const std::string largest = std::string("1") + std::string(308, '0') + ".0";
    const std::string kept[] = {
        R"({"id":17,"ok":true,"n":)" + largest + "}",
        R"({"id":17,"ok":true,"n":-0.)" + std::string(397, '5') + "}",
        R"({"id":17,"ok":true,"s":")" + digits + R"(","t":"\")" + digits + "\\\"\"}",
    };
    for (const std::string& line : kept) {
        RoutedLine routed = route_line(line);
        ASSERT_TRUE(std::holds_alternative<Reply>(routed)) << line.substr(0, 60);
        EXPECT_EQ(std::get<Reply>(routed).id, 17u);
    }
    EXPECT_EQ(read_number(std::get<Reply>(route_line(kept[0])).object, "n"), 1e308);
}

TEST(Routing, RoutesRepliesByTheirNonNegativeIntegerId) {
    struct Case {
        const char* line;
        std::uint64_t id;
    } cases[] = {
        {R"({"ok":true,"id":5,"value":1})", 5},
        {R"(  {"id":0}  )", 0},
        {R"({"id":18446744073709551615})", 18446744073709551615u},
        // Another event text is not a change event, so the object is a possible reply.
        {R"({"event":"loaded","id":4})", 4},
        {R"({"event":7,"id":9})", 9},
    };
    for (const auto& c : cases) {
        RoutedLine routed = route_line(c.line);
        ASSERT_TRUE(std::holds_alternative<Reply>(routed)) << c.line;
        EXPECT_EQ(std::get<Reply>(routed).id, c.id);
        EXPECT_EQ(std::get<Reply>(routed).object, json::parse(c.line));
    }
}

TEST(Routing, ReadsChangeEventsWhateverElseTheyHold) {
    struct Case {
        const char* line;
        ChangeEvent event;
    } cases[] = {
        {R"({"event":"changed","group":"[Channel1]","key":"play","value":2})",
         {"[Channel1]", "play", 2.0}},
        {R"({"value":-1,"key":"rate","group":"[Channel2]","event":"changed"})",
         {"[Channel2]", "rate", -1.0}},
        {R"({"event":"changed","group":"[Master]","key":"crossfader","value":0.25})",
         {"[Master]", "crossfader", 0.25}},
        {R"({"event":"changed","group":"[Channel1]","key":"play","value":true})",
         {"[Channel1]", "play", 0.0}},
        {R"({"event":"changed","group":1,"key":null,"value":"3"})", {"", "", 0.0}},
        {R"({"event":"changed","id":3})", {"", "", 0.0}},
        {R"({"event":"changed","value":18446744073709551615})", {"", "", 18446744073709551615.0}},
    };
    for (const auto& c : cases) {
        RoutedLine routed = route_line(c.line);
        ASSERT_TRUE(std::holds_alternative<ChangeEvent>(routed)) << c.line;
        EXPECT_EQ(std::get<ChangeEvent>(routed), c.event) << c.line;
    }
}

TEST(Replies, SucceedOnlyWhenOkIsTheLiteralTrue) {
    struct Case {
        const char* reply;
        bool ok;
        const char* error;
    } cases[] = {
        {R"({"id":1,"ok":true,"value":1})", true, ""},
        {R"({"id":1,"ok":true,"error":"ignored"})", true, ""},
        {R"({"id":1,"ok":1})", false, "request failed"},
        {R"({"id":1,"ok":"true"})", false, "request failed"},
        {R"({"id":1})", false, "request failed"},
        {R"({"id":1,"ok":false,"error":""})", false, ""},
        {R"({"id":1,"ok":false,"error":"no such control"})", false, "no such control"},
        {R"({"id":1,"ok":null,"error":"x"})", false, "x"},
        {R"({"id":1,"ok":false,"error":42})", false, "request failed"},
    };
    for (const auto& c : cases) {
        Result<json> judged = judge_reply(json::parse(c.reply));
        ASSERT_EQ(judged.ok(), c.ok) << c.reply;
        if (judged)
            EXPECT_EQ(*judged, json::parse(c.reply));
        else
            EXPECT_EQ(judged.error(), c.error) << c.reply;
    }
}

TEST(Replies, ReadsIntegersOnlyWhereTheyFit) {
    struct Case {
        const char* value;
        std::uint64_t as_unsigned;
        std::int64_t as_signed;
    } cases[] = {
        {"5", 5, 5},
        {"-1", 0, -1},
        {"-0", 0, 0},
        {"2.0", 0, 0},
        {"true", 0, 0},
        {"\"3\"", 0, 0},
        {"9223372036854775807", 9223372036854775807u, 9223372036854775807},
        {"9223372036854775808", 9223372036854775808u, 0},
        {"-9223372036854775808", 0, std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto& c : cases) {
        json object = json::parse(std::string(R"({"n":)") + c.value + "}");
        EXPECT_EQ(read_unsigned(object, "n"), c.as_unsigned) << c.value;
        EXPECT_EQ(read_signed(object, "n"), c.as_signed) << c.value;
    }
    json empty = json::object();
    EXPECT_EQ(read_unsigned(empty, "n"), 0u);
    EXPECT_EQ(read_signed(empty, "n"), 0);
    EXPECT_EQ(read_number(empty, "n"), 0.0);
}
