#pragma once
// The plug-in's line format: one compact JSON object per line, both ways. Nothing here touches
// a socket, so every rule can be checked directly.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json.hpp>

#include "bridge/events.h"
#include "bridge/json.h"
#include "common/result.h"

namespace cuevoice {

// One message as it goes on the wire: compact, keys in ascending byte order, doubles in
// shortest round-trip form (1.0 for one, null when not finite), then exactly one "\n".
std::string encode_line(const json& message);

// Cuts a byte stream into lines at "\n", dropping one "\r" before it. Lines of any length are
// collected whole across as many pieces as they take.
class LineSplitter {
public:
    // Called once per complete line; returning false stops the splitting (the rest of the
    // piece is left unread).
    using LineHandler = std::function<bool(std::string_view line)>;

    // False when the handler stopped.
    bool feed(std::string_view piece, const LineHandler& handler);

    // The unterminated text at the end of the stream, which still counts as a line; none when
    // the stream ended right after a "\n".
    std::optional<std::string> finish();

private:
    std::string partial_;
};

// A reply for the request with this id; the whole object goes to the waiting request.
struct Reply {
    std::uint64_t id = 0;
    json object;
};

struct Ignored {};

using RoutedLine = std::variant<Ignored, ChangeEvent, Reply>;

// What one received line (line end already removed) is: a change event, a reply carrying a
// usable id, or nothing to act on.
RoutedLine route_line(std::string_view line);

// Success only when "ok" is the literal true; the result is then the whole reply. Otherwise the
// "error" text when it is a string (even empty), else "request failed".
Result<json> judge_reply(json reply);

// Members of an object read as the replies need them. A missing member, or one of another
// type, reads as 0.
double read_number(const json& object, std::string_view name);
// Non-negative integers only; negative, fractional and other values read as 0.
std::uint64_t read_unsigned(const json& object, std::string_view name);
// Integers within the signed 64-bit range only; fractional and other values read as 0.
std::int64_t read_signed(const json& object, std::string_view name);
// The member when it is a string.
std::optional<std::string> read_text(const json& object, std::string_view name);

} // namespace cuevoice
