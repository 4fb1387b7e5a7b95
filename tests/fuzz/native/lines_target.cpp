// Any bytes as what the plug-in sends: cut into lines by the line splitter (the whole input at
// once and byte by byte), each line routed as a change event, a reply or nothing, each reply
// judged, and each routed object written again by the line writer. Besides what the sanitizers
// catch, a wrong outcome is a crash too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/protocol.h"
#include "common/utf8.h"

namespace cuevoice {
namespace {

[[noreturn]] void wrong(std::string_view what, std::string_view line) {
    std::fprintf(stderr, "wrong: %.*s\n%.*s\n", static_cast<int>(what.size()), what.data(),
                 static_cast<int>(line.size()), line.data());
    std::abort();
}

std::vector<std::string> lines_of(std::string_view stream, std::size_t piece) {
    std::vector<std::string> lines;
    LineSplitter splitter;
    const auto keep = [&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    };
    for (std::size_t at = 0; at < stream.size(); at += piece)
        splitter.feed(stream.substr(at, piece), keep);
    if (auto last = splitter.finish())
        lines.push_back(std::move(*last));
    return lines;
}

// The stream's text between line feeds, without one carriage return before a line feed, and
// the text after the last line feed when there is any.
std::vector<std::string> expected_lines(std::string_view stream) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < stream.size();) {
        const std::size_t end = stream.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(stream.substr(start));
            break;
        }
        std::string_view line = stream.substr(start, end - start);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

// What the reader does with a reply: routed by its id, judged, and what the program writes
// reads back the same.
void check_reply(std::string_view line, const Reply& reply) {
    const json& object = reply.object;
    const auto id = object.find("id");
    if (!object.is_object() || id == object.end() || !id->is_number_integer() ||
        (id->is_number_integer() && !id->is_number_unsigned() && id->get<std::int64_t>() < 0) ||
        id->get<std::uint64_t>() != reply.id)
        wrong("a reply whose id is not its object's", line);
    const auto event = object.find("event");
    if (event != object.end() && event->is_string() && *event == "changed")
        wrong("a change event routed as a reply", line);

    Result<json> judged = judge_reply(object);
    const auto ok = object.find("ok");
    const bool success = ok != object.end() && ok->is_boolean() && ok->get<bool>();
    if (judged.ok() != success)
        wrong("a reply judged against its \"ok\"", line);
    if (!judged.ok()) {
        const auto error = object.find("error");
        const std::string expected = error != object.end() && error->is_string()
                                         ? error->get<std::string>()
                                         : std::string("request failed");
        if (judged.error() != expected)
            wrong("a failed reply's error text", line);
    }

    const std::string written = encode_line(object);
    if (written.empty() || written.back() != '\n' || written.find('\n') != written.size() - 1)
        wrong("a written line that does not end in its one line feed", written);
    const std::string_view again(written.data(), written.size() - 1);
    const RoutedLine rerouted = route_line(again);
    const Reply* same = std::get_if<Reply>(&rerouted);
    if (same == nullptr || same->id != reply.id)
        wrong("a reply that routes otherwise once written again", written);
    // Texts that are not UTF-8 are written with replacement characters, so only UTF-8 lines
    // come back as they were.
    if (is_valid_utf8(line) && same->object != object)
        wrong("a reply that reads back otherwise once written again", written);
}

void check_line(std::string_view line) {
    const RoutedLine routed = route_line(line);
    if (line.find('\0') != std::string_view::npos && !std::holds_alternative<Ignored>(routed))
        wrong("a line holding a NUL was used", line);
    if (const Reply* reply = std::get_if<Reply>(&routed))
        check_reply(line, *reply);
}

} // namespace
} // namespace cuevoice

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cuevoice;
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = expected_lines(stream);
    if (lines_of(stream, stream.size()) != lines)
        wrong("the lines cut from the stream in one piece", stream);
    if (lines_of(stream, 1) != lines)
        wrong("the lines cut from the stream byte by byte", stream);
    for (const std::string& line : lines)
        check_line(line);
    return 0;
}
