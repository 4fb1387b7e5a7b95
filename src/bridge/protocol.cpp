#include "bridge/protocol.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace cuevoice {

namespace {

// The JSON library's own double output round-trips but now and then carries one digit more
// than needed, so doubles are written here from the shortest digits, laid out as the library
// lays them out: plain decimals for decimal exponents from -4 to 15, else d.ddde+XX.
void append_double(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[64];
    auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
    if (text.front() == '-') {
        out += '-';
        text.remove_prefix(1);
    }
    std::size_t e = text.find('e');
    std::string digits(text.substr(0, e));
    if (digits.size() > 1)
        digits.erase(1, 1); // the decimal point after the first digit
    int exponent = 0;
    std::string_view exponent_text = text.substr(e + 1);
    if (exponent_text.front() == '+')
        exponent_text.remove_prefix(1);
    std::from_chars(exponent_text.data(), exponent_text.data() + exponent_text.size(), exponent);
    // value = 0.digits * 10^n
    const int k = static_cast<int>(digits.size());
    const int n = exponent + 1;
    if (k <= n && n <= 15) {
        out += digits;
        out.append(static_cast<std::size_t>(n - k), '0');
        out += ".0";
    } else if (0 < n && n <= 15) {
        out.append(digits, 0, static_cast<std::size_t>(n));
        out += '.';
        out.append(digits, static_cast<std::size_t>(n));
    } else if (-4 < n && n <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-n), '0');
        out += digits;
    } else {
        out += digits[0];
        if (k > 1) {
            out += '.';
            out.append(digits, 1);
        }
        out += exponent < 0 ? "e-" : "e+";
        int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            out += '0';
        out += std::to_string(magnitude);
    }
}

void append_value(std::string& out, const json& value) {
    switch (value.type()) {
    case json::value_t::object: {
        out += '{';
        bool first = true;
        // Objects keep their members in ascending byte order of the keys.
        for (const auto& [key, member] : value.items()) {
            if (!first)
                out += ',';
            first = false;
            out += json(key).dump(-1, ' ', false, json::error_handler_t::replace);
            out += ':';
            append_value(out, member);
        }
        out += '}';
        break;
    }
    case json::value_t::array: {
        out += '[';
        bool first = true;
        for (const json& element : value) {
            if (!first)
                out += ',';
            first = false;
            append_value(out, element);
        }
        out += ']';
        break;
    }
    case json::value_t::number_float:
        append_double(out, value.get<double>());
        break;
    default:
        // Texts that are not valid UTF-8 are written with replacement characters rather than
        // making the whole request fail.
        out += value.dump(-1, ' ', false, json::error_handler_t::replace);
        break;
    }
}

} // namespace

std::string encode_line(const json& message) {
    std::string line;
    append_value(line, message);
    line += '\n';
    return line;
}

bool LineSplitter::feed(std::string_view piece, const LineHandler& handler) {
    while (!piece.empty()) {
        std::size_t newline = piece.find('\n');
        if (newline == std::string_view::npos) {
            partial_.append(piece);
            return true;
        }
        std::string_view line = piece.substr(0, newline);
        piece.remove_prefix(newline + 1);
        bool go_on;
        if (partial_.empty()) {
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            go_on = handler(line);
        } else {
            partial_.append(line);
            if (partial_.back() == '\r')
                partial_.pop_back();
            std::string whole = std::move(partial_);
            partial_.clear();
            go_on = handler(whole);
        }
        if (!go_on)
            return false;
    }
    return true;
}

std::optional<std::string> LineSplitter::finish() {
    if (partial_.empty())
        return std::nullopt;
    std::string last = std::move(partial_);
    partial_.clear();
    return last;
}

namespace {

const json* member(const json& object, std::string_view name) {
    if (!object.is_object())
        return nullptr;
    auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

bool is_non_negative_integer(const json& value) {
    if (value.is_number_unsigned())
        return true;
    // "-0" is the one signed literal that is not negative.
    return value.is_number_integer() && value.get<std::int64_t>() >= 0;
}

// Longer than any double needs, even written out in full without an exponent (309 digits for
// the largest).
constexpr std::size_t max_number_length = 400;

// What the JSON library would misread or take too long over. It ends its input at a NUL byte,
// so text after one would go unseen; and it converts a number in time that grows with the
// square of its length, so one huge literal would hold up every reply behind it.
bool parse_safe(std::string_view line) {
    if (line.find('\0') != std::string_view::npos)
        return false;
    std::size_t number_run = 0;
    bool in_string = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (in_string) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                in_string = false;
            continue;
        }
        if (c == '"') {
            in_string = true;
            number_run = 0;
        } else if ((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' ||
                   c == '-') {
            if (++number_run > max_number_length)
                return false;
        } else {
            number_run = 0;
        }
    }
    return true;
}

} // namespace

RoutedLine route_line(std::string_view line) {
    // The JSON library would quietly skip a leading byte-order mark; only white space may
    // surround the value.
    if (line.starts_with("\xEF\xBB\xBF") || !parse_safe(line))
        return Ignored{};
    json value = json::parse(line.begin(), line.end(), nullptr, false);
    if (value.is_discarded() || !value.is_object() || value.empty())
        return Ignored{};
    if (auto event = read_text(value, "event"); event && *event == "changed") {
        return ChangeEvent{read_text(value, "group").value_or(""),
                           read_text(value, "key").value_or(""), read_number(value, "value")};
    }
    const json* id = member(value, "id");
    if (id == nullptr || !is_non_negative_integer(*id))
        return Ignored{};
    std::uint64_t number = id->get<std::uint64_t>();
    return Reply{number, std::move(value)};
}

Result<json> judge_reply(json reply) {
    const json* ok = member(reply, "ok");
    if (ok != nullptr && ok->is_boolean() && ok->get<bool>())
        return reply;
    if (auto error = read_text(reply, "error"))
        return Error{std::move(*error)};
    return Error{"request failed"};
}

double read_number(const json& object, std::string_view name) {
    const json* value = member(object, name);
    if (value == nullptr || !value->is_number())
        return 0.0;
    return value->get<double>();
}

std::uint64_t read_unsigned(const json& object, std::string_view name) {
    const json* value = member(object, name);
    if (value == nullptr || !is_non_negative_integer(*value))
        return 0;
    return value->get<std::uint64_t>();
}

std::int64_t read_signed(const json& object, std::string_view name) {
    const json* value = member(object, name);
    if (value == nullptr)
        return 0;
    if (value->is_number_unsigned()) {
        auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return 0;
        return static_cast<std::int64_t>(number);
    }
    if (value->is_number_integer())
        return value->get<std::int64_t>();
    return 0;
}

std::optional<std::string> read_text(const json& object, std::string_view name) {
    const json* value = member(object, name);
    if (value == nullptr || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

} // namespace cuevoice
