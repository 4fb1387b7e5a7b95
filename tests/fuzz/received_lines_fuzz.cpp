// Received lines: replies and events built with a known routing and changed in ways whose
// effect is known (blanks, a NUL, trailing bytes, overlong numbers), plus blind byte-level
// damage, deep nesting and huge lines, all through the line splitter and the router.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bridge/protocol.h"
#include "fuzz_support.h"

namespace cuevoice {
namespace {

using fuzz::Random;

enum class Kind { ignored, reply, event, unknown };

struct Line {
    std::string text;
    Kind kind = Kind::unknown;
    std::uint64_t id = 0;
    ChangeEvent event;
};

std::string blank(Random& random) {
    static const std::vector<std::string> blanks = {"", "", "", " ", "\t", "\r", "  \t"};
    return random.pick(blanks);
}

std::string object_text(Random& random, std::vector<std::pair<std::string, std::string>> members) {
    for (std::size_t i = members.size(); i > 1; --i)
        std::swap(members[i - 1], members[random.below(i)]);
    std::string text = blank(random) + "{";
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (i > 0)
            text += blank(random) + "," + blank(random);
        text +=
            json(members[i].first).dump() + blank(random) + ":" + blank(random) + members[i].second;
    }
    return text + blank(random) + "}" + blank(random);
}

std::string some_text(Random& random) {
    static const std::vector<std::string> texts = {
        "[Channel1]",     "play",   "",     "caf\xC3\xA9",    "\\u0000",
        "\\ud83c\\udfb5", "a\\\"b", "\\\\", "{\\\"id\\\":1}", "12345678901234567890",
        "\xE2\x99\xAB"};
    std::string text = random.pick(texts);
    if (random.chance(0.02))
        text += std::string(random.between(1000, 300000), 'x');
    return text;
}

std::string some_number(Random& random, double& value) {
    static const std::vector<std::pair<std::string, double>> numbers = {
        {"0", 0},
        {"-0", 0},
        {"2", 2},
        {"-1", -1},
        {"0.25", 0.25},
        {"1e3", 1000},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"5e-324", 5e-324},
        {"18446744073709551615", 18446744073709551615.0},
        {"-9223372036854775808", -9223372036854775808.0},
        {"true", 0},
        {"null", 0},
        {"\"3\"", 0},
        {"[1]", 0},
        {"{}", 0}};
    const auto& [text, number] = random.pick(numbers);
    value = number;
    return text;
}

Line reply_line(Random& random) {
    Line line;
    std::vector<std::pair<std::string, std::string>> members;
    line.id = random.chance(0.5) ? random.below(100) : random.below(1) + 18446744073709551615u;
    std::string id = std::to_string(line.id);
    static const std::vector<std::string> bad_ids = {
        "-1", "5.0", "\"5\"", "1e2", "null", "18446744073709551616", "[5]"};
    line.kind = Kind::reply;
    if (random.chance(0.2)) {
        id = random.pick(bad_ids);
        line.kind = Kind::ignored;
    }
    if (!random.chance(0.05))
        members.push_back({"id", id});
    else
        line.kind = Kind::ignored;
    static const std::vector<std::string> oks = {"true", "false", "1", "\"true\"", "null"};
    if (random.chance(0.8))
        members.push_back({"ok", random.pick(oks)});
    if (random.chance(0.3))
        members.push_back({"error", std::string("\"") + some_text(random) + "\""});
    if (random.chance(0.3))
        members.push_back({"event", random.chance(0.5) ? "\"loaded\"" : "7"});
    double ignored = 0;
    if (random.chance(0.6))
        members.push_back({"value", some_number(random, ignored)});
    if (random.chance(0.2))
        members.push_back({"values", "[1,2.5,\"x\",[[[]]],{\"a\":null}]"});
    if (random.chance(0.1))
        members.push_back(
            {"fields", std::string("{\"title\":\"") + some_text(random) + "\",\"n\":1}"});
    if (members.empty())
        line.kind = Kind::ignored;
    line.text = object_text(random, members);
    return line;
}

Line event_line(Random& random) {
    Line line;
    line.kind = Kind::event;
    std::vector<std::pair<std::string, std::string>> members = {{"event", "\"changed\""}};
    if (random.chance(0.9)) {
        line.event.group = std::string("[Channel") + std::to_string(random.between(1, 4)) + "]";
        members.push_back({"group", "\"" + line.event.group + "\""});
    }
    if (random.chance(0.9)) {
        line.event.key = random.chance(0.5) ? "play" : "rate";
        members.push_back({"key", "\"" + line.event.key + "\""});
    }
    if (random.chance(0.9))
        members.push_back({"value", some_number(random, line.event.value)});
    if (random.chance(0.2))
        members.push_back({"id", std::to_string(random.below(10))});
    line.text = object_text(random, members);
    return line;
}

Line other_line(Random& random) {
    static const std::vector<std::string> texts = {"",
                                                   " ",
                                                   "\t\r",
                                                   "[1,2]",
                                                   "{}",
                                                   " {} ",
                                                   "garbage",
                                                   "\"text\"",
                                                   "null",
                                                   "1",
                                                   "[]",
                                                   "{",
                                                   "}",
                                                   "{\"id\":1,}",
                                                   "{\"id\":1 \"ok\":true}",
                                                   "{'id':1}",
                                                   "\xEF\xBB\xBF{\"id\":1}"};
    return {random.pick(texts), Kind::ignored};
}

std::string deep(Random& random) {
    // Now and then deep enough for any recursion to show; mostly cheap.
    std::size_t depth =
        random.chance(0.01) ? 200000 : random.pick(std::vector<std::size_t>{10, 100, 1000, 5000});
    std::string open = random.chance(0.5) ? "[" : "{\"a\":";
    std::string close = open == "[" ? "]" : "}";
    std::string text;
    text.reserve(depth * (open.size() + 1));
    for (std::size_t i = 0; i < depth; ++i)
        text += open;
    if (random.chance(0.7))
        for (std::size_t i = 0; i < depth; ++i)
            text += close;
    return text;
}

// Changes whose effect on the routing is known.
void change_knowingly(Random& random, Line& line) {
    switch (random.below(5)) {
    case 0: { // a NUL anywhere
        line.text.insert(random.below(line.text.size() + 1), 1, '\0');
        line.kind = Kind::ignored;
        break;
    }
    case 1: // something after the value
        line.text +=
            random.pick(std::vector<std::string>{"x", "{}", "1", "\"", ",", "\xEF\xBB\xBF"});
        line.kind = Kind::ignored;
        break;
    case 2: { // an overlong number as another member
        std::string digits(random.chance(0.05) ? 1 << 20 : random.between(401, 5000), '7');
        if (random.chance(0.5))
            digits.insert(1, ".");
        std::size_t brace = line.text.find('{');
        if (brace != std::string::npos && line.kind != Kind::ignored) {
            line.text.insert(brace + 1, "\"big\":" + digits + ",");
            line.kind = Kind::ignored;
        }
        break;
    }
    case 3: { // a long number that a double may need, as another member
        std::string digits = std::string("0.") + std::string(random.between(1, 380), '3');
        std::size_t brace = line.text.find('{');
        if (brace != std::string::npos && line.kind != Kind::ignored)
            line.text.insert(brace + 1, "\"long\":" + digits + ",");
        break;
    }
    default: // white space around the value
        line.text = blank(random) + line.text + blank(random);
        break;
    }
}

// Damage whose effect is not known.
void damage(Random& random, Line& line) {
    line.kind = Kind::unknown;
    switch (random.below(6)) {
    case 0:
        for (std::size_t n = random.between(1, 4); n > 0 && !line.text.empty(); --n)
            line.text[random.below(line.text.size())] = random.byte();
        break;
    case 1:
        line.text.resize(random.below(line.text.size() + 1));
        break;
    case 2:
        line.text.insert(random.below(line.text.size() + 1), deep(random));
        break;
    case 3:
        line.text.insert(
            random.below(line.text.size() + 1),
            random.pick(std::vector<std::string>{"\xFF", "\xC3\x28", "\xED\xA0\x80", "\\ud800",
                                                 "\\u0000", "\\x41", "\"", "\\", "1e99999", "-"}));
        break;
    case 4:
        line.text = deep(random);
        break;
    default: {
        std::string bytes(random.between(1, 64), '\0');
        for (char& c : bytes)
            c = random.byte();
        line.text.insert(random.below(line.text.size() + 1), bytes);
        break;
    }
    }
    // The router only ever sees text between line feeds.
    for (char& c : line.text)
        if (c == '\n')
            c = ' ';
}

std::optional<std::string> check(const Line& line, const RoutedLine& routed) {
    if (const Reply* reply = std::get_if<Reply>(&routed)) {
        const json& object = reply->object;
        if (!object.is_object() || object.empty())
            return "a reply that is no object";
        auto id = object.find("id");
        if (id == object.end() || !id->is_number_integer() ||
            id->get<std::uint64_t>() != reply->id ||
            (id->is_number_integer() && !id->is_number_unsigned() && id->get<std::int64_t>() < 0))
            return "a reply whose id is not its object's";
        auto event = object.find("event");
        if (event != object.end() && event->is_string() && *event == "changed")
            return "a change event routed as a reply";
        // The writer recurses per level; it only ever writes the program's own shallow
        // requests, so deep replies are not written again here.
        const auto brackets = std::count(line.text.begin(), line.text.end(), '[') +
                              std::count(line.text.begin(), line.text.end(), '{');
        std::string again = brackets > 100 ? std::string() : encode_line(object);
        if (!again.empty())
            again.pop_back();
        RoutedLine rerouted = route_line(again);
        if (!again.empty() &&
            (!std::holds_alternative<Reply>(rerouted) || std::get<Reply>(rerouted).id != reply->id))
            return "the reply does not route the same once written again";
    }
    if (line.text.find('\0') != std::string::npos && !std::holds_alternative<Ignored>(routed))
        return "a line holding a NUL was used";
    switch (line.kind) {
    case Kind::ignored:
        if (!std::holds_alternative<Ignored>(routed))
            return "expected the line to be ignored";
        break;
    case Kind::reply:
        if (!std::holds_alternative<Reply>(routed) || std::get<Reply>(routed).id != line.id)
            return std::string("expected a reply for ") + std::to_string(line.id);
        break;
    case Kind::event:
        if (!std::holds_alternative<ChangeEvent>(routed) ||
            !(std::get<ChangeEvent>(routed) == line.event))
            return "expected the change event";
        break;
    case Kind::unknown:
        break;
    }
    return std::nullopt;
}

// The lines cut from a stream fed in random pieces are the lines written into it.
std::optional<std::string> check_splitting(Random& random, const std::vector<std::string>& lines) {
    std::string stream;
    std::vector<std::string> expected;
    for (const std::string& line : lines) {
        bool crlf = random.chance(0.5);
        stream += line + (crlf ? "\r\n" : "\n");
        expected.push_back(
            !crlf && !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line);
    }
    LineSplitter splitter;
    std::vector<std::string> got;
    std::string_view rest = stream;
    while (!rest.empty()) {
        std::size_t piece = std::min(rest.size(), random.between(1, 9000));
        splitter.feed(rest.substr(0, piece), [&](std::string_view line) {
            got.emplace_back(line);
            return true;
        });
        rest.remove_prefix(piece);
    }
    if (splitter.finish())
        return "text left after the last line feed";
    if (got != expected)
        return "the splitter cut the stream differently";
    return std::nullopt;
}

// A few lines of one input, and the stream they make.
struct Lines {
    std::vector<Line> lines;
    std::string text;
};

TEST(Fuzz, ReceivedLines) {
    fuzz::run_target(
        {"received lines", 3000, std::chrono::milliseconds(1000), std::chrono::seconds(60)},
        [](Random& random) {
            Lines input;
            for (std::size_t n = random.between(1, 3); n > 0; --n) {
                std::size_t choice = random.below(10);
                Line line = choice < 4   ? reply_line(random)
                            : choice < 8 ? event_line(random)
                                         : other_line(random);
                if (random.chance(0.4))
                    change_knowingly(random, line);
                if (random.chance(0.3))
                    damage(random, line);
                input.lines.push_back(std::move(line));
            }
            for (const Line& line : input.lines)
                input.text += line.text + "\n";
            return input;
        },
        [](Random& random, const Lines& input, const fuzz::Wrong& wrong) {
            std::vector<std::string> texts;
            for (const Line& line : input.lines) {
                texts.push_back(line.text);
                if (auto problem = check(line, route_line(line.text)))
                    wrong(*problem, line.text);
            }
            if (auto problem = check_splitting(random, texts))
                wrong(*problem, input.text);
        });
}

} // namespace
} // namespace cuevoice
